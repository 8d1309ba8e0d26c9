#include "intake/analysis.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/level_files.h"
#include "tools/scripts.h"

#include <filesystem>

namespace tw::intake {

WorldSize worldSizeOf(const Lines& terrain) {
    const auto has = [&](const char* line) {
        for (const std::string& l : terrain)
            if (equalsIgnoreCase(l, line)) return true;
        return false;
    };
    if (has("GeometryTemplate.worldSize 2048")) return {2048, 4};
    if (has("GeometryTemplate.worldSize 1024")) return {1024, 2};
    return {4096, 8};
}

std::string levelNameOf(const std::string& folder) {
    std::string trimmed = folder;
    if (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
    const size_t pos = trimmed.find_last_of("\\/");
    return pos == std::string::npos ? std::string() : trimmed.substr(pos + 1);
}

std::string withoutExtension(const std::string& name) {
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

bool isProgramFolder(const std::string& folder, const std::string& programDir) {
    const auto normal = [](std::string s) {
        for (char& c : s)
            if (c == '\\') c = '/';
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return foldCase(s);
    };
    if (normal(folder) == normal(programDir)) return true;
    std::error_code ec;
    return std::filesystem::equivalent(resolvePath(folder), resolvePath(programDir), ec);
}

std::string takeLevelFolder(state::Conversion& state, const std::string& initPath) {
    const std::string folder = folderOf(initPath);
    state.MapDir = folder;
    state.MapName = levelNameOf(folder);
    return folder;
}

void takeArchive(state::Conversion& state, const std::string& programDir, const std::string& archivePath) {
    const std::string name = nameOf(archivePath);
    // An archive that already lies in the program folder is unpacked where it
    // is: never copied onto itself, never deleted. A name the script cannot
    // carry is refused here, before anything is written or changed.
    const bool inProgramDir = isProgramFolder(folderOf(archivePath), programDir);
    const Lines script = scripts::mapUnpackScript(programDir, archivePath, inProgramDir);
    // The script copies the archive beside the program under its own name
    // and deletes that copy afterwards: a name the program folder already
    // uses (memory.bf, unpack.bat, the tools, an add-on archive) would lose
    // that file.
    if (!inProgramDir && pathExists(programDir + name))
        throw AppError("The archive's name " + name + " is taken in the program folder by " + programDir + name +
                       "; unpacking would replace and then delete it. Rename the archive and choose it again");
    scripts::saveScript(programDir + "unpack.bat", script, true);
    state.MapName = name;
    state.MapDir = levelDirIn(programDir, withoutExtension(name));
}

MapDisplays analyse(state::Conversion& state, const std::string& programDir, bool archiveMode,
                    const std::string& chosenInitFolder) {
    // Before a successful choice MapDir is empty and the file is looked
    // for in the current folder; the message then names it by its full path,
    // which on Windows goes on with the system's own separator.
    const char sep = state.MapDir.empty() && kNativeSeparator == '\\' ? kNativeSeparator
                                                                        : trailingSeparator(state.MapDir, programDir);
    const WorldSize world = worldSizeOf(readLevelLines(absolutePath(state.MapDir + "init" + sep + "terrain.con")));
    state.WorldSize = world.size;
    if (archiveMode) {
        state.MapName = withoutExtension(state.MapName);
        state.MapDir = levelDirIn(programDir, state.MapName);
    } else {
        state.MapDir = chosenInitFolder;
    }
    return displaysOf(state.MapDir, state.MapName, state.WorldSize, archiveMode, programDir);
}

MapDisplays displaysOf(const std::string& levelFolder, const std::string& mapName, int32_t worldSize,
                       bool archiveMode, const std::string& programDir) {
    const char programSep = trailingSeparator(programDir);
    MapDisplays d;
    d.levelFolder = levelFolder;
    d.worldSize = std::to_string(worldSize);
    d.archiveKind = archiveMode ? "Is - RFA" : "Non - RFA";
    d.basePath = "bf1942/levels/" + mapName;
    d.mapName = mapName;
    d.addonPlace = std::string("Tarnwick") + programSep + "bf1942" + programSep + "levels" + programSep + mapName + "_001";
    return d;
}

} // namespace tw::intake
