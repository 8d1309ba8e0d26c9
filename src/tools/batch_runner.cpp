#include "tools/batch_runner.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "rfa/archive.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace tw::batch {
namespace {

bool isAbsolute(const std::string& p) {
    return (!p.empty() && (p[0] == '/' || p[0] == '\\')) || (p.size() >= 2 && p[1] == ':');
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

// With TARNWICK_PROGRESS set (the wizard's console sets it), long archive
// steps report how far they are, each report on a line of its own that
// begins with a carriage return, so a console shows it in place.
rfa::Progress progressReport(const std::function<void(const std::string&)>& print, const std::string& what) {
    if (!std::getenv("TARNWICK_PROGRESS")) return {};
    return [&print, what, last = -1](uint64_t done, uint64_t total) mutable {
        const int percent = total ? static_cast<int>(done * 100 / total) : 100;
        if (percent == last) return;
        last = percent;
        char text[96];
        std::snprintf(text, sizeof text, ": %.1f of %.1f MB (%d%%)", done / 1048576.0, total / 1048576.0, percent);
        print("\r" + what + text);
    };
}

// The words of a line of exactly the form `command "a" "b"`: the command
// word, then `count` paths in double quotes, one blank before each, nothing
// else. Nothing when the line has any other shape.
std::optional<std::vector<std::string>> quotedForm(const std::string& line, const std::string& command, size_t count) {
    if (line.compare(0, command.size(), command) != 0) return std::nullopt;
    std::vector<std::string> paths;
    size_t pos = command.size();
    for (size_t i = 0; i < count; ++i) {
        if (line.compare(pos, 2, " \"") != 0) return std::nullopt;
        const size_t close = line.find('"', pos + 2);
        if (close == std::string::npos) return std::nullopt;
        paths.push_back(line.substr(pos + 2, close - pos - 2));
        pos = close + 1;
    }
    if (pos != line.size()) return std::nullopt;
    return paths;
}

struct Runner {
    std::string folder;  // ends with '/'
    const std::function<void(const std::string&)>& print;
    bool failedBefore = false;  // a line of this run has failed
    std::string level;          // the level this run unpacks

    std::string at(const std::string& p) const { return isAbsolute(p) ? p : folder + p; }

    void copy(const std::string& line) {
        const auto paths = quotedForm(line, "copy", 2);
        if (!paths) throw AppError("Not carried out: a copy line is copy \"from\" \"to\", exactly so");
        // A copy puts something in place; after a failed step it would put
        // the wrong thing there (an old archive over the user's one).
        if (failedBefore) throw AppError("Not carried out, as an earlier line failed");
        const std::string& from = (*paths)[0];
        const std::string& to = (*paths)[1];
        if (!fileExists(at(from))) throw AppError("The system cannot find the file specified: " + from);
        if (!copyFile(at(from), at(to))) throw AppError("The file could not be copied to " + to);
        print("        1 file(s) copied.");
    }

    void del(const std::string& line) {
        const auto paths = quotedForm(line, "del", 1);
        if (!paths) throw AppError("Not carried out: a del line is del \"file\", exactly so");
        const std::string& path = (*paths)[0];
        if (!fileExists(at(path))) throw AppError("Could Not Find " + path);
        if (!deleteFile(at(path))) throw AppError("Could not delete " + path);
    }

    // The program's batches unpack one level each: the map archive, named
    // after its level, and then, for a network merge, the add-on archive,
    // which carries the same level path. Only that level's folder is taken;
    // every other entry is named and left out, so an archive can change
    // nothing else below the working folder.
    void unpack(const std::vector<std::string>& args) {
        if (args.empty() || args.size() > 2) throw AppError("rfaunpack.exe needs an archive and at most a target folder");
        if (level.empty()) level = nameOf(args[0]).size() > 4 ? nameOf(args[0]).substr(0, nameOf(args[0]).size() - 4) : "";
        if (level.empty()) throw AppError("The archive name " + args[0] + " names no level");
        rfa::ExtractOptions options;
        options.onlyBelow = "bf1942/levels/" + level;
        options.progress = progressReport(print, "Unpacking " + args[0]);
        const auto r = rfa::extractArchive(at(args[0]), args.size() == 2 ? at(args[1]) : folder, options);
        for (const std::string& name : r.leftOut) print("Left out (not below " + options.onlyBelow + "/): " + name);
        for (const std::string& w : r.warnings) print("Warning: " + w);
        if (r.files == 0) throw AppError("The archive " + args[0] + " holds no files below " + options.onlyBelow + "/");
        print("Extracted " + std::to_string(r.files) + " files from " + args[0]);
    }

    void pack(const std::vector<std::string>& args) {
        std::vector<std::string> positional;
        rfa::PackOptions options;
        for (const std::string& a : args) {
            if (lower(a) == "-compress") options.compress = true;
            else positional.push_back(a);
        }
        if (positional.size() != 3) throw AppError("rfaPack.exe needs a folder, an inner path and an archive name");
        options.progress = progressReport(print, "Packing " + positional[2]);
        options.refuseLeftOut = true;
        try {
            const auto r = rfa::packFolder(at(positional[0]), positional[1], at(positional[2]), options);
            print("Packed " + std::to_string(r.files) + " files into " + positional[2]);
        } catch (const rfa::LeftOutError& e) {
            for (const std::string& line : e.items()) print(line);
            throw AppError(std::to_string(e.items().size()) + " item(s) of the folder cannot be packed; " +
                           positional[2] + " was not written");
        }
    }

    void run(const std::string& line) {
        const std::vector<std::string> words = splitWords(line);
        const std::string command = lower(words[0]);
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (command == "copy") copy(line);
        else if (command == "del") del(line);
        else if (command == "rfaunpack.exe" || command == "rfaunpack") unpack(args);
        else if (command == "rfapack.exe" || command == "rfapack") pack(args);
        else throw AppError("'" + words[0] + "' is not a command this runner carries out");
    }
};

} // namespace

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string current;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(std::move(current));
            current.clear();
            inWord = false;
        } else {
            current.push_back(c);
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(current));
    return words;
}

RunResult runBatchFile(const std::string& batchFile, const std::string& folder,
                       const std::function<void(const std::string&)>& print) {
    std::string base = folder.empty() ? std::string("./") : folder;
    if (base.back() != '/' && base.back() != '\\') base += kNativeSeparator;
    Runner runner{base, print, false, {}};
    RunResult result;
    for (const std::string& line : readLines(batchFile)) {
        if (splitWords(line).empty()) continue;
        print("");
        print(base + ">" + line);
        ++result.lines;
        try {
            runner.run(line);
        } catch (const std::exception& e) {
            ++result.failed;
            runner.failedBefore = true;
            print(e.what());
        }
    }
    return result;
}

} // namespace tw::batch
