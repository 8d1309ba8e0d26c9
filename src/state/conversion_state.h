// The state that carries one conversion from page to page. Owned by the main
// window, created empty with it, never reset.
#pragma once

#include "state/conversion_record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

struct ConversionState {
    // Shared by several steps.
    std::string LevelDir;   // the level folder the current step works in
    std::string MapDir;     // the map's own folder, kept when LevelDir moves on
    std::string MapName;
    std::string GamePath;   // the game's installation folder
    int32_t WorldSize = 0;  // 1024, 2048 or 4096 metres
    int32_t WorldScale = 0; // metres per map-view pixel

    // Add-on generator.
    std::vector<std::string> InfantrySpawnPoints;
    std::vector<std::string> VehicleSpawnPoints;
    std::string InfantrySpawnLine;
    std::string VehicleSpawnList;
    std::string SpawnPointText;
    std::string PositionValue;

    // Packing: the archive path chosen for the add-on.
    std::string PackTarget;

    // Network merge.
    std::string NetMapArchive;
    std::string NetAddonArchive;
    std::string NetMapName;
    std::string NetAddonName;
    std::string NetAddonBackup;

    // The saved record of this conversion (kept in the add-on folder), and
    // whether it may be saved: not over a record of a newer Tarnwick.
    state::ConversionRecord Record;
    bool RecordBlocked = false;
};

// ProgramDir + "bf1942\levels\" + name + "\", joined with the separator
// that ends ProgramDir: where an unpacked map or an add-on lies.
std::string levelDirIn(const std::string& programDir, const std::string& levelName);

// The add-on's folder: levelDirIn(ProgramDir, MapName + "_001").
std::string addonDir(const std::string& programDir, const ConversionState& state);

// After "OK": a new record for the map just analysed (LevelDir is its
// folder), keeping of an earlier record of the same add-on what guards the
// user's work (the checksums of the scripts written then, the areas drawn)
// and what making the add-on again does not redo (the game folder, the
// first packing's target, the pathmap transfer). The step is remembered, and
// saved unless the earlier record is that of a made add-on: that one stays as
// it is until "Start". Returns what to tell about an earlier
// record that cannot be used (set aside, or newer and then never saved
// over), else "".
std::string beginConversion(ConversionState& state, const std::string& programDir, const std::string& mapSource,
                            bool mapIsArchive);

// Brings the record up to date with the shared fields (map, world size,
// map folder, game folder, packing target), marks `step` done with today's
// date and saves it into the add-on folder. After "OK" the add-on folder is
// made for it when its levels folder exists; otherwise nothing is saved.
void rememberStep(ConversionState& state, const std::string& programDir, state::Step step);
// Saves the record as it is (the areas' work changed, say), when the add-on
// folder exists.
void saveRemembered(ConversionState& state, const std::string& programDir);
// Makes the record the one of the add-on in `addonDir` when it is not that
// conversion's already (the pathmap transfer restores a conversion from
// temp/pathf.bf): the saved record, or a new one when there is none. A
// record that cannot be used is never saved over.
void adoptRecordOf(ConversionState& state, const std::string& addonDir);
// Saves the record into `addonDir` (the folder a page works in).
void saveRecordIn(ConversionState& state, const std::string& addonDir);

} // namespace tw
