// The rule for an area's name: one word the script carries as it is, and no
// second area of the same name (letter case aside, as the game reads it).
#pragma once

#include "platform/text.h"

#include <string>

namespace tw::areas {

// Empty when `name` may be recorded beside `existing`; otherwise a message
// that names the problem and what to type instead. An empty name gives the
// properties box's own "Enter a valid name".
std::string nameProblem(const std::string& name, const Lines& existing);

} // namespace tw::areas
