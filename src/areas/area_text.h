// Areas described in plain text, one area a line, for writing
// StrategicAreas.con without the window:
//
//   <name> <x1>/<y1> <x2>/<y2> <priority> <kinds> <side> [<neighbour> ...]
//
// Two opposite corners in world metres (whole numbers, X east, Y north);
// kinds a comma-separated list of Base, ControlPoint, StrongPoint, Airfield,
// Flank, Center and the vehicle classes Car and Tank (any letter case), or
// "-" for none; side 1, 2, 0 (neutral) or "-" for none; neighbours by name.
// Blank lines and lines starting with '#' are passed over.
#pragma once

#include "areas/proposals.h"

namespace tw::areas {

// Raises an error naming the line ("line 3: ...") for the first bad line.
std::vector<AreaSpec> parseAreaText(const Lines& lines);

} // namespace tw::areas
