// A level's control points, from its ControlPoints.con and
// ControlPointTemplates.con (either may hold templates or objects): objects
// created from a ControlPoint template and given a position. Read as the
// game runs a level script (level/script.h): keywords in any letter case and
// spacing, values written out or from variables set earlier in the file,
// comments passed over, the lines inside if ... endif wrappers read.
#pragma once

#include "platform/text.h"

#include <string>
#include <vector>

namespace tw::level {

struct ControlPoint {
    std::string templateName;
    double x = 0, y = 0;  // metres east and north (the position's first and third value)
    int team = 0;         // 1, 2, or 0 for neither
    double radius = 0;
    bool fixedTeam = false;  // unableToChangeTeam
    size_t line = 0;         // its position line (1-based) in the file of its object
};

std::vector<ControlPoint> readControlPoints(const Lines& points, const Lines& templates);
// The same from a folder's Singleplayer/ControlPoints.con and
// Singleplayer/ControlpointTemplates.con (any letter case; a missing file
// counts as empty).
std::vector<ControlPoint> readAddonControlPoints(const std::string& addonDir);

} // namespace tw::level
