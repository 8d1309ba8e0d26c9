#include "steps.h"

#include "commands.h"
#include "areas/proposals.h"
#include "packing/packing_rules.h"
#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tools/run_footprint.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace tw::cli {
namespace {

bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code ec1, ec2;
    const fs::path x = fs::weakly_canonical(resolvePath(a), ec1), y = fs::weakly_canonical(resolvePath(b), ec2);
    return !ec1 && !ec2 && x == y;
}

std::string withSeparator(std::string folder) {
    if (folder.empty() || (folder.back() != '/' && folder.back() != '\\')) folder += kNativeSeparator;
    return folder;
}

} // namespace

// ---- The add-on and its state

ConversionState addonState(const std::string& programDir, const std::string& addon) {
    const std::string given = withSeparator(absolutePath(addon));
    if (!folderExists(given))
        throw AppError("There is no add-on folder " + given + ": make the add-on with tarnwick-cli addon first.");
    const fs::path folder = platform::pathFromUtf8(given.substr(0, given.size() - 1)).lexically_normal();
    const std::string name = platform::utf8FromPath(folder.filename());
    const char sep = trailingSeparator(programDir);
    const std::string levels = programDir + "bf1942" + sep + "levels" + sep;
    const bool isAddon = name.size() > 4 && name.compare(name.size() - 4, 4, "_001") == 0 &&
                         sameFolder(platform::utf8FromPath(folder.parent_path()), levels);
    if (!isAddon)
        throw AppError(given + " is not an add-on of this program folder: the packing takes the add-ons in " + levels +
                       " (<map>_001, as tarnwick-cli addon makes them).");
    if (!fileExists(given + "ai.con"))
        throw AppError("The add-on " + given + " has no ai.con: make it again with tarnwick-cli addon.");

    ConversionState state;
    state.MapName = name.substr(0, name.size() - 4);
    state.LevelDir = addonDir(programDir, state);
    state.MapDir = levelDirIn(programDir, state.MapName);
    // The add-on's own conversion record first; then the packing state the
    // wizard saved, when it is about this add-on; then the game folder the
    // wizard remembers.
    adoptRecordOf(state, state.LevelDir);
    const state::ConversionRecord& record = state.Record;
    state.WorldSize = record.worldSize;
    if (!state.WorldSize) {
        try {
            state.WorldSize = areas::addonWorldSize(state.LevelDir);
        } catch (const std::exception&) {
            // Not known: the record keeps none.
        }
    }
    if (!record.mapFolder.empty()) state.MapDir = record.mapFolder;
    if (!record.packTarget.empty() || !record.gamePath.empty()) {
        state.GamePath = record.gamePath;
        state.PackTarget = record.packTarget;
        return state;
    }
    const std::string saved = packing::packingStateFile(programDir);
    if (fileExists(saved)) {
        ConversionState earlier;
        packing::restorePackingState(earlier, readLines(saved));
        if (!earlier.LevelDir.empty() && sameFolder(earlier.LevelDir, state.LevelDir) &&
            equalsIgnoreCase(earlier.MapName, state.MapName)) {
            state.GamePath = earlier.GamePath;
            state.PackTarget = earlier.PackTarget;
            state.MapName = earlier.MapName;
            state.LevelDir = earlier.LevelDir;
            return state;
        }
    }
    // The game folder the wizard remembers.
    if (fileExists(programDir + "memory.bf")) {
        const Lines memory = readLines(programDir + "memory.bf");
        if (!memory.empty() && memory[0] != "BF Pfad") state.GamePath = memory[0];
    }
    return state;
}

std::string gameFolder(const std::string& given) {
    const std::string folder = withSeparator(absolutePath(given));
    if (!folderExists(folder))
        throw AppError("There is no game folder " + folder + ": give the folder that holds BF1942.exe.");
    return folder;
}

std::string packTargetStem(const std::string& given, const ConversionState& state) {
    const std::string path = absolutePath(given);
    std::string stem;
    if (folderExists(path)) stem = withSeparator(path) + state.MapName + "_001";
    else if (path.size() > 4 && equalsIgnoreCase(path.substr(path.size() - 4), ".rfa")) stem = path.substr(0, path.size() - 4);
    else
        throw AppError("Give the add-on archive's place as a folder or as a file name ending in .rfa: " + given +
                       " is neither. Nothing was written.");
    refuseOnProblems(packing::archivePlaceProblems(stem + ".rfa"));
    return stem;
}

void refuseOnProblems(const packing::Problems& problems) {
    if (problems.empty()) return;
    std::string text = problems.front();
    for (size_t i = 1; i < problems.size(); ++i) text += "\n" + problems[i];
    throw AppError(text);
}

// ---- Ctrl+C

void catchInterrupts() { platform::catchInterrupts(); }

bool interrupted() { return platform::interrupted(); }

