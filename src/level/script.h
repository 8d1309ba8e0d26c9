// A level's script files as the game runs them: command words in any letter
// case after optional blanks or tabs, comments (rem lines, beginrem ...
// endrem blocks), conditional wrappers whose lines are read, and variables
// set by var/const lines and v_name = ... assignments. Every reader of a
// level file (ai.con, Init.con, Init/Terrain.con, AIPathFinding.con, the
// control points, StrategicAreas.con, the spawn files) walks its lines with
// these, so all of them split words, read numbers and pass over comments
// alike.
#pragma once

#include "platform/text.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tw::level {

// What a line's first word does to the comment state. The word counts in
// any letter case, and also with other text glued to it when the next
// character is no letter or digit ("rem***", "endrem---"): "remark" is a
// command, "rem" is not. A beginrem line opens a block that runs to the next
// line whose first word is endrem; the text after either word on its line is
// part of the comment.
enum class RemWord { None, Rem, BeginRem, EndRem };
RemWord remWordOf(std::string_view firstWord);

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

// A number as the scripts write it: the whole text must be one finite
// number, a "+" before it taken as the game takes it ("+5" is 5; "+-5",
// "5m", "" are no numbers).
std::optional<double> scriptNumber(std::string_view text);

// A whole number as the scripts write it ("04" is 4, "+2" is 2; "2.0", "2x"
// are none).
std::optional<int> scriptWhole(std::string_view text);

// "x/z" as two numbers, as the AI scripts write a point.
std::optional<std::pair<double, double>> scriptPair(std::string_view text);

// A run or include line of a script: "run <file> [arguments]".
struct RunLine {
    size_t line = 0;      // 1-based
    std::string command;  // "run" or "include", as written
    std::string target;   // the file named, as written ("" when none)
    // False after "console.useRelativePaths 0": the path then starts at the
    // game folder, not at the level.
    bool relative = true;
};
std::vector<RunLine> runLinesOf(const Lines& script);

} // namespace tw::level
