// The map numbers of AIPathFinding.con: the game numbers the search maps 0,
// 1, 2, ... in the order of their ai.addSearchMap lines, and every
// ai.addSearchType, ai.setMapSpawnPoints and ai.setSmoothing line names its
// map by that position. Add-ons of earlier Tarnwick versions (and files
// copied from them) numbered some lines by the digit in the map's name
// (Car4: 4); this finds those lines and mends them, number by number.
#pragma once

#include "platform/text.h"
#include "state/conversion_record.h"

#include <string>
#include <vector>

namespace tw::check {

// One line whose number does not name the map it is meant for.
struct MapNumberFault {
    size_t line = 0;      // 1-based
    std::string command;  // "ai.addSearchType", "ai.setMapSpawnPoints" or "ai.setSmoothing", as written
    std::string map;      // the map meant: the type's own map, or the map of the block the line stands in
    int written = 0;      // the number the line gives
    int position = 0;     // the map's 0-based position: the number to write
    bool operator==(const MapNumberFault&) const = default;
};

// The lines of AIPathFinding.con, read as the game reads them (comments
// passed over), whose number misses its map:
// - a type line names a map other than the one called after the type
//   (Car: Car4, any letter case);
// - a seed or smoothing line gives the number in its map's name instead of
//   the map's position; its map is the one declared just before it, when
//   that map has no other line of the kind, else the map whose name ends in
//   that number.
// A number the file gives on purpose (a type sharing another type's map, a
// map's position) is no fault.
std::vector<MapNumberFault> mapNumberFaults(const Lines& aiPathFinding);

// The file's bytes with the faults' numbers replaced by the maps' positions;
// every other byte (line ends, blanks, comments, the user's other changes)
// stays as it is.
std::string mendMapNumbers(const std::string& bytes, const std::vector<MapNumberFault>& faults);

// "AIPathFinding.con:18: ai.setMapSpawnPoints 4 -> 2 (Car4)".
std::string faultText(const MapNumberFault& fault);

// The add-on's AIPathFinding.con (any letter case) with the faults, when it
// has any; no file or no fault gives none.
std::vector<MapNumberFault> addonMapNumberFaults(const std::string& addonDir);

struct MapNumberMend {
    std::vector<MapNumberFault> mended;  // empty: nothing to mend, nothing written
    std::string copiedTo;                // the dated folder holding the old file
};

// Mends the add-on's map numbers: the old file is first copied into a new
// dated "tarnwick-replaced-..." folder inside the add-on, then the file is
// written again with only the numbers changed. When `record` is given and
// the file was as Tarnwick wrote it, the record takes the mended file's
// checksum (the file stays Tarnwick's); a file the user changed stays the
// user's. Raises, naming the file, when it is read-only or cannot be
// copied or written (nothing is then changed).
MapNumberMend mendAddonMapNumbers(const std::string& addonDir, state::ConversionRecord* record);

// The question "Continue a conversion" asks, naming the add-on and each line.
std::string mendQuestion(const std::string& addonDir, const std::vector<MapNumberFault>& faults);
// What is said after the mend.
std::string mendedMessage(const std::string& addonDir, const MapNumberMend& mend);

} // namespace tw::check
