// The pathmaps of one add-on or level folder as a whole: what it declares,
// every declared file as read (or why it could not be), the base levels to
// paint on, the rebuild of everything that follows from them, and the save
// that writes it all the way the game does.
#pragma once

#include "pathmaps/declarations.h"
#include "pathmaps/formats.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tw::pathmaps {

// One level of a declared map. `map` is empty when the file is missing or
// damaged; `problem` then says why, naming the file.
struct LevelState {
    int level = 0;
    Bitmap map;
    std::string problem;
    bool eightBit = false;  // an 8-bit file of this level exists (rebuilt on save)
};

struct MapState {
    SearchMap declared;
    std::vector<LevelState> levels;  // minLevel .. maxLevel, in order
};

// A declared search type's Info and strategic maps; each empty (side 0,
// width 0) when missing or damaged, with the reason.
struct TypeState {
    SearchType declared;
    InfoMap info;
    std::string infoProblem;
    StrategicMap strategic;
    std::string strategicProblem;
};

// The folder (inside Pathfinding/) where the first save keeps the files it
// replaces; it is made once and never written again.
inline constexpr const char* kOriginalsFolder = "Originals";

// A control point's capture radius when its template gives none.
inline constexpr double kDefaultCaptureRadius = 10;

struct SaveResult {
    std::vector<std::string> written;  // full paths, in the order written
    std::string originals;             // the originals folder
    bool originalsKept = false;        // this save made it
};

class PathmapSet {
public:
    // Reads a folder: an add-on folder (ai.con gives the world size) or a
    // level folder (init/terrain.con gives it), with its AIPathFinding.con
    // and Pathfinding/ folder, names matched in any letter case. Damaged or
    // missing pathmaps are kept as problems of their level or type. Raises
    // a PathmapError naming the folder when it cannot be used at all (no
    // folder, no AIPathFinding.con, no world size or an impossible one).
    static PathmapSet open(const std::string& folder);

    const std::string& folder() const { return folder_; }
    // The Pathfinding folder as found (or where it would be), with a trailing separator.
    const std::string& pathfindingFolder() const { return pathfinding_; }
    int worldSize() const { return worldSize_; }
    const Declarations& declarations() const { return declarations_; }
    const std::vector<MapState>& maps() const { return maps_; }
    const std::vector<TypeState>& types() const { return types_; }
    // The add-on's control points (Singleplayer/ or Conquest/ControlPoints.con).
    const std::vector<WorldPoint>& controlPoints() const { return controlPoints_; }
    // Their capture radii in metres, in the same order.
    const std::vector<double>& captureRadii() const { return captureRadii_; }

    // A map's base level is its lowest declared level (0 for land maps, 2
    // for boats): the level that is painted; the others follow from it.
    int baseLevel(size_t map) const { return maps_.at(map).declared.minLevel; }
    bool hasBase(size_t map) const { return !maps_.at(map).levels.empty() && !maps_.at(map).levels.front().map.empty(); }
    const Bitmap& base(size_t map) const { return maps_.at(map).levels.at(0).map; }
    // The base to paint on; a missing or damaged one starts all free.
    // Raises when the level cannot exist in this world.
    Bitmap& editBase(size_t map);
    // Replaces the base (a picture read in); a map of another side is
    // refused naming both sizes.
    void replaceBase(size_t map, Bitmap base);

    // Rebuilds, for every map with a base: its coarser levels, and the Info
    // and strategic maps of the search types using it. 8-bit files are
    // rebuilt on save, for the levels that have one.
    void rebuild();
    // Rebuilds, then writes every level, the 8-bit files that exist and the
    // Info and strategic files of every map with a base, each atomically.
    // The first save copies the files it replaces into Pathfinding/Originals/
    // first; a later save leaves that folder as it is. A read-only file or
    // folder is found before anything is written; a write that fails all
    // the same raises, naming the file (the files written before it stay
    // written, and every file is whole).
    SaveResult save();

private:
    std::string folder_, pathfinding_;
    int worldSize_ = 0;
    Declarations declarations_;
    std::vector<MapState> maps_;
    std::vector<TypeState> types_;
    std::vector<WorldPoint> controlPoints_;
    std::vector<double> captureRadii_;
};

} // namespace tw::pathmaps