KeptFile::KeptFile(std::string path) : path_(std::move(path)) {
    if (fileExists(path_)) bytes_ = readBytes(path_);
}

void KeptFile::putBack() const {
    try {
        if (bytes_) writeBytes(path_, *bytes_);
        else deleteFile(path_);
    } catch (const std::exception&) {
        // Whatever could not be put back stays as the step wrote it.
    }
}

int stopped(const std::string& what) {
    std::fprintf(stderr, "Stopped: %s was stopped, and what it had half made was removed; nothing you had before was "
                         "touched.\n", what.c_str());
    return kFailed;
}

// ---- Batch runs

namespace {

// What the runner prints, line by line, and its progress reports (a part
// after a lone carriage return, "Packing X: 1.0 of 20.0 MB (5%)"), for work of
// 16 MB or more: a bar on a terminal, a plain line for each tenth otherwise.
class OutputShown {
public:
    OutputShown() : terminal_(platform::standardErrorIsTerminal()) {}
    ~OutputShown() { endBar(); }

    void take(const char* data, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            const char c = data[i];
            if (c == '\n' || c == '\r') {
                if (c == '\r') progressNext_ = true;
                flush(c == '\n');
            } else {
                pending_ += c;
            }
        }
    }
    void finish() { flush(true); endBar(); }

private:
    void flush(bool lineEnd) {
        if (progressPart_) {
            if (!pending_.empty()) progress(pending_);
        } else if (!pending_.empty()) {
            endBar();
            std::fprintf(stderr, "%s\n", pending_.c_str());
        }
        pending_.clear();
        progressPart_ = !lineEnd && progressNext_;
        progressNext_ = false;
    }
    void progress(const std::string& text) {
        // Only work of some size is worth a bar ("... of 38.2 MB ...").
        const size_t of = text.rfind(" of ");
        if (of != std::string::npos && std::atof(text.c_str() + of + 4) < 16.0) return;
        const size_t close = text.rfind("%)"), open = text.rfind('(');
        int percent = -1;
        if (close != std::string::npos && open != std::string::npos && open < close)
            percent = std::atoi(text.c_str() + open + 1);
        if (terminal_) {
            const int filled = percent < 0 ? 0 : percent * 20 / 100;
            std::fprintf(stderr, "\r%s [%s%s]", text.c_str(), std::string(filled, '#').c_str(),
                         std::string(20 - filled, ' ').c_str());
            std::fflush(stderr);
            barShown_ = true;
        } else if (percent / 10 != lastTenth_) {
            lastTenth_ = percent / 10;
            std::fprintf(stderr, "%s\n", text.c_str());
        }
    }
    void endBar() {
        if (barShown_) std::fputc('\n', stderr);
        barShown_ = false;
    }

    bool terminal_;
    std::string pending_;
    bool progressPart_ = false, progressNext_ = false, barShown_ = false;
    int lastTenth_ = -1;
};

} // namespace

RunOutcome runBatch(const std::string& programDir, const std::string& folder, const std::string& name) {
    if (interrupted()) return RunOutcome::Stopped;
    tools::RunFootprint footprint;
    try {
        footprint = tools::takeFootprint(folder + name, folder);
    } catch (const std::exception&) {
        // A batch file that cannot be read fails in the runner.
    }
    tools::keepReplacedFiles(footprint);
    // A journal as the wizard's runs leave: should this command be killed,
    // the wizard's next start removes the run's temporary files.
    const std::string journal = programDir + "temp" + trailingSeparator(programDir) + "run-" +
                                std::to_string(platform::processId()) + "-cli.journal";
    bool journalled = false;
    try {
        writeBytes(journal, tools::journalText(footprint));
        journalled = true;
    } catch (const std::exception&) {
    }

    const std::string runner = programDir + platform::executableName("tarnwick-batch");
    const std::string workFolder = resolvePath(folder).string();
    OutputShown shown;
    const platform::ChildOutcome run = platform::runChild(
        runner, {name}, workFolder, "TARNWICK_PROGRESS=1",
        [&](const char* data, size_t n) { shown.take(data, n); }, [] { return interrupted(); });
    if (!run.started) {
        if (journalled) deleteFile(journal);
        tools::dropKeptFiles(footprint);
        throw AppError("The batch " + name + " could not be started");
    }
    shown.finish();
    if (journalled) deleteFile(journal);
    if (run.stopped) {
        tools::undoRun(footprint);
        return RunOutcome::Stopped;
    }
    if (!run.exited) {
        // A runner that died mid-line leaves its half work: taken away.
        tools::undoRun(footprint);
        return RunOutcome::Failed;
    }
    tools::dropKeptFiles(footprint);
    return run.exitCode == 0 ? RunOutcome::Succeeded : RunOutcome::Failed;
}

} // namespace tw::cli
