#include "areas/area_text.h"

#include "areas/area_name.h"

#include "platform/errors.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <sstream>

namespace tw::areas {
namespace {

constexpr int32_t kMaxMetres = 1 << 20;  // far beyond any map

[[noreturn]] void fail(size_t line, const std::string& what) {
    throw AppError("line " + std::to_string(line) + ": " + what);
}

std::optional<int32_t> whole(std::string_view text, int32_t limit) {
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < -limit || v > limit) return std::nullopt;
    return v;
}

std::optional<std::pair<int32_t, int32_t>> corner(const std::string& text) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const auto x = whole(std::string_view(text).substr(0, slash), kMaxMetres);
    const auto y = whole(std::string_view(text).substr(slash + 1), kMaxMetres);
    if (!x || !y) return std::nullopt;
    return std::pair{*x, *y};
}

} // namespace

std::vector<AreaSpec> parseAreaText(const Lines& lines) {
    std::vector<AreaSpec> areas;
    std::vector<size_t> lineOf;
    for (size_t n = 0; n < lines.size(); ++n) {
        const size_t number = n + 1;
        std::istringstream in(lines[n]);
        std::vector<std::string> f;
        for (std::string word; in >> word;) f.push_back(word);
        if (f.empty() || f[0][0] == '#') continue;
        if (f.size() < 6) fail(number, "expected <name> <x1>/<y1> <x2>/<y2> <priority> <kinds> <side> [neighbours]");
        AreaSpec a;
        a.name = f[0];
        Lines earlier;
        for (const AreaSpec& other : areas) earlier.push_back(other.name);
        if (const std::string problem = nameProblem(a.name, earlier); !problem.empty()) fail(number, problem);
        const auto c1 = corner(f[1]), c2 = corner(f[2]);
        if (!c1) fail(number, "not a corner in whole metres (x/y): " + f[1]);
        if (!c2) fail(number, "not a corner in whole metres (x/y): " + f[2]);
        if (c1->first == c2->first || c1->second == c2->second)
            fail(number, "the corners share a row or a column: " + f[1] + " " + f[2]);
        a.box.minX = std::min(c1->first, c2->first);
        a.box.maxX = std::max(c1->first, c2->first);
        a.box.minY = std::min(c1->second, c2->second);
        a.box.maxY = std::max(c1->second, c2->second);
        a.box.centerX = a.box.minX + (a.box.maxX - a.box.minX) / 2.0;
        a.box.centerY = a.box.minY + (a.box.maxY - a.box.minY) / 2.0;
        const auto priority = whole(f[3], std::numeric_limits<int32_t>::max());
        if (!priority) fail(number, "the priority is not a whole number: " + f[3]);
        a.priority = *priority;
        if (f[4] != "-") {
            std::istringstream kinds(f[4]);
            for (std::string k; std::getline(kinds, k, ',');) {
                const std::string kind = foldCase(k);
                if (kind == "base") a.kinds.base = true;
                else if (kind == "controlpoint") a.kinds.controlPoint = true;
                else if (kind == "strongpoint") a.kinds.strongPoint = true;
                else if (kind == "airfield") a.kinds.airfield = true;
                else if (kind == "flank") a.kinds.flank = true;
                else if (kind == "center") a.kinds.center = true;
                else if (kind == "car") a.light = true;
                else if (kind == "tank") a.heavy = true;
                else fail(number, "unknown kind: " + k);
            }
        }
        if (f[5] == "1" || f[5] == "2" || f[5] == "0") a.side = f[5][0] - '0';
        else if (f[5] != "-") fail(number, "the side is 1, 2, 0 or -: " + f[5]);
        a.neighbours.assign(f.begin() + 6, f.end());
        areas.push_back(std::move(a));
        lineOf.push_back(number);
    }
    for (size_t i = 0; i < areas.size(); ++i)
        for (std::string& neighbour : areas[i].neighbours) {
            const auto it = std::find_if(areas.begin(), areas.end(),
                                         [&](const AreaSpec& o) { return equalsIgnoreCase(o.name, neighbour); });
            if (it == areas.end()) fail(lineOf[i], "no area named " + neighbour);
            neighbour = it->name;
        }
    return areas;
}

} // namespace tw::areas
