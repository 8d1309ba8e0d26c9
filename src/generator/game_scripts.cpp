#include "generator/game_scripts.h"

namespace tw::generator {
namespace {

Lines setUpLines(const char* ticketLoss) {
    return {"Game.setNumberOfTickets 1 100",
            "Game.setNumberOfTickets 2 105",
            std::string("Game.setTicketLostPerMin 1 ") + ticketLoss,
            std::string("Game.setTicketLostPerMin 2 ") + ticketLoss,
            " ",
            "run SinglePlayer/SoldierSpawnTemplates",
            "run SinglePlayer/SoldierSpawns",
            "run SinglePlayer/SpawnpointManagerSettings",
            "run SinglePlayer/ObjectSpawnTemplates",
            "run SinglePlayer/ControlPointTemplates"};
}

Lines coopHead() {
    Lines lines = setUpLines("10");
    lines.push_back("rem *** Always spawn immediatly in singleplayer missions!");
    lines.push_back("");
    return lines;
}

Lines nameScript(const char* britishNames) {
    return {"console.useRelativePaths 0", std::string("run bf1942/game/common/") + britishNames,
            "run bf1942/game/common/germannames", "console.useRelativePaths 1"};
}

} // namespace

Lines coopCon() {
    Lines lines = coopHead();
    lines.insert(lines.end(), {"if v_arg1 == host", "run ai", "run SinglePlayer/ObjectSpawns",
                               "run SinglePlayer/ControlPoints", "endIf"});
    return lines;
}

Lines gameTypesCoopCon() {
    Lines lines = coopHead();
    lines.insert(lines.end(), {"if v_arg1== host", "run ai", "run SinglePlayer/ObjectSpawns v_arg1",
                               "run SinglePlayer/ControlPoints v_arg1", "endif"});
    return lines;
}

Lines singlePlayerCon() {
    Lines lines = setUpLines("7");
    lines.insert(lines.end(), {" ", "game.maxNrofPlayers 18", " ", "rem " + std::string(76, '-'), "run ai",
                               "run SinglePlayer/ObjectSpawns", "run SinglePlayer/ControlPoints",
                               "game.timeToNextWave 20"});
    return lines;
}

Lines botsCon() { return nameScript("Britishnames"); }

Lines skirmishCon() { return nameScript("britishnames"); }

} // namespace tw::generator
