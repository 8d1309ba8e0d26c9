// The add-on's ai.con, read as the game runs it (level/script.h): the
// strategic map's size, the strategies added for each side, the line that
// makes the game generate the pathmaps, and the scripts it runs.
#pragma once

#include "level/script.h"

#include <optional>
#include <string>
#include <vector>

namespace tw::level {

struct AiCon {
    // The first "aiSettings.setWorldMapSize <n> <n>" line: the first number
    // as written (a caller decides which sizes it takes) and its line.
    struct WorldMapSize {
        std::string written;
        std::optional<double> value;
        size_t line = 0;
    };
    std::optional<WorldMapSize> worldMapSize;
    // "ai.addSAIStrategy <side> <strategy>" lines.
    struct Strategy {
        std::string side, name;
        size_t line = 0;
    };
    std::vector<Strategy> strategies;
    // Lines that are "ai.createallmaps" and nothing else (letter case and
    // blanks aside).
    std::vector<size_t> mapGeneration;
    std::vector<RunLine> runs;
};

AiCon readAiCon(const Lines& aiCon);

} // namespace tw::level
