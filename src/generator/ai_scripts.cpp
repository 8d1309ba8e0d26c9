#include "generator/ai_scripts.h"

#include "level/script.h"

#include <optional>

namespace tw::generator {
namespace {

const std::string kRule = "rem " + std::string(76, '-');

} // namespace

Lines aiCon(int32_t worldSize) {
    const std::string size = std::to_string(worldSize);
    Lines lines = {
        std::string("rem *** ai.con - RizU done by quorvin_tal....") + kHomepage,
        kRule + " ",
        "rem ************** LEVEL SPECIFIC AI SETTINGS ***************************",
        " ",
        "aiSettings.setWorldMapSize " + size + " " + size,
        "aiSettings.setViewDistance 500",
        "aiSettings.setInformationGridDimension 32",
        " ",
        "rem ********************** START THE AI *********************************",
        " ",
        "rem *** Init AI using current settings ****",
        "ai.init 2",
        " ",
        "rem *** init Botmanager ***",
        "AIBotManager.setLodLevelTicks 6 6 6",
        "AIBotManager.setLodLevelPriority 3 3 3",
        "AIBotManager.setPlannedDecisionMakingThreshold 0.5 0.5 0.5",
        "AIBotManager.setUnplannedDecisionMakingThreshold 0.3 0.4 0.4",
        "AIBotManager.setDecisionMakingInterleave 2 2",
        "AIBotManager.setSensingQuotient 1 1",
        "AIBotManager.setSystemQuotient 40 40 20",
        " ",
        "rem *** Strategic map dimension, MUST BE DONE BEFORE CREATING SAI! ***",
        "ai.saiMapXDimension 64",
        "ai.saiMapYDimension 64",
        " ",
        "rem *** Create Strategic AI ***",
        "ai.createSAI",
        " ",
        "rem *** Enabled or disabled as default ***",
        "ai.saiEnable 1",
        "game.showAIstats 0",
        "ai.showBotStats 0",
        " ",
        kRule,
        " ",
        "run AIPathFinding.con",
        " ",
        "run ai/StrategicAreas",
        " ",
        "rem *** Set strategies for each side ***",
        "run ai/conditions.con",
        "run ai/prerequisites.con",
        "run ai/Strategies.con",
        " ",
        kRule,
        " ",
    };
    for (const char* side : {"1", "2"}) {
        for (const char* strategy : {"west", "east", "south", "north", "wide", "finalPush", "breakOut"})
            lines.push_back(std::string("ai.addSAIStrategy ") + side + " " + strategy);
        if (side[0] == '1') lines.push_back(" ");
    }
    lines.push_back("");
    lines.push_back("ai.createallmaps");
    lines.push_back(kRule);
    return lines;
}

std::string pointOf(const std::string& value) {
    std::string point;
    bool copying = true;
    for (char c : value) {
        if (c == '/') {
            if (!copying) point.push_back('/');
            copying = !copying;
        } else if (copying) {
            point.push_back(c);
        }
    }
    return point;
}

SpawnRead readSpawnPoints(const Lines& spawnFile) {
    static const std::string keyword = "Object.absolutePosition";
    SpawnRead read;
    level::walkScript(spawnFile, [&](const level::ScriptLine& line, const level::ScriptVariables& variables) {
        const std::string& text = *line.text;
        std::optional<std::string> value;
        if (text.compare(0, keyword.size(), keyword) == 0) {
            // The value starts after the 24th character of the file's code
            // page, which in memory may take several UTF-8 bytes (a
            // non-breaking space, an accented letter, the euro sign).
            size_t at = keyword.size();
            if (at < text.size()) ++at;
            while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
            const std::string written = text.substr(at);
            std::string bare = written;
            while (!bare.empty() && (bare.back() == ' ' || bare.back() == '\t')) bare.pop_back();
            while (!bare.empty() && (bare.front() == ' ' || bare.front() == '\t')) bare.erase(0, 1);
            value = level::resolveArgument(bare, variables);
            if (value && *value == bare) value = written;  // no variable: the text as written
        } else if (level::isPositionCommand(line.command)) {
            value = level::resolveArgument(line.argument, variables);
        } else {
            return;
        }
        ++read.positionLines;
        std::string point = value ? pointOf(*value) : std::string();
        if (point.empty()) ++read.unresolved;
        else if (read.points.size() < kMaxSpawnPoints) read.points.push_back(std::move(point));
    });
    return read;
}

std::vector<std::string> spawnPoints(const Lines& spawnFile) { return readSpawnPoints(spawnFile).points; }

std::string seedlessMessage(const std::string& mapName, const std::string& soldierFile, const SpawnRead& soldiers,
                            const std::string& objectFile, const SpawnRead& objects, bool ships, bool landingCrafts,
                            const std::string& pathFindingFile) {
    const auto about = [&](const std::string& maps, bool several, const std::string& file, const SpawnRead& read) {
        std::string text = std::string(several ? "The search maps " : "The search map ") + maps +
                           (several ? " get" : " gets") + " no seed point: " + file;
        if (read.positionLines == 0) return text + " has no position line.\n";
        return text + " has " + std::to_string(read.positionLines) +
               (read.positionLines == 1 ? " position line, " : " position lines, ") + std::to_string(read.unresolved) +
               " of them could not be resolved (a variable not set earlier in the file, v_arg1, or an expression).\n";
    };
    std::string text;
    if (soldiers.points.empty()) text += about("Infantry1", false, soldierFile, soldiers);
    if (objects.points.empty()) {
        std::string maps = "Tank0";
        if (ships) maps += ", Boat2";
        if (landingCrafts) maps += ", LandingCraft3";
        maps += " and Car4";
        text += about(maps, true, objectFile, objects);
    }
    if (text.empty()) return text;
    return "The add-on of " + mapName + " is made, but some of its pathmaps have no seed point.\n" + text +
           "The game's pathmap generation spreads out from these points and blocks every place it does not reach, "
           "so the bots would stand still. Write the points into the ai.setMapSpawnPoints lines of " +
           pathFindingFile +
           " as x/z,x/z,... (the script editor opens it as AIPathfinding.con), or give the spawn file position "
           "lines with the numbers written out and start again.";
}

std::string infantrySpawnLine(const std::vector<std::string>& points) {
    std::string line = "ai.setMapSpawnPoints 1 ";
    for (const std::string& p : points) line += p + ",";
    line.pop_back();
    return line;
}

std::string vehicleSpawnList(const std::vector<std::string>& points) {
    std::string list;
    for (const std::string& p : points) list += p + ",";
    if (!list.empty()) list.pop_back();
    return list;
}

// The game numbers the search maps 0, 1, 2, ... in the order of their
// ai.addSearchMap lines; the digit in a map's name is only a name. Every
// type, seed and smoothing line names its map by that position.
Lines aiPathFinding(const std::string& infantryLine, const std::string& vehicleList, bool ships,
                    bool landingCrafts) {
    Lines lines = {
        "",
        "rem *** Set number of AStar resources ***",
        "ai.numAStarResources 10",
        "",
        "rem *** Tank ***",
        "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0",
        "ai.addSearchType Tank 0 0",
        "ai.setMapSpawnPoints 0 " + vehicleList,
        "",
        "rem *** Infantry ***",
        "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1",
        "ai.addSearchType Infantry 1 0",
        infantryLine,
        "",
    };
    int next = 2;  // the position of the next map declared
    if (ships) {
        const std::string n = std::to_string(next++);
        lines.insert(lines.end(), {"rem *** Boat ***", "ai.addSearchMap Boat2 1 8 30 125.0 0.3 2.5 0 2 5",
                                   "ai.addSearchType Boat " + n + " 2", "ai.setMapSpawnPoints " + n + " " + vehicleList,
                                   "ai.setSmoothing " + n + " 20", ""});
    }
    if (landingCrafts) {
        const std::string n = std::to_string(next++);
        lines.insert(lines.end(), {"rem *** LandingCraft ***", "ai.addSearchMap LandingCraft3 1 1.4 30 4.0 0.3 2.5 0 2 5",
                                   "ai.addSearchType LandingCraft " + n + " 2",
                                   "ai.setMapSpawnPoints " + n + " " + vehicleList, "ai.setSmoothing " + n + " 20", ""});
    }
    const std::string car = std::to_string(next);
    lines.insert(lines.end(), {"rem *** Car ***", "ai.addSearchMap Car4 0 0 20 4.0 0.3 2.5 0",
                               "ai.addSearchType Car " + car + " 0", "ai.setMapSpawnPoints " + car + " " + vehicleList,
                               "", "rem *** Load maps ***", "ai.loadMaps", "", "rem I hope that rizu fine...rezuveduv"});
    return lines;
}

} // namespace tw::generator
