#include "level/terrain.h"

#include "level/script.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tw::level {
namespace {

// Calls `take` with the words and the line of every command line the game
// reads (level/script.h).
template <typename Take>
void forEachCommand(const Lines& lines, Take take) {
    walkScript(lines, [&](const ScriptLine& line, const ScriptVariables&) {
        Lines t = scriptWords(line.argument);
        t.insert(t.begin(), line.command);
        take(t, line.number);
    });
}

std::string where(size_t line) { return "line " + std::to_string(line) + ": "; }

// A game path ("bf1942\levels\<Level>\Textures\Tx") as a path inside the
// level folder ("Textures/Tx"). Nothing for a path that leaves it.
std::optional<std::string> inLevel(std::string_view gamePath) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : gamePath) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    size_t from = 0;
    for (size_t i = 0; i + 2 < parts.size(); ++i)
        if (equalsIgnoreCase(parts[i], "levels")) from = i + 2;
    if (from >= parts.size()) return std::nullopt;
    std::string out;
    for (size_t i = from; i < parts.size(); ++i) {
        if (parts[i] == ".." || parts[i] == "." || parts[i].find(':') != std::string::npos) return std::nullopt;
        out += (out.empty() ? "" : "/") + parts[i];
    }
    return out;
}

} // namespace

CombatAreaLine combatAreaOf(const Lines& initCon) {
    CombatAreaLine result;
    forEachCommand(initCon, [&](const Lines& t, size_t line) {
        if (!equalsIgnoreCase(t[0], "game.setActiveCombatArea")) return;
        std::optional<double> v[4];
        for (size_t i = 0; i < 4; ++i) v[i] = t.size() == 5 ? scriptNumber(t[i + 1]) : std::nullopt;
        if (!v[0] || !v[1] || !v[2] || !v[3]) {
            result = {std::nullopt, where(line) + "Game.setActiveCombatArea needs four numbers: minX minZ sizeX sizeZ",
                      line};
            return;
        }
        result = {WorldRect{*v[0], *v[1], *v[0] + *v[2], *v[1] + *v[3]}, "", line};
    });
    return result;
}

std::optional<std::string> combatAreaFault(const WorldRect& a, int worldSize) {
    if (!(a.width() > 0) || !(a.height() > 0)) return "it has no size";
    if (a.maxX <= 0 || a.maxZ <= 0 || a.minX >= worldSize || a.minZ >= worldSize)
        return "it lies outside the " + std::to_string(worldSize) + " m world";
    return std::nullopt;
}

TerrainSettings terrainOf(const Lines& terrainCon) {
    TerrainSettings s;
    forEachCommand(terrainCon, [&](const Lines& t, size_t line) {
        const std::string& word = t[0];
        constexpr std::string_view kPrefix = "geometryTemplate.";
        if (word.size() <= kPrefix.size() || !equalsIgnoreCase(word.substr(0, kPrefix.size()), kPrefix)) return;
        const std::string key = foldCase(word.substr(kPrefix.size()));
        if (t.size() < 2) return;
        const auto number = [&](auto set) {
            const auto v = scriptNumber(t[1]);
            if (!v) s.problems.push_back(where(line) + word + " needs a number, not \"" + t[1] + "\"");
            else set(*v);
        };
        const auto path = [&](auto set) {
            const auto p = inLevel(t[1]);
            if (!p) s.problems.push_back(where(line) + word + " " + t[1] + " lies outside the level folder");
            else set(*p);
        };
        if (key == "worldsize") {
            s.declaredWorldSize = scriptNumber(t[1]);
            s.worldSizeLine = line;
            number([&](double v) {
                if (v == 1024 || v == 2048 || v == 4096 || (v >= 256 && v <= 16384 && v == std::floor(v)))
                    s.worldSize = static_cast<int>(v);
                else
                    s.problems.push_back(where(line) + "a world of " + t[1] + " m cannot be shown");
            });
        } else if (key == "yscale") {
            number([&](double v) { s.yScale = v; });
        } else if (key == "waterlevel") {
            number([&](double v) { s.waterLevel = v; });
        } else if (key == "texoffsetx") {
            number([&](double v) { s.texOffsetX = static_cast<int>(std::clamp(v, -64.0, 64.0)); });
        } else if (key == "texoffsety") {
            number([&](double v) { s.texOffsetY = static_cast<int>(std::clamp(v, -64.0, 64.0)); });
        } else if (key == "file") {
            path([&](const std::string& p) { s.heightmap = p + ".raw"; });
        } else if (key == "texbasename") {
            path([&](const std::string& p) {
                const size_t slash = p.rfind('/');
                s.tileFolder = slash == std::string::npos ? "" : p.substr(0, slash + 1);
                s.tilePrefix = slash == std::string::npos ? p : p.substr(slash + 1);
            });
        }
    });
    return s;
}

std::optional<Heightmap> Heightmap::read(std::string_view bytes, int worldSize, double yScale, std::string& problem) {
    const size_t samples = bytes.size() / 2;
    const auto side = static_cast<size_t>(std::llround(std::sqrt(static_cast<double>(samples))));
    if (bytes.empty() || bytes.size() % 2 != 0 || side * side != samples || side < 2) {
        problem = std::to_string(bytes.size()) + " bytes are no square of 16-bit samples";
        return std::nullopt;
    }
    Heightmap h;
    h.side_ = static_cast<int>(side);
    h.spacing_ = static_cast<double>(worldSize) / static_cast<double>(side);
    h.scale_ = 256.0 * yScale / 65535.0;
    h.samples_.resize(samples);
    for (size_t i = 0; i < samples; ++i)
        h.samples_[i] = static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                              static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return h;
}

double Heightmap::at(int col, int row) const {
    col = std::clamp(col, 0, side_ - 1);
    row = std::clamp(row, 0, side_ - 1);
    return samples_[static_cast<size_t>(row) * static_cast<size_t>(side_) + static_cast<size_t>(col)] * scale_;
}

double Heightmap::heightAt(double x, double z) const {
    // Sample (c, r) stands for the square [c, c + 1) x [r, r + 1) of spacing.
    const double fx = x / spacing_ - 0.5, fz = z / spacing_ - 0.5;
    const int c = static_cast<int>(std::floor(fx)), r = static_cast<int>(std::floor(fz));
    const double ax = fx - c, az = fz - r;
    return (at(c, r) * (1 - ax) + at(c + 1, r) * ax) * (1 - az) + (at(c, r + 1) * (1 - ax) + at(c + 1, r + 1) * ax) * az;
}

double Heightmap::slopeAt(int col, int row) const {
    const double gx = (at(col + 1, row) - at(col - 1, row)) / (2 * spacing_);
    const double gz = (at(col, row + 1) - at(col, row - 1)) / (2 * spacing_);
    return std::atan(std::sqrt(gx * gx + gz * gz)) * 180.0 / 3.14159265358979323846;
}

} // namespace tw::level
