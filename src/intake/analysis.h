// Map intake rules: where a chosen map's level folder is, what it is called,
// and its world size.
#pragma once

#include "state/conversion.h"
#include "platform/text.h"

#include <cstdint>
#include <string>

namespace tw::intake {

struct WorldSize {
    int32_t size;
    int32_t scale;  // metres per pixel of the 512 x 512 map view
};

// Whole-line, case-blind search, nothing trimmed: the 2048 line wins over the
// 1024 line; without either the world is 4096 metres.
WorldSize worldSizeOf(const Lines& terrain);

// The name of a level folder given with its trailing separator: the text
// after the last '\' or '/' once that separator is removed (empty for a
// drive root).
std::string levelNameOf(const std::string& folder);

// The text less its last four characters (the archive's extension).
std::string withoutExtension(const std::string& name);

// Whether `folder` is ProgramDir itself (letter case and separators aside, or
// the same folder on disk).
bool isProgramFolder(const std::string& folder, const std::string& programDir);

// What the map analysis shows on the Stats page and the packing page.
struct MapDisplays {
    std::string levelFolder;  // "Pfad:"
    std::string worldSize;    // "Worldsize:"
    std::string basePath;     // "Basepath:", also the packing page's base path
    std::string archiveKind;  // "RFA ?:"
    std::string mapName;      // the packing page's "Name: "
    std::string addonPlace;   // where the add-on folder lies
};

// The displays of an analysed map: its level folder, name, world size and
// whether it came as an archive.
MapDisplays displaysOf(const std::string& levelFolder, const std::string& mapName, int32_t worldSize,
                       bool archiveMode, const std::string& programDir);

// Folder mode: the chosen init.con sets MapDir to its folder and MapName to
// that folder's name; returns the folder.
std::string takeLevelFolder(state::Conversion& state, const std::string& initPath);

// Archive mode: MapName becomes the archive's file name, unpack.bat is
// written into ProgramDir (copy, unpack, delete), and MapDir names the
// folder the unpacking yields. Starting the script is the caller's part.
void takeArchive(state::Conversion& state, const std::string& programDir, const std::string& archivePath);

// "OK": reads the world size from MapDir's init\terrain.con (a failure
// changes nothing), then settles MapName and MapDir for the later steps.
MapDisplays analyse(state::Conversion& state, const std::string& programDir, bool archiveMode,
                    const std::string& chosenInitFolder);

} // namespace tw::intake
