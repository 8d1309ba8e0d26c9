// A level's script files as the game runs them: command words in any letter
// case after optional blanks, comments (rem lines, beginrem ... endrem
// blocks), conditional wrappers whose lines are read, and variables set by
// var/const lines and v_name = ... assignments. Used for the spawn positions
// and the control points, which community levels often give through
// variables.
#pragma once

#include "platform/text.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tw::generator {

// One command line of a script.
struct ScriptLine {
    size_t number = 0;      // 1-based line number in the file
    std::string command;    // the first word, as written
    std::string argument;   // the rest, without the blanks around it
    const std::string* text = nullptr;  // the whole line as read
};

// The variables set so far, by folded name.
using ScriptVariables = std::unordered_map<std::string, std::string>;

// Calls `each` for every command line of the file in order, with the
// variables as they stand at that line. Comments, empty lines, the
// if/elseif/else/endif/while/endwhile lines themselves and the lines that
// set variables are not passed on.
void walkScript(const Lines& lines, const std::function<void(const ScriptLine&, const ScriptVariables&)>& each);

// The text an argument stands for: the argument itself when it names no
// variable, a variable's value when it is exactly one known variable, and
// nothing when it cannot be resolved (an unknown variable, a script argument
// such as v_arg1, or an expression mixing variables with other text).
std::optional<std::string> resolveArgument(const std::string& argument, const ScriptVariables& variables);

// Whether the line is a position line ("Object.absolutePosition" in any
// letter case, after optional blanks or tabs).
bool isPositionCommand(const std::string& command);

// The words of a script line or argument, split at blanks and tabs.
Lines scriptWords(const std::string& text);

// A number as the scripts write it: the whole text must be one finite number.
// With `leadingPlus`, a "+" before it is taken too, as the game takes it in
// strategic-area lines.
std::optional<double> scriptNumber(std::string_view text, bool leadingPlus = false);

} // namespace tw::generator
