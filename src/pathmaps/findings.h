// What is wrong with a folder's pathmaps, each finding with a severity, the
// map and level it concerns and its place in world metres.
#pragma once

#include "pathmaps/declarations.h"

#include <optional>
#include <string>
#include <vector>

namespace tw::pathmaps {

class PathmapSet;

enum class Severity { Error, Warning, Information };

struct Finding {
    Severity severity = Severity::Information;
    std::string map;   // the map or search type concerned; empty: the folder
    int level = -1;    // -1: no single level
    std::optional<WorldPoint> place;
    std::string text;  // what is found and what to do
    bool operator==(const Finding&) const = default;
};

const char* severityName(Severity severity);  // "error", "warning", "information"
// One line: severity, map, level, place and text, e.g.
// "warning  Tank0  level 0  at 512/300  A seed point lies on a blocked pixel ...".
std::string findingLine(const Finding& finding);

// The findings of an opened folder, in the order of its declarations:
// errors (a declared map or level missing, damaged, or made for another
// world size or level range; the game then treats it and every later map
// as all free), warnings (all blocked or all free; a seed on a blocked pixel
// or walled off from the other seeds; a control point with no free ground
// of any land map within its capture radius; levels that do not follow from
// the base level; Info or strategic files that contradict it), information
// (a control point on blocked ground with free ground inside its radius, and
// how far) and, per map, its levels and share of blocked ground.
std::vector<Finding> findings(const PathmapSet& set);

// Opens the folder and returns its findings; a folder that cannot be used
// gives one error finding saying why.
std::vector<Finding> checkFolder(const std::string& folder);

} // namespace tw::pathmaps
