#include "tools/batch_runner.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "rfa/archive.h"

#include <cstdio>
#include <cstdlib>

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

struct Runner {
    std::string folder;  // ends with '/'
    const std::function<void(const std::string&)>& print;

    std::string at(const std::string& p) const { return isAbsolute(p) ? p : folder + p; }

    void copy(const std::vector<std::string>& args) {
        if (args.size() != 2) throw AppError("copy needs a source and a target");
        if (!fileExists(at(args[0]))) throw AppError("The system cannot find the file specified: " + args[0]);
        if (!copyFile(at(args[0]), at(args[1])))
            throw AppError("The file could not be copied to " + args[1]);
        print("        1 file(s) copied.");
    }

    void del(const std::vector<std::string>& args) {
        if (args.empty()) throw AppError("del needs a file");
        for (const std::string& a : args) {
            if (!fileExists(at(a))) throw AppError("Could Not Find " + a);
            if (!deleteFile(at(a))) throw AppError("Could not delete " + a);
        }
    }

    void unpack(const std::vector<std::string>& args) {
        if (args.empty() || args.size() > 2) throw AppError("rfaunpack.exe needs an archive and at most a target folder");
        const auto r = rfa::extractArchive(at(args[0]), args.size() == 2 ? at(args[1]) : folder,
                                           progressReport(print, "Unpacking " + args[0]));
        for (const std::string& w : r.warnings) print("Warning: " + w);
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
        const auto r = rfa::packFolder(at(positional[0]), positional[1], at(positional[2]), options);
        print("Packed " + std::to_string(r.files) + " files into " + positional[2]);
    }

    void run(const std::string& line) {
        const std::vector<std::string> words = splitWords(line);
        const std::string command = lower(words[0]);
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (command == "copy") copy(args);
        else if (command == "del") del(args);
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
    if (base.back() != '/' && base.back() != '\\') base += '/';
    Runner runner{base, print};
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
            print(e.what());
        }
    }
    return result;
}

} // namespace tw::batch
