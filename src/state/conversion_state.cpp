#include "state/conversion_state.h"

#include "platform/files.h"

namespace tw {

std::string levelDirIn(const std::string& programDir, const std::string& levelName) {
    const char sep = trailingSeparator(programDir);
    return programDir + "bf1942" + sep + "levels" + sep + levelName + sep;
}

std::string addonDir(const std::string& programDir, const ConversionState& state) {
    return levelDirIn(programDir, state.MapName + "_001");
}

namespace {

void syncRecord(ConversionState& s) {
    state::ConversionRecord& r = s.Record;
    r.mapName = s.MapName;
    r.worldSize = s.WorldSize;
    if (!s.MapDir.empty()) r.mapFolder = s.MapDir;
    r.gamePath = s.GamePath;
    r.packTarget = s.PackTarget;
}

} // namespace

void rememberStep(ConversionState& s, const std::string& programDir, state::Step step) {
    syncRecord(s);
    s.Record.mark(step, state::nowStamp());
    saveRemembered(s, programDir);
}

void saveRemembered(ConversionState& s, const std::string& programDir) {
    if (s.RecordBlocked || s.MapName.empty()) return;
    syncRecord(s);
    const std::string addon = addonDir(programDir, s);
    if (!folderExists(addon)) {
        const char sep = trailingSeparator(programDir);
        if (!folderExists(programDir + "bf1942" + sep + "levels") || !createFolder(addon)) return;
    }
    state::saveRecord(addon, s.Record);
}

std::string beginConversion(ConversionState& s, const std::string& programDir, const std::string& mapSource,
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
    fresh.mapFolder = s.LevelDir;
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

void adoptRecordOf(ConversionState& s, const std::string& addonDir) {
    if (!s.Record.done.empty() && equalsIgnoreCase(s.Record.mapName, s.MapName)) return;
    const state::LoadedRecord saved = state::loadRecord(addonDir);
    s.Record = saved.kind == state::LoadedRecord::Kind::Ok ? saved.record : state::ConversionRecord{};
    s.RecordBlocked = saved.kind == state::LoadedRecord::Kind::Newer || saved.kind == state::LoadedRecord::Kind::Unusable;
}

void saveRecordIn(ConversionState& s, const std::string& addonDir) {
    if (s.RecordBlocked) return;
    syncRecord(s);
    state::saveRecord(addonDir, s.Record);
}

} // namespace tw
