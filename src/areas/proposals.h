// Areas proposed from a level's control points: where the points stand (from
// the add-on's copies of the level's conquest files), a square area around
// each, and neighbours from the geometry.
#pragma once

#include "areas/area_script.h"
#include "areas/area.h"
#include "level/control_points.h"
#include "platform/text.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tw::areas {

// The control points, as the level layer reads them.
using level::ControlPoint;
using level::readAddonControlPoints;
using level::readControlPoints;

// Pairs (i < j) of points with no third point nearer to both than they are
// to each other: the relative-neighbourhood graph, sorted.
std::vector<std::pair<size_t, size_t>> neighbourPairs(const std::vector<std::pair<double, double>>& points);

// One proposed area, ready for the properties box.
struct Proposal {
    std::string name;              // one word, unique without regard to case
    int left, top, right, bottom;  // the corners on the 512 x 512 map view
    int32_t priority;
    bool base;                     // Base when the point cannot change team, else ControlPoint
    int side;                      // 1, 2 or 0
    std::vector<size_t> neighbours;  // indices of other proposals, ascending
    bool operator==(const Proposal&) const = default;
};

inline constexpr double kMinimumSide = 60;  // metres
inline constexpr int32_t kBasePriority = 50, kControlPointPriority = 100;
inline constexpr size_t kMaxControlPoints = 1000;  // levels have a few dozen

// Raises an error for more than kMaxControlPoints points.

std::vector<Proposal> proposeAreas(const std::vector<ControlPoint>& points, int32_t worldSize, int32_t worldScale);

// What a proposal records when accepted unchanged (both vehicle classes).
AreaSpec specOf(const Proposal& p, const std::vector<Proposal>& all, int32_t worldSize, int32_t worldScale);

// StrategicAreas.con for the areas in order, built by the same steps as
// the properties box and the neighbour step.
Lines scriptOf(const std::vector<AreaSpec>& areas);

// The world size from an add-on's ai.con ("aiSettings.setWorldMapSize N N").
int32_t addonWorldSize(const std::string& addonDir);

} // namespace tw::areas
