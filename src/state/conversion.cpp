#include "state/conversion.h"

#include "areas/proposals.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <filesystem>

namespace tw {

std::string levelDirIn(const std::string& programDir, const std::string& levelName) {
    const char sep = trailingSeparator(programDir);
    return programDir + "bf1942" + sep + "levels" + sep + levelName + sep;
}

std::string addonDir(const std::string& programDir, const state::Conversion& state) {
    return levelDirIn(programDir, state.MapName + "_001");
}

namespace {

void syncRecord(state::Conversion& s) {
    state::ConversionRecord& r = s.Record;
    r.mapName = s.MapName;
    r.worldSize = s.WorldSize;
    if (!s.MapDir.empty()) r.mapFolder = s.MapDir;
    r.gamePath = s.GamePath;
    r.packTarget = s.PackTarget;
}

// Saves the record as it stands into the add-on folder, made for it when
// its levels folder exists.
void save(state::Conversion& s, const std::string& programDir) {
    if (s.RecordBlocked || s.MapName.empty()) return;
    const std::string addon = addonDir(programDir, s);
    if (!folderExists(addon)) {
        const char sep = trailingSeparator(programDir);
        if (!folderExists(programDir + "bf1942" + sep + "levels") || !createFolder(addon)) return;
    }
    state::saveRecord(addon, s.Record);
}

} // namespace

void rememberStep(state::Conversion& s, const std::string& programDir, state::Step step) {
    syncRecord(s);
    s.Record.mark(step, state::nowStamp());
    save(s, programDir);
}

void saveRemembered(state::Conversion& s, const std::string& programDir) {
    syncRecord(s);
    save(s, programDir);
}

std::string beginConversion(state::Conversion& s, const std::string& programDir, const std::string& mapSource,
                            bool mapIsArchive) {
    state::ConversionRecord fresh;
    const state::LoadedRecord earlier = state::loadRecord(addonDir(programDir, s));
    if (earlier.kind == state::LoadedRecord::Kind::Ok) {
        const state::ConversionRecord& e = earlier.record;
        fresh.scripts = e.scripts;
        fresh.areas = e.areas;
        // Making the add-on again redoes neither the game folder, nor the
        // first packing, nor the pathmaps in its Pathfinding folder: what
        // the earlier record knows of them stays.
        if (s.GamePath.empty()) s.GamePath = e.gamePath;
        if (!e.packTarget.empty()) s.PackTarget = e.packTarget;
        fresh.pathmaps = e.pathmaps;
        for (const state::Step kept :
             {state::Step::GameFolderConfirmed, state::Step::FirstPacked, state::Step::PathmapsTransferred})
            if (e.has(kept)) fresh.done.push_back(kept);
    }
    s.RecordBlocked = earlier.kind == state::LoadedRecord::Kind::Newer ||
                      earlier.kind == state::LoadedRecord::Kind::Unusable;
    fresh.mapSource = mapSource;
    fresh.mapIsArchive = mapIsArchive;
    fresh.mapFolder = s.MapDir;
    // The game folder may be confirmed before any map is chosen.
    if (s.Record.has(state::Step::GameFolderConfirmed) && !fresh.has(state::Step::GameFolderConfirmed))
        fresh.done.push_back(state::Step::GameFolderConfirmed);
    s.Record = fresh;
    // The saved conversion of a made add-on stays as it is until "Start"
    // (which asks first when it holds finished work): leaving now, or
    // continuing it, finds it whole.
    if (earlier.kind == state::LoadedRecord::Kind::Ok && earlier.record.has(state::Step::AddonMade)) {
        syncRecord(s);
        s.Record.mark(state::Step::MapAnalysed, state::nowStamp());
    } else {
        rememberStep(s, programDir, state::Step::MapAnalysed);
    }
    return earlier.message;
}

void takeUp(state::Conversion& shown, const state::Conversion& opened) {
    shown.MapDir = opened.MapDir;
    shown.AddonDir = opened.AddonDir;
    shown.MapName = opened.MapName;
    // A conversion that knows no game folder keeps the one the window has.
    if (!opened.GamePath.empty()) shown.GamePath = opened.GamePath;
    shown.WorldSize = opened.WorldSize;
    shown.PackTarget = opened.PackTarget;
    shown.Record = opened.Record;
    shown.RecordBlocked = opened.RecordBlocked;
}

void saveRecordIn(state::Conversion& s, const std::string& addonDir) {
    if (s.RecordBlocked) return;
    syncRecord(s);
    state::saveRecord(addonDir, s.Record);
}

namespace state {
namespace {

namespace fs = std::filesystem;

bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code ec1, ec2;
    const fs::path x = fs::weakly_canonical(resolvePath(a), ec1), y = fs::weakly_canonical(resolvePath(b), ec2);
    return !ec1 && !ec2 && x == y;
}


// The world size the add-on's ai.con names, or 0.
int32_t worldSizeOf(const std::string& addon) {
    try {
        return areas::addonWorldSize(addon);
    } catch (const std::exception&) {
        return 0;
    }
}

// The game folder the wizard remembers (memory.bf), or "".
std::string rememberedGameFolder(const std::string& programDir) {
    if (!fileExists(programDir + "memory.bf")) return {};
    const Lines memory = readLines(programDir + "memory.bf");
    return !memory.empty() && memory[0] != "BF Pfad" ? memory[0] : std::string();
}

} // namespace

std::string notItsOwn(const std::string& addon, const ConversionRecord& record) {
    return "The conversion saved in " + recordFile(addon) + " is not one of " + addon + " (its map is \"" +
           record.mapName + "\"). Choose the map as usual";
}

bool knownWorldSize(int32_t size) { return size == 1024 || size == 2048 || size == 4096; }

Lines packingStateExport(const Conversion& c) { return {c.AddonDir, c.GamePath, c.PackTarget, c.MapName}; }

Conversion packingStateOf(const Lines& lines) {
    const auto line = [&](size_t i) { return i < lines.size() ? lines[i] : std::string(); };
    Conversion c;
    c.AddonDir = line(0);
    c.GamePath = line(1);
    c.PackTarget = line(2);
    c.MapName = line(3);
    return c;
}

OpenedConversion openConversion(const std::string& programDir, const std::string& addon) {
    OpenedConversion opened;
    Conversion& c = opened.conversion;
    const std::string folderName = nameOf(addon.substr(0, addon.empty() ? 0 : addon.size() - 1));
    const LoadedRecord loaded = loadRecord(addon);
    if (loaded.kind == LoadedRecord::Kind::Ok) {
        const ConversionRecord& r = loaded.record;
        // The record belongs to its own folder, and its map is one the wizard can have read.
        if (!equalsIgnoreCase(folderName, r.mapName + "_001")) throw AppError(notItsOwn(addon, r));
        opened.fromRecord = true;
        opened.notes = loaded.notes;
        c.Record = r;
        c.MapName = r.mapName;
        c.WorldSize = knownWorldSize(r.worldSize) ? r.worldSize : worldSizeOf(addon);
        c.MapDir = r.mapFolder;
        if (r.has(Step::AddonMade) || fileExists(addon + "ai.con")) c.AddonDir = addon;
        c.GamePath = r.gamePath.empty() ? rememberedGameFolder(programDir) : r.gamePath;
        c.PackTarget = r.packTarget;
        return opened;
    }
    // No record this Tarnwick can use: an add-on of an earlier version.
    if (loaded.kind != LoadedRecord::Kind::Missing) opened.refusal = loaded.message;
    c.RecordBlocked = loaded.kind == LoadedRecord::Kind::Newer || loaded.kind == LoadedRecord::Kind::Unusable;
    const bool named = folderName.size() > 4 && equalsIgnoreCase(folderName.substr(folderName.size() - 4), "_001");
    c.MapName = named ? folderName.substr(0, folderName.size() - 4) : folderName;
    c.AddonDir = addon;
    // The map unpacked in the program folder, when it is there.
    if (folderExists(levelDirIn(programDir, c.MapName))) c.MapDir = levelDirIn(programDir, c.MapName);
    c.WorldSize = worldSizeOf(addon);
    // The packing state the last first packing saved, when it is about this add-on.
    const char sep = trailingSeparator(programDir);
    const std::string packed = programDir + "temp" + sep + "pathf.bf";
    if (fileExists(packed)) {
        const Conversion earlier = packingStateOf(readLines(packed));
        if (!earlier.AddonDir.empty() && sameFolder(earlier.AddonDir, addon) &&
            equalsIgnoreCase(earlier.MapName, c.MapName)) {
            c.GamePath = earlier.GamePath;
            c.PackTarget = earlier.PackTarget;
            c.MapName = earlier.MapName;
            c.AddonDir = earlier.AddonDir;
            return opened;
        }
    }
    c.GamePath = rememberedGameFolder(programDir);
    return opened;
}

} // namespace state
} // namespace tw
