#include "packing/pathmap_transfer.h"

#include "packing/packing_rules.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

#include <filesystem>

namespace tw::packing {
namespace {

const char* const kRepeat = "click \"Copy the generated pathmaps into my addon\" again";

// Where the pathmaps come from and what to do when there are none.
std::string generateFirst(const std::string& from) {
    return "Tarnwick looks for the pathmaps the game generated in " + from +
           ". Run the game with the add-on loaded, as the README describes (\"Running the game under Wine to "
           "generate pathmaps\"), and check the game folder on page 3 (\"Part 1\"); then " + kRepeat + ".";
}

// The superuser may read any file; a pathmap its owner may not read is
// refused to him as well, decided from the mode bits, as it is to everyone
// else by the system. Empty when it may be read.
std::string unreadable(const std::string& path) {
    if (!platform::runningAsSuperuser()) return {};
    std::error_code ec;
    const auto st = std::filesystem::status(resolvePath(path), ec);
    if (ec || !std::filesystem::exists(st)) return {};
    return (st.permissions() & std::filesystem::perms::owner_read) == std::filesystem::perms::none
               ? msg::systemReason(wincode::AccessDenied)
               : std::string();
}

} // namespace

void refuseReadOnlyTarget(const std::string& to) {
    // Nothing is copied into a folder whose mode bits forbid writing: the
    // superuser could, but nobody else could.
    if (readOnlyByMode(to))
        throw AppError("The folder " + to + " is read-only, so the pathmaps cannot be copied into it; nothing was "
                       "copied. Make it writable, then " + std::string(kRepeat) + ".");
}

std::string gamePathmapFolder(const std::string& gamePath, const std::string& mapName, const std::string& fallback) {
    const char sep = trailingSeparator(gamePath, fallback);
    return gamePath + "bf1942" + sep + "levels" + sep + mapName + sep + "Pathfinding" + sep;
}

std::string addonPathmapFolder(const std::string& levelDir, const std::string& fallback) {
    return levelDir + "Pathfinding" + trailingSeparator(levelDir, fallback);
}

PathmapTransfer transferPathmaps(const std::string& from, const std::string& to) {
    PathmapTransfer t{from, to, {}, {}, {}};
    try {
        t.found = pathmapFiles(from);
    } catch (const AppError& e) {
        throw AppError(explained(e.what(), generateFirst(from)));
    }
    refuseReadOnlyTarget(to);
    if (!folderExists(to)) createFolder(to);
    for (const std::string& name : t.found) {
        if (isSkippedPathmap(name)) continue;
        std::string reason = unreadable(from + name);
        if (reason.empty()) {
            const int code = copyFileReporting(from + name, to + name);
            if (code != 0) reason = msg::systemReason(code);
        }
        if (reason.empty()) t.copied.push_back(name);
        else t.failed.push_back({name, reason});
    }
    return t;
}

TransferReport transferReport(const PathmapTransfer& t) {
    if (!t.failed.empty()) {
        std::string text = std::to_string(t.failed.size()) + " of " +
                           std::to_string(t.failed.size() + t.copied.size()) + " pathmaps were not copied from " +
                           t.from + " into " + t.to + ":\n";
        for (const PathmapFailure& f : t.failed) text += "\n" + f.name + ": " + withFinalPeriod(f.reason);
        text += "\n\nThe add-on is not ready to pack. The transfer can be repeated: mend the cause, then " +
                std::string(kRepeat) + ".";
        return {true, text};
    }
    if (t.copied.empty())
        return {true, "No pathmaps to copy were found in " + t.from + ".\n\n" + generateFirst(t.from)};
    return {false, std::to_string(t.copied.size()) + (t.copied.size() == 1 ? " pathmap was" : " pathmaps were") +
                       " copied from " + t.from + " into the add-on. Next step: \"Pack\"."};
}

} // namespace tw::packing
