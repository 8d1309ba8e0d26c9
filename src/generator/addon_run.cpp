#include "generator/addon_run.h"

#include "generator/ai_scripts.h"
#include "generator/game_scripts.h"
#include "platform/files.h"
#include "platform/level_files.h"

#include <algorithm>

namespace tw::generator {

const Lines& editableScripts() {
    static const Lines entries = {
        "AI.con",
        "AIPathfinding.con",
        "COOP.con",
        "SinglePlayerAllied.con",
        "SinglePlayerAxis.con",
        "AI/Conditions.con",
        "AI/Prerequisites.con",
        "AI/Strategies.con",
        "AI/StrategicAreas.con",
        "GameTypes/COOP.con",
        "Singleplayer/Bots.con",
        "Singleplayer/ControlPoints.con",
        "Singleplayer/ControlpointTemplates.con",
        "Singleplayer/ObjectSpawns.con",
        "Singleplayer/ObjectSpawnTemplates.con",
        "Singleplayer/SoldierSpawns.con",
        "Singleplayer/SoldierSpawnTemplates.con",
        "Singleplayer/SpawnPointManagerSettings.con",
        "Singleplayer/Skirmish.con",
    };
    return entries;
}

AddonRunResult runAddon(state::Conversion& state, const std::string& programDir, const AddonRunHooks& hooks) {
    const char sep = trailingSeparator(programDir);
    const std::string addon = addonDir(programDir, state);

    // 1-2: the add-on folder is the conversion's from now on; the map's
    // folder stays what the map's choice made it.
    state.AddonDir = addon;
    const std::string& level = state.AddonDir;
    // A script the user changed and chose to keep is not written again.
    const auto kept = [&](const std::string& entry) { return hooks.keep && hooks.keep(entry); };
    const auto write = [&](const std::string& entry, const Lines& lines, bool finalLineEnd) {
        if (kept(entry)) return;
        std::string path = level + entry;
        std::replace(path.begin() + static_cast<long>(level.size()), path.end(), '/', sep);
        writeLines(path, lines, finalLineEnd);
    };

    // 3-6: the add-on folder and its sub-folders.
    const FolderChangesKept folderChanges;
    changeFolder(programDir + "bf1942" + sep + "levels" + sep);
    createFolder(state.MapName + "_001");
    changeFolder(level);
    for (const char* folder : {"GameTypes", "AI", "SinglePlayer", "Pathfinding"}) createFolder(folder);

    // 7-9: ai.con, the status file, the game-mode and single-player scripts.
    write("ai.con", aiCon(state.WorldSize), true);
    writeLines(programDir + "temp" + sep + "stats.bf", {std::to_string(state.WorldSize), level}, true);
    write("Coop.con", coopCon(), true);
    write("Gametypes/Coop.con", gameTypesCoopCon(), true);
    write("SinglePlayerAllied.con", singlePlayerCon(), true);
    write("SinglePlayerAxis.con", singlePlayerCon(), true);
    write("Singleplayer/Bots.con", botsCon(), false);
    write("Singleplayer/Skirmish.con", skirmishCon(), true);

    // 10: the map's conquest files, byte for byte; failures are not looked at.
    const char mapSep = trailingSeparator(state.MapDir, programDir);
    for (const char* name : {"ControlPoints.con", "ControlPointTemplates.con", "ObjectSpawns.con",
                             "ObjectSpawnTemplates.con", "SoldierSpawns.con", "SoldierSpawnTemplates.con",
                             "spawnPointManagerSettings.con"})
        if (!kept(std::string("Singleplayer/") + name))
            copyFile(state.MapDir + "conquest" + mapSep + name, level + "Singleplayer" + sep + name);

    // 11: the AI templates, as text.
    for (const char* name : {"conditions.con", "strategies.con", "prerequisites.con"})
        if (!kept(std::string("AI/") + name))
            writeLines(level + "AI" + sep + name, readLines(programDir + "temp" + sep + "con files" + sep + name), true);

    // 12-13: the spawn points and AIPathFinding.con.
    const std::string soldierFile = level + "Singleplayer" + sep + "SoldierSpawns.con";
    const std::string objectFile = level + "Singleplayer" + sep + "ObjectSpawns.con";
    const SpawnRead soldiers = readSpawnPoints(readLevelLines(level + "singleplayer/soldierspawns.con"));
    const SpawnRead objects = readSpawnPoints(readLevelLines(level + "singleplayer/ObjectSpawns.con"));
    const std::string infantrySpawns = infantrySpawnLine(soldiers.points);
    const std::string vehicleSpawns = vehicleSpawnList(objects.points);
    const auto [ships, landingCrafts] = hooks.readVehicleBoxes ? hooks.readVehicleBoxes() : std::pair{false, false};
    write("AIPathFinding.con", aiPathFinding(infantrySpawns, vehicleSpawns, ships, landingCrafts), true);

    // 14-15: the editor's list, and an empty strategic-area script.
    if (hooks.fillScriptList) hooks.fillScriptList(editableScripts());
    if (!kept("AI/StrategicAreas.con")) writeBytes(level + "AI" + sep + "StrategicAreas.con", "");
    return {seedlessMessage(state.MapName, soldierFile, soldiers, objectFile, objects, ships, landingCrafts,
                            level + "AIPathFinding.con")};
}

} // namespace tw::generator
