// The check of a whole add-on: everything the bots will read, looked at
// before the game does (scripts, areas, strategies, pathmaps, spawns).
#pragma once

#include "check/findings.h"

#include <string>
#include <vector>

namespace tw::check {

// Checks the add-on folder. `levelDir` is the level it builds on (run lines
// may name its files); empty: the folder beside the add-on whose name lacks
// the "_001". The causes come first, errors, then warnings, then
// information, each group in the order of the checks; each cause is followed
// by the findings that follow from it (an area the game cannot read, then
// its lines, the neighbours and the route it breaks, the control points it
// was to cover), which link to it (orderByCause). A file that cannot be read
// is a finding, never an exception.
std::vector<Finding> checkAddon(const std::string& addonDir, const std::string& levelDir = {});

// The rule for an area's name: empty when the script carries it as one
// word, else what is wrong with it.
std::string areaNameFault(const std::string& name);

} // namespace tw::check
