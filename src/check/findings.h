// What the add-on's check finds: each finding with its severity, a short
// code, a message that says what to do, and its place (a file and line of
// the add-on, or a position in the world).
#pragma once

#include "pathmaps/findings.h"

#include <optional>
#include <string>
#include <vector>

namespace tw::check {

// Error: the game will misbehave; Warning: it probably will; Information:
// worth knowing. The same scale as the pathmaps' own findings.
using pathmaps::Severity;
using pathmaps::severityName;  // "error", "warning", "information"

struct WorldPosition {
    double x = 0, z = 0;  // metres east and north of the south-west corner
    bool operator==(const WorldPosition&) const = default;
};

struct Finding {
    Severity severity = Severity::Information;
    std::string code;     // short and stable, e.g. "area-name-duplicate"
    std::string message;  // plain English, ending with what to do
    std::string file;     // relative to the add-on folder, '/' separated; empty: none
    size_t line = 0;      // 1-based; 0: the whole file
    std::optional<WorldPosition> at;
    std::string area;     // the area concerned, for going to it
    std::string pathmap;  // the search map concerned, for opening its pathmaps
    bool operator==(const Finding&) const = default;
};

// The place as one word: "file:line", "file", "x/z", or "-".
std::string placeText(const Finding& finding);

// One line: "severity code place message".
std::string findingLine(const Finding& finding);

size_t countOf(const std::vector<Finding>& findings, Severity severity);

} // namespace tw::check
