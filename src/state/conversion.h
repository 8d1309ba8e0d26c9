// The conversion carried from page to page: owned by the main window (one
// for its whole life), handed to every page, and saved as its record after
// every step.
#pragma once

#include "state/conversion_record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw::state {

// One conversion: what the pages share and the record it is saved as.
struct Conversion {
    // The map's own level folder, from the map's choice on: where "OK" reads
    // the world size and "Start" copies the map's scripts from.
    std::string MapDir;
    // The add-on folder, once "Start" has made it (or the conversion was
    // continued there); empty before.
    std::string AddonDir;
    std::string MapName;
    std::string GamePath;   // the game's installation folder
    int32_t WorldSize = 0;  // 1024, 2048 or 4096 metres

    // Packing: the archive path chosen for the add-on.
    std::string PackTarget;

    // The saved record of this conversion (kept in the add-on folder), and
    // whether it may be saved: not over a record of a newer Tarnwick.
    ConversionRecord Record;
    bool RecordBlocked = false;

    // Metres per pixel of the 512 by 512 map view (2, 4 or 8; 0 before "OK").
    int32_t worldScale() const { return WorldSize / 512; }
};

// A conversion as "Continue a conversion", the pathmap transfer and
// tarnwick-cli take it up from its add-on folder.
struct OpenedConversion {
    Conversion conversion;
    // Whether the add-on folder holds a record this Tarnwick can use; when
    // not (an add-on of an earlier version), the conversion is taken from
    // the packing state the last first packing saved (temp/pathf.bf) when it
    // names this add-on, else from the add-on's folder and the remembered
    // game folder (memory.bf).
    bool fromRecord = false;
    // The record is there but cannot be used (newer, damaged): what happened
    // and what to do. A newer or unusable one is never saved over.
    std::string refusal;
    // What loading the record chose for a moved program folder, or which of
    // its paths are gone; empty when there is nothing to say.
    std::string notes;
};
// `addon` ends in its separator. Raises notItsOwn() when the record is that
// of another map's conversion. A record without a known world size takes the
// one the add-on's ai.con names.
OpenedConversion openConversion(const std::string& programDir, const std::string& addon);
// What to say of a record that is not that of its add-on folder.
std::string notItsOwn(const std::string& addon, const ConversionRecord& record);
// 1024, 2048 or 4096: a world size the wizard can have read.
bool knownWorldSize(int32_t size);

// temp/pathf.bf, written at the first packing for what reads it: AddonDir,
// GamePath, PackTarget and MapName, one a line.
Lines packingStateExport(const Conversion& conversion);
// Those four values of such a file; a missing line gives an empty value.
Conversion packingStateOf(const Lines& lines);

} // namespace tw::state

namespace tw {

// ProgramDir + "bf1942\levels\" + name + "\", joined with the separator
// that ends ProgramDir: where an unpacked map or an add-on lies.
std::string levelDirIn(const std::string& programDir, const std::string& levelName);

// The add-on's folder: levelDirIn(ProgramDir, MapName + "_001").
std::string addonDir(const std::string& programDir, const state::Conversion& state);

// After "OK": a new record for the map just analysed (MapDir is its
// folder), keeping of an earlier record of the same add-on what guards the
// user's work (the checksums of the scripts written then, the areas drawn)
// and what making the add-on again does not redo (the game folder, the
// first packing's target, the pathmap transfer). The step is remembered, and
// saved unless the earlier record is that of a made add-on: that one stays as
// it is until "Start". Returns what to tell about an earlier
// record that cannot be used (set aside, or newer and then never saved
// over), else "".
std::string beginConversion(state::Conversion& state, const std::string& programDir, const std::string& mapSource,
                            bool mapIsArchive);

// Brings the record up to date with the shared fields (map, world size,
// map folder, game folder, packing target), marks `step` done with today's
// date and saves it into the add-on folder. After "OK" the add-on folder is
// made for it when its levels folder exists; otherwise nothing is saved.
void rememberStep(state::Conversion& state, const std::string& programDir, state::Step step);
// Saves the record as it is (the areas' work changed, say), when the add-on
// folder exists.
void saveRemembered(state::Conversion& state, const std::string& programDir);
// Makes `opened` the conversion shown: its shared values and its record;
// the pages' own work in progress stays.
void takeUp(state::Conversion& shown, const state::Conversion& opened);
// Saves the record into `addonDir` (the folder a page works in).
void saveRecordIn(state::Conversion& state, const std::string& addonDir);

} // namespace tw
