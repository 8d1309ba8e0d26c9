#include "tools/run_footprint.h"

#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/process.h"
#include "rfa/names.h"
#include "rfa/reader.h"
#include "tools/batch_runner.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>


namespace fs = std::filesystem;

namespace tw::tools {
namespace {

bool isAbsolute(const std::string& p) {
    return (!p.empty() && (p[0] == '/' || p[0] == '\\')) || (p.size() >= 2 && p[1] == ':');
}

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

struct Builder {
    std::string base;  // the working folder, ending with a separator
    RunFootprint fp;
    std::set<std::string> scanned, newFolders;
    std::map<std::string, std::string> copiedFrom;  // target as written -> source as written
    std::set<std::string> newCopies;                // resolved copy targets that are new

    std::string at(const std::string& p) const { return isAbsolute(p) ? p : base + p; }

    void noteNew(const fs::path& file) {
        scanned.insert(file.parent_path().string());
        if (!present(file)) fp.newFiles.push_back(file.string());
        else fp.replaced.push_back(file.string());
    }

    void copy(const std::vector<std::string>& args) {
        if (args.size() != 2) return;
        const fs::path target = resolvePath(at(args[1]));
        copiedFrom[foldCase(at(args[1]))] = at(args[0]);
        if (!present(target)) newCopies.insert(target.string());
        noteNew(target);
    }

    void del(const std::vector<std::string>& args) {
        for (const std::string& a : args) {
            const std::string target = resolvePath(at(a)).string();
            if (newCopies.count(target)) fp.scratch.push_back(target);
        }
    }

    void pack(const std::vector<std::string>& args) {
        std::vector<std::string> positional;
        for (const std::string& a : args)
            if (foldCase(a) != "-compress") positional.push_back(a);
        if (positional.size() != 3) return;
        noteNew(resolvePath(at(positional[2])));
    }

    void unpack(const std::vector<std::string>& args) {
        if (args.empty() || args.size() > 2) return;
        // The archive may only arrive by an earlier copy line of the batch.
        const auto copied = copiedFrom.find(foldCase(at(args[0])));
        const std::string source = copied != copiedFrom.end() ? copied->second : at(args[0]);
        const fs::path target = resolvePath(args.size() == 2 ? at(args[1]) : base);
        try {
            const rfa::ArchiveReader reader(resolvePath(source).string());
            for (const auto& entry : reader.entries()) {
                // The unpack refuses such an archive before it writes anything.
                if (rfa::unsafeNameReason(entry.name)) return;
                fs::path file = target;
                for (const std::string& part : rfa::nameComponents(entry.name)) file /= part;
                noteNew(file);
                for (fs::path folder = file.parent_path(); folder != target && folder.has_relative_path();
                     folder = folder.parent_path()) {
                    if (present(folder)) break;
                    newFolders.insert(folder.string());
                }
            }
        } catch (const std::exception&) {
            // An archive that cannot be read makes nothing.
        }
    }
};

// An unpack's staging folder holds nothing but its numbered files: a folder
// of the same shape of name with anything else in it is somebody's own.
bool holdsOnlyStagedFiles(const fs::path& folder) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (!fs::is_regular_file(e.symlink_status(ec)) || name.empty() ||
            !std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
            return false;
    }
    return !ec;
}

void removeUnfinishedWrites(const std::string& folder) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(platform::pathFromUtf8(folder), ec)) {
        const std::string name = e.path().filename().string();
        const fs::file_status status = e.symlink_status(ec);
        if (isUnfinishedWrite(name) && fs::is_regular_file(status)) fs::remove(e.path(), ec);
        else if (isUnpackStaging(name) && fs::is_directory(status) && holdsOnlyStagedFiles(e.path()))
            fs::remove_all(e.path(), ec);
    }
}

} // namespace

bool isUnfinishedWrite(const std::string& name) {
    const auto endsWith = [&](const char* tail) {
        const std::string t(tail);
        return name.size() > t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
    };
    return name.rfind(".tw-", 0) == 0 && (endsWith(".tmp") || endsWith(".part"));
}

