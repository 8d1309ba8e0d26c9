#include "level/script.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace tw::level {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool wordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

// "v_" or "c_" (any letter case) at the start of a name.
bool variablePrefix(std::string_view s, size_t at) {
    if (at + 2 > s.size() || s[at + 1] != '_') return false;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[at])));
    return (c == 'v' || c == 'c') && (at == 0 || (!wordChar(s[at - 1]) && s[at - 1] != '.'));
}

bool isVariableName(std::string_view s) {
    if (s.size() < 3 || !variablePrefix(s, 0)) return false;
    for (const char c : s)
        if (!wordChar(c)) return false;
    return true;
}

// v_arg1, v_arg2, ...: what the script was started with, unknown here.
bool isScriptArgument(const std::string& folded) {
    if (folded.size() <= 5 || folded.compare(0, 5, "v_arg") != 0) return false;
    for (size_t i = 5; i < folded.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(folded[i]))) return false;
    return true;
}

// "name = value" (the blanks around '=' optional): sets or forgets the
// variable. Returns false when the text is no assignment.
bool assign(const std::string& text, ScriptVariables& variables, bool declaration) {
    const size_t eq = text.find('=');
    const std::string name = trimmed(std::string_view(text).substr(0, eq));
    if (!isVariableName(name)) return false;
    const std::string key = foldCase(name);
    if (eq == std::string::npos) {
        if (!declaration) return false;
        variables.erase(key);  // declared without a value
        return true;
    }
    if (eq + 1 < text.size() && text[eq + 1] == '=') return false;  // a comparison
    const auto value = resolveArgument(trimmed(std::string_view(text).substr(eq + 1)), variables);
    if (value) variables[key] = *value;
    else variables.erase(key);
    return true;
}

} // namespace

void walkScript(const Lines& lines, const std::function<void(const ScriptLine&, const ScriptVariables&)>& each) {
    ScriptVariables variables;
    bool inRemBlock = false;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        size_t start = 0;
        while (start < line.size() && blank(line[start])) ++start;
        size_t end = start;
        while (end < line.size() && !blank(line[end])) ++end;
        if (end == start) continue;
        ScriptLine sl;
        sl.number = n + 1;
        sl.command = line.substr(start, end - start);
        sl.argument = trimmed(std::string_view(line).substr(end));
        sl.text = &line;
        const std::string key = foldCase(sl.command);
        const RemWord rem = remWordOf(key);
        if (inRemBlock) {
            if (rem == RemWord::EndRem) inRemBlock = false;
            continue;
        }
        if (rem == RemWord::BeginRem) {
            inRemBlock = true;
            continue;
        }
        if (rem != RemWord::None || key == "if" || key == "elseif" || key == "else" || key == "endif" ||
            key == "while" || key == "endwhile")
            continue;
        if (key == "var" || key == "const") {
            assign(sl.argument, variables, true);
            continue;
        }
        if (variablePrefix(key, 0) && assign(line.substr(start), variables, false)) continue;
        each(sl, variables);
    }
}

std::optional<std::string> resolveArgument(const std::string& argument, const ScriptVariables& variables) {
    if (isVariableName(argument)) {
        const std::string key = foldCase(argument);
        if (isScriptArgument(key)) return std::nullopt;
        const auto it = variables.find(key);
        if (it == variables.end()) return std::nullopt;
        return it->second;
    }
    for (size_t i = 0; i < argument.size(); ++i)
        if (variablePrefix(argument, i)) return std::nullopt;  // an expression with a variable in it
    return argument;
}

bool isPositionCommand(const std::string& command) { return equalsIgnoreCase(command, "Object.absolutePosition"); }

Lines scriptWords(const std::string& text) {
    Lines out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

namespace {
// The text without the "+" the game takes before a number; nothing when a
// sign follows it.
std::optional<std::string_view> unsigned_(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
    }
    return text;
}
} // namespace

std::optional<double> scriptNumber(std::string_view written) {
    const auto text = unsigned_(written);
    if (!text) return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || end != text->data() + text->size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> scriptWhole(std::string_view written) {
    const auto text = unsigned_(written);
    if (!text) return std::nullopt;
    int v = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return v;
}

std::optional<std::pair<double, double>> scriptPair(std::string_view text) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto a = scriptNumber(text.substr(0, slash)), b = scriptNumber(text.substr(slash + 1));
    if (!a || !b) return std::nullopt;
    return std::pair{*a, *b};
}

RemWord remWordOf(std::string_view word) {
    const auto is = [&](std::string_view w) {
        if (word.size() < w.size()) return false;
        for (size_t i = 0; i < w.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(word[i])) != w[i]) return false;
        return word.size() == w.size() || !std::isalnum(static_cast<unsigned char>(word[w.size()]));
    };
    if (is("rem")) return RemWord::Rem;
    if (is("beginrem")) return RemWord::BeginRem;
    if (is("endrem")) return RemWord::EndRem;
    return RemWord::None;
}

std::vector<RunLine> runLinesOf(const Lines& script) {
    std::vector<RunLine> out;
    bool relative = true;
    walkScript(script, [&](const ScriptLine& line, const ScriptVariables&) {
        const std::string key = foldCase(line.command);
        if (key == "console.userelativepaths") {
            relative = line.argument != "0";
            return;
        }
        if (key != "run" && key != "include") return;
        const Lines w = scriptWords(line.argument);
        out.push_back({line.number, line.command, w.empty() ? std::string() : w[0], relative});
    });
    return out;
}

} // namespace tw::level
