// What follows from a map's base level: the coarser levels, and each search
// type's region numbers (Info) and strategic map.
//
// Regions: within each 64 m cell, the Info pixels that are not wholly
// blocked (at least one of their 2 x 2 map pixels free) fall into groups
// joined side by side (4-neighbourhood). The groups are numbered by size,
// largest first (ties: the one whose first pixel in row order, south-west
// first, comes first); the three largest become regions 0, 1 and 2, and all
// further groups together region 3. A region's point is the free map pixel,
// in the region's Info pixel nearest to the region's centre, that comes first
// in row order; its place in metres inside the cell is that pixel's
// south-west corner. Two regions of neighbouring cells are linked when an
// Info pixel of one touches an Info pixel of the other across the cell border.
#pragma once

#include "pathmaps/formats.h"

#include <string>
#include <vector>

namespace tw::pathmaps {

// The next coarser level: a pixel is blocked when any of the 2 x 2 pixels
// under it is blocked. A map of 64 pixels has none (raises).
Bitmap coarser(const Bitmap& finer);

struct Strategic {
    InfoMap info;
    StrategicMap map;
};
// The Info and strategic maps of a search type from its map at `level`.
Strategic buildStrategic(const Bitmap& map, int level);

// Where an Info or strategic map contradicts the map it belongs to: Info not
// 3 where all four pixels are blocked; a used region whose point is not on a
// free map pixel of that region's number; a link between regions that do
// not touch across the cell border. Places in world metres.
struct Contradiction {
    double x = 0, z = 0;
    std::string text;
};
std::vector<Contradiction> checkStrategic(const Bitmap& map, int level, const InfoMap& info,
                                          const StrategicMap& strategic);

} // namespace tw::pathmaps
