#include "steps.h"

#include "commands.h"
#include "areas/proposals.h"
#include "packing/packing_rules.h"
#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

#include <cstdio>
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

state::Conversion addonState(const std::string& programDir, const std::string& addon) {
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

    // A record that cannot be taken up (newer, damaged and set aside) stops the
    // command with what happened to it and what to do, as "Continue a
    // conversion" does, instead of going on without the user's saved work.
    state::OpenedConversion opened = state::openConversion(programDir, levelDirIn(programDir, name));
    if (!opened.refusal.empty()) throw AppError(opened.refusal);
    return std::move(opened.conversion);
}

std::string gameFolder(const std::string& given) {
    const std::string folder = withSeparator(absolutePath(given));
    if (!folderExists(folder))
        throw AppError("There is no game folder " + folder + ": give the folder that holds BF1942.exe.");
    return folder;
}

std::string packTargetStem(const std::string& given, const state::Conversion& state) {
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

// What the runner prints, line by line, and its progress reports, for work
// of 16 MB or more: a bar on a terminal, a plain line for each tenth
// otherwise.
class OutputShown {
public:
    explicit OutputShown(tools::RunnerOutput& output) : terminal_(platform::standardErrorIsTerminal()) {
        output.onLine = [this](const std::string& line) {
            if (line.empty()) return;
            endBar();
            std::fprintf(stderr, "%s\n", line.c_str());
        };
        output.onProgress = [this](const tools::ProgressReport& report, bool whole) {
            if (whole) progress(report);
        };
    }
    ~OutputShown() { endBar(); }

private:
    void progress(const tools::ProgressReport& report) {
        // Only work of some size is worth a bar ("... of 38.2 MB ...").
        if (report.megabytes >= 0 && report.megabytes < 16.0) return;
        const int percent = report.percent;
        if (terminal_) {
            const int filled = percent < 0 ? 0 : percent * 20 / 100;
            std::fprintf(stderr, "\r%s [%s%s]", report.text.c_str(), std::string(filled, '#').c_str(),
                         std::string(20 - filled, ' ').c_str());
            std::fflush(stderr);
            barShown_ = true;
        } else if (percent / 10 != lastTenth_) {
            lastTenth_ = percent / 10;
            std::fprintf(stderr, "%s\n", report.text.c_str());
        }
    }
    void endBar() {
        if (barShown_) std::fputc('\n', stderr);
        barShown_ = false;
    }

    bool terminal_;
    bool barShown_ = false;
    int lastTenth_ = -1;
};

} // namespace

tools::BatchOutcome runBatch(const std::string& programDir, const std::string& folder, const std::string& name) {
    if (interrupted()) {
        tools::BatchOutcome stopped;
        stopped.end = tools::BatchOutcome::End::Stopped;
        return stopped;
    }
    // The run leaves a journal as the wizard's runs do: should this command
    // be killed, the wizard's next start removes the run's temporary files.
    tools::BatchJob job(programDir, folder, name, "cli");
    tools::BatchOutcome outcome;
    {
        OutputShown shown(job.output());
        outcome = tools::runToEnd(job, [] { return interrupted(); });
    }
    if (outcome.end == tools::BatchOutcome::End::NotStarted)
        throw AppError("The batch " + name + " could not be started");
    return outcome;
}

} // namespace tw::cli
