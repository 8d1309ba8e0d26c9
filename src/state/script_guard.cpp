#include "state/script_guard.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <algorithm>
#include <filesystem>

namespace tw::state {
namespace {

std::string inAddon(const std::string& addonDir, const std::string& entry) {
    const char sep = trailingSeparator(addonDir);
    std::string path = addonDir + entry;
    std::replace(path.begin() + static_cast<long>(addonDir.size()), path.end(), '/', sep);
    return path;
}

// Read-only by its mode bits, as the write would find it.
bool readOnly(const std::string& path) {
    std::error_code ec;
    const auto st = std::filesystem::status(resolvePath(path), ec);
    return !ec && (st.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

std::string listed(const std::vector<std::string>& entries) {
    std::string out;
    for (const std::string& e : entries) out += "\n    " + e;
    return out;
}

} // namespace

std::vector<std::string> changedScripts(const ConversionRecord& record, const std::string& addonDir,
                                        const Lines& entries) {
    std::vector<std::string> changed;
    for (const std::string& entry : entries) {
        const auto sum = record.checksumFor(entry);
        const std::string path = inAddon(addonDir, entry);
        if (!sum || !fileExists(path)) continue;
        std::string bytes;
        try {
            bytes = readBytes(path);
        } catch (const std::exception&) {
            changed.push_back(entry);  // unreadable now: not as Tarnwick left it
            continue;
        }
        if (checksumOf(bytes) != *sum) changed.push_back(entry);
    }
    return changed;
}

void noteWritten(ConversionRecord& record, const std::string& addonDir, const Lines& entries) {
    for (const std::string& entry : entries) {
        const std::string path = inAddon(addonDir, entry);
        if (!fileExists(path)) continue;
        try {
            record.setChecksum(entry, checksumOf(readBytes(path)));
        } catch (const std::exception&) {
        }
    }
}

std::string copyAside(const std::string& addonDir, const std::vector<std::string>& entries,
                      const std::string& stamp) {
    const char sep = trailingSeparator(addonDir);
    // "2026-12-08 21:05" gives "2026-12-08-2105".
    std::string name = "tarnwick-replaced-";
    for (const char c : stamp)
        if (c == ' ') name += '-';
        else if (c != ':') name += c;
    std::string folder = addonDir + name;
    for (int n = 2; pathExists(folder); ++n) folder = addonDir + name + "-" + std::to_string(n);
    folder += sep;
    for (const std::string& entry : entries) {
        // The copy takes the file's own letter case, not the entry's.
        std::string actual = entry;
        std::error_code relativeError;
        const auto relative = std::filesystem::path(resolvePath(inAddon(addonDir, entry)))
                                  .lexically_relative(resolvePath(addonDir));
        if (!relative.empty() && *relative.begin() != "..") {
            const std::u8string inside = relative.generic_u8string();
            actual.assign(inside.begin(), inside.end());
        }
        const std::string target = inAddon(folder, actual);
        std::error_code ec;
        std::filesystem::create_directories(resolvePath(folderOf(target)), ec);
        if (ec || !copyFile(inAddon(addonDir, entry), target))
            throw AppError("Your changed " + entry + " could not be copied to " + target +
                           ", so nothing was replaced. Free some room there, or choose \"Keep my changes\"");
    }
    return folder;
}

bool OverwritePlan::keeps(std::string_view entry) const {
    return std::any_of(keep.begin(), keep.end(), [&](const std::string& k) { return equalsIgnoreCase(k, entry); });
}

OverwritePlan askBeforeOverwriting(Messages& messages, const ConversionRecord& record, const std::string& addonDir,
                                   const Lines& entries, const std::string& action) {
    OverwritePlan plan;
    const std::vector<std::string> changed = changedScripts(record, addonDir, entries);
    if (changed.empty()) return plan;
    const int answer = messages.ask(
        "You have changed " + std::string(changed.size() == 1 ? "this script" : "these scripts") + " of " + addonDir +
            " since Tarnwick wrote " + (changed.size() == 1 ? "it" : "them") + ":" + listed(changed) + "\n\n" + action +
            " would write " + (changed.size() == 1 ? "it" : "them") +
            " again. \"Keep my changes\" leaves your changes as they are and writes the rest; \"Replace them\" "
            "first copies your changed files into a dated folder inside the add-on; \"Cancel\" writes nothing.",
        {"Keep my changes", "Replace them", "Cancel"});
    if (answer == 0) {
        plan.keep = changed;
    } else if (answer == 1) {
        for (const std::string& entry : changed)
            if (readOnly(inAddon(addonDir, entry)))
                throw AppError(inAddon(addonDir, entry) + " is read-only, so it cannot be replaced; nothing was "
                               "written. Make it writable, or choose \"Keep my changes\"");
        plan.copiedTo = copyAside(addonDir, changed, nowStamp());
    } else {
        plan.go = false;
    }
    return plan;
}

OverwritePlan planWithoutAsking(const ConversionRecord& record, const std::string& addonDir, const Lines& entries,
                                bool replace) {
    OverwritePlan plan;
    const std::vector<std::string> changed = changedScripts(record, addonDir, entries);
    if (changed.empty()) return plan;
    if (!replace) {
        plan.keep = changed;
        return plan;
    }
    for (const std::string& entry : changed)
        if (readOnly(inAddon(addonDir, entry)))
            throw AppError(inAddon(addonDir, entry) + " is read-only, so it cannot be replaced; nothing was written");
    plan.copiedTo = copyAside(addonDir, changed, nowStamp());
    return plan;
}

std::string finishedWork(const ConversionRecord& saved, const std::string& addonDir) {
    const bool areas = !saved.areas.empty() || saved.has(Step::AreasWritten) ||
                       fileExists(addonDir + "tarnwick-areas.txt");
    const bool pathmaps = saved.has(Step::PathmapsTransferred) || !saved.pathmaps.empty();
    if (areas && pathmaps) return "recorded areas and transferred pathmaps";
    return areas ? "recorded areas" : pathmaps ? "transferred pathmaps" : "";
}

std::string copyConversionAside(const std::string& addonDir, const std::string& stamp) {
    std::vector<std::string> present;
    for (const char* entry : {"tarnwick-areas.txt", "AI/StrategicAreas.con", "ai.con", kRecordFileName})
        if (fileExists(inAddon(addonDir, entry))) present.emplace_back(entry);
    try {
        return copyAside(addonDir, present, stamp);
    } catch (const AppError& e) {
        throw AppError("The earlier conversion could not be copied into a dated folder inside " + addonDir +
                       ", so nothing was written (" + e.what() +
                       "). Free some room there, or choose \"Continue that conversion\"");
    }
}

void forgetFinishedWork(ConversionRecord& record) {
    // The pathmaps stay in the add-on's Pathfinding folder, and what the
    // record knows of them stays with them.
    record.areas = {};
    std::erase_if(record.done, [](Step s) { return s == Step::AreasWritten || s == Step::Packed; });
    if (record.lastStep && !record.has(*record.lastStep)) record.lastStep = record.done.empty() ? std::nullopt : std::optional(record.done.back());
}

std::string copiedMessage(const OverwritePlan& plan) {
    return "Your changed scripts were copied to " + plan.copiedTo + " before Tarnwick replaced them.";
}

} // namespace tw::state
