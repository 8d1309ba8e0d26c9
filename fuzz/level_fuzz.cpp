// libFuzzer target: any bytes as each kind of level file (ai.con, Init.con,
// Init/Terrain.con, AIPathFinding.con, the control points and the pathmap
// declarations built on them). Reading must end in values, never in a crash,
// a hang or an exception; every line a reader names must be a line of the
// file.
#include "level/ai_con.h"
#include "level/control_points.h"
#include "level/pathfinding_con.h"
#include "level/terrain.h"
#include "pathmaps/declarations.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    const Lines lines = splitLines(decodeCp1252(std::string(reinterpret_cast<const char*>(data), size)));
    const auto inFile = [&](size_t line) {
        if (line < 1 || line > lines.size()) __builtin_trap();
    };
    const level::AiCon ai = level::readAiCon(lines);
    if (ai.worldMapSize) inFile(ai.worldMapSize->line);
    for (const auto& s : ai.strategies) inFile(s.line);
    for (const size_t line : ai.mapGeneration) inFile(line);
    for (const auto& r : ai.runs) inFile(r.line);
    if (const auto area = level::combatAreaOf(lines); area.line) inFile(area.line);
    if (const auto terrain = level::terrainOf(lines); terrain.worldSizeLine) inFile(terrain.worldSizeLine);
    for (const auto& l : level::readPathFinding(lines)) {
        inFile(l.line);
        (void)level::seedPointsOf(l);
        (void)level::mapNumberText(l);
    }
    (void)pathmaps::readDeclarations(lines);
    for (const auto& p : level::readControlPoints(lines, lines)) inFile(p.line);
    return 0;
}