bool isUnpackStaging(const std::string& name) {
    if (name.size() != 10 || name.rfind(".tw-", 0) != 0) return false;
    return std::all_of(name.begin() + 4, name.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

RunFootprint takeFootprint(const std::string& batchFile, const std::string& folder) {
    Builder b;
    b.base = folder.empty() ? std::string("./") : folder;
    if (b.base.back() != '/' && b.base.back() != '\\') b.base += '/';
    b.scanned.insert(resolvePath(b.base).string());
    for (const std::string& line : readLines(batchFile)) {
        const std::vector<std::string> words = batch::splitWords(line);
        if (words.empty()) continue;
        const std::string command = foldCase(words[0]);
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (command == "copy") b.copy(args);
        else if (command == "del") b.del(args);
        else if (command == "rfaunpack.exe" || command == "rfaunpack") b.unpack(args);
        else if (command == "rfapack.exe" || command == "rfapack") b.pack(args);
    }
    b.fp.scanned.assign(b.scanned.begin(), b.scanned.end());
    b.fp.newFolders.assign(b.newFolders.begin(), b.newFolders.end());
    // Deepest first, so that each folder is empty when its turn comes.
    std::sort(b.fp.newFolders.begin(), b.fp.newFolders.end(),
              [](const std::string& x, const std::string& y) { return x.size() > y.size(); });
    return b.fp;
}

void keepReplacedFiles(RunFootprint& fp) {
    static unsigned serial = 0;
    for (const std::string& file : fp.replaced) {
        std::error_code ec;
        const fs::path place = platform::pathFromUtf8(file);
        if (!fs::is_regular_file(fs::symlink_status(place, ec))) continue;
        const fs::path keep = place.parent_path() / (".tw-kept-" + std::to_string(platform::processId()) + "-" +
                                                     std::to_string(++serial) + ".tmp");
        fs::create_hard_link(place, keep, ec);
        if (!ec) fp.kept.emplace_back(file, keep.string());
    }
}

void dropKeptFiles(RunFootprint& fp) {
    std::error_code ec;
    for (const auto& [file, keep] : fp.kept) fs::remove(platform::pathFromUtf8(keep), ec);
    fp.kept.clear();
}

void undoRun(const RunFootprint& fp, bool sweepUnfinished) {
    std::error_code ec;
    // Where the run has not replaced a file yet, both names are the same
    // file and the rename leaves the kept one: it goes then.
    for (const auto& [file, keep] : fp.kept) {
        fs::rename(platform::pathFromUtf8(keep), platform::pathFromUtf8(file), ec);
        fs::remove(platform::pathFromUtf8(keep), ec);
    }
    for (const std::string& f : fp.newFiles)
        if (const fs::path p = platform::pathFromUtf8(f); fs::is_regular_file(fs::symlink_status(p, ec))) fs::remove(p, ec);
    if (sweepUnfinished)
        for (const std::string& folder : fp.scanned) removeUnfinishedWrites(folder);
    for (const std::string& folder : fp.newFolders) fs::remove(platform::pathFromUtf8(folder), ec);  // only when empty
}

std::string journalText(const RunFootprint& fp) {
    std::string text;
    for (const std::string& f : fp.scratch) text += "scratch\t" + f + "\n";
    for (const std::string& f : fp.scanned) text += "scan\t" + f + "\n";
    return text;
}

void cleanUpKilledRuns(const std::string& journalFolder, const std::string& programDir) {
    std::error_code ec;
    const fs::path folder = resolvePath(journalFolder);
    const fs::path program = fs::weakly_canonical(resolvePath(programDir), ec);
    // A scratch copy always lies in the program folder, where the batches
    // run; a journal naming anything else is not taken at its word.
    const auto inProgram = [&](const std::string& path) {
        std::error_code e2;
        const fs::path p = fs::weakly_canonical(path, e2);
        if (e2 || program.empty()) return false;
        const auto [end, rest] = std::mismatch(program.begin(), program.end(), p.begin(), p.end());
        return end == program.end() && rest != p.end();
    };
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (e.path().extension() != ".journal" || !fs::is_regular_file(e.symlink_status(ec))) continue;
        std::istringstream in(readBytes(e.path().string()));
        for (std::string line; std::getline(in, line);) {
            const size_t tab = line.find('\t');
            if (tab == std::string::npos) continue;
            const std::string kind = line.substr(0, tab), path = line.substr(tab + 1);
            if (kind == "scratch" && inProgram(path) && fs::is_regular_file(fs::symlink_status(path, ec)))
                fs::remove(path, ec);
            else if (kind == "scan") removeUnfinishedWrites(path);
        }
        fs::remove(e.path(), ec);
    }
}

} // namespace tw::tools
