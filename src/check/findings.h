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
    // The finding this one follows from (an area the game cannot read, hence
    // its unknown neighbours ...): its index in the same list; none: a cause.
    std::optional<size_t> cause;
    bool operator==(const Finding&) const = default;
};

// The place as one word: "file:line", "file", "x/z", or "-".
std::string placeText(const Finding& finding);

// One line: "severity code place message".
std::string findingLine(const Finding& finding);

size_t countOf(const std::vector<Finding>& findings, Severity severity);

// Puts the causes first, errors before warnings before information (each
// severity in the order given), each cause followed at once by the findings
// that follow from it, in their order; the cause links are renumbered to the
// new places. A link to a finding that follows from another goes to the one
// that starts the chain; a link to itself, out of range, in a ring, or to a
// milder cause (a warning for an error) is dropped.
void orderByCause(std::vector<Finding>& findings);

// The findings that follow from findings[index] (directly or not).
size_t consequencesOf(const std::vector<Finding>& findings, size_t index);

} // namespace tw::check
