// One strategic area as the properties box records it: its name, its
// outline on the map view and in world metres, its value, its kinds, the
// vehicle classes sent to it, its side and its neighbours.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <string>

namespace tw::areas {

// An area's outline on the 512 x 512 map view (pixels) and in world metres.
struct AreaBox {
    int left, right, top, bottom;  // pixels
    int32_t minX, minY, maxX, maxY;
    double centerX, centerY;
    bool operator==(const AreaBox&) const = default;
};

// The kinds the properties box offers.
struct Kinds {
    bool base = false, controlPoint = false, strongPoint = false, airfield = false, flank = false, center = false;
    bool operator==(const Kinds&) const = default;
};

struct AreaSpec {
    std::string name;
    AreaBox box{};
    int32_t priority = 0;
    Kinds kinds;
    bool light = false, heavy = false;  // Car and Tank sent to it as well as Infantry
    int side = -1;  // 1, 2, 0 (neutral), or -1: none
    Lines neighbours;
    bool operator==(const AreaSpec&) const = default;
};

} // namespace tw::areas
