#include "areas/area_name.h"

namespace tw::areas {
namespace {

// The whole UTF-8 character that starts at `at`.
std::string characterAt(const std::string& text, size_t at) {
    size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return text.substr(at, end - at);
}

} // namespace

std::string nameProblem(const std::string& name, const Lines& existing) {
    if (name.empty()) return "Enter a valid name";
    // The script splits its lines at blanks and reads its text in the
    // Windows code page: a name is letters, digits, '_', '-' and '.' of
    // plain ASCII, so that it reads the same everywhere.
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == ' ' || c == '\t')
            return "The name \"" + name + "\" holds a blank, and the game would read it as several words. "
                   "Join the words, for example with '_'.";
        if (!(std::isalnum(u) && u < 0x80) && c != '_' && c != '-' && c != '.')
            return "The name \"" + name + "\" holds the character '" + characterAt(name, i) +
                   "', which the script cannot carry. Use letters (A-Z), digits, '_', '-' and '.'.";
    }
    for (const std::string& other : existing)
        if (equalsIgnoreCase(other, name))
            return "An area named \"" + other + "\" is recorded already. Give this one a name "
                   "of its own.";
    return {};
}

} // namespace tw::areas
