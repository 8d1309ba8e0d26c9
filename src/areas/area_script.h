// Strategic areas: the world-metre rectangle of two corner points, the lines
// each area contributes, and the layout of StrategicAreas.con.
#pragma once

#include "areas/area.h"
#include "platform/text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tw::areas {

// The rectangle of the two corner points, or nothing when they share a row
// or a column. Pixel column x is X = x * scale; pixel row y is
// Y = worldSize - y * scale.
std::optional<AreaBox> areaOf(int gx, int gy, int rx, int ry, int32_t worldSize, int32_t worldScale);

// Numbers as the scripts write them: whole numbers in plain digits, other
// values in the shortest form with up to 15 significant digits.
std::string numberText(double value);

std::string listEntry(const std::string& name, const AreaBox& box, int32_t priority);
std::string createLine(const std::string& name, const AreaBox& box, int32_t priority);

// One line per ticked kind, always in the order Base, ControlPoint,
// StrongPoint, airfield, flank, center.
Lines kindLines(const Kinds& kinds);
// Infantry always, then Car (light vehicles), then Tank (heavy vehicles), at
// ten metres south-west of the centre.
Lines orderLines(double centerX, double centerY, bool light, bool heavy);
// "aiStrategicArea.setSide 0|1|2", or empty when no side was chosen (-1).
std::string sideLine(int side);

// One area's block for the neighbour step.
Lines areaBlock(const std::string& name, const Lines& neighbours, const Lines& kinds, const Lines& orders,
                const std::string& side);

// The first line of StrategicAreas.con.
std::string creditLine();

// The whole script: the credit line, the create lines (each followed by a
// one-blank line), an empty and two one-blank lines, the area blocks, and an
// empty last line.
Lines strategicAreasCon(const Lines& createLines, const Lines& blocks);

} // namespace tw::areas
