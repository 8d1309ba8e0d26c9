// The areas in progress, kept in the add-on folder so that closing the
// wizard half way loses nothing: every recorded area with its lines for the
// script, the neighbour step so far, the outlines and the map picture.
#pragma once

#include "platform/text.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tw::areas {

struct Outline {
    int left = 0, top = 0, right = 0, bottom = 0;  // map-view pixels
    int side = -1;
    std::string name;
    bool operator==(const Outline&) const = default;
};

struct AreasWork {
    std::string picture;  // the map picture's path, empty for none
    bool pictureFitted = false;  // shown in the level's combat area, not over the whole world
    Lines listEntries;    // the "Areas" list
    Lines createLines;    // each followed by a one-blank line
    std::deque<std::string> waiting;
    std::deque<Lines> params, vparams;
    std::deque<std::string> sides;
    Lines blocks;  // finished area blocks
    bool neighbourStep = false;
    Lines checkList;
    std::vector<bool> ticked;
    std::vector<Outline> outlines;
    std::vector<std::pair<std::string, Lines>> proposedNeighbours;
    bool operator==(const AreasWork&) const = default;
};

// The work file's name inside the add-on folder.
inline constexpr const char* kWorkFileName = "tarnwick-areas.txt";

std::string serialiseWork(const AreasWork& work);
// Nothing when the text is not a whole work file of this kind.
std::optional<AreasWork> parseWork(std::string_view text);

} // namespace tw::areas
