// Packing-page rules: the saved packing state, the pathmap-generation line of
// ai.con and which generated pathmaps go into the add-on.
#pragma once

#include "state/conversion.h"
#include "platform/services.h"
#include "platform/text.h"

#include <string>
#include <vector>

namespace tw::packing {

// temp\pathf.bf: AddonDir, GamePath, PackTarget, MapName.
Lines packingStateLines(const state::Conversion& state);
// Restores the four values; a missing line gives an empty value.
void restorePackingState(state::Conversion& state, const Lines& lines);

// Removes the first line that is "ai.createallmaps" (letter case aside,
// nothing trimmed); true when one was removed.
bool removeMapGeneration(Lines& aiCon);

// The level-0 8-bit pathmaps are never taken into the add-on (exact names).
bool isSkippedPathmap(const std::string& name);

// The game's own folder for level archives, Mods/bf1942/Archives/bf1942/levels/
// below `gamePath` (letter case aside), as the file system spells it and
// ending in '/'; empty when the game folder holds none.
std::string gameLevelArchives(const std::string& gamePath);

// Where the game-folder dialog opens at first: the game's folder in the Wine
// prefix (`winePrefix`, else home + "/.wine"), "drive_c/Program Files
// (x86)/EA GAMES/Battlefield 1942/" or the same below "Program Files/",
// letter case aside; else that prefix's drive_c; ending in '/'. Empty when
// there is no prefix: the dialog hides the prefix's folder, named with a dot.
std::string wineGameFolder(const std::string& home, const std::string& winePrefix);

// What "Pack" says at its end: "Done", then the archive's name and its
// folder, where the game is to find it.
std::string packedMessage(const std::string& archive);

// A failure's own message as its first line (with its period), then a
// paragraph that names the file or folder and says what to do next.
std::string explained(const std::string& message, const std::string& nextStep);

// The ordinary "*.raw" files of a folder (extension letter case aside; no
// folders, no hidden files), sorted by name. A folder that cannot be listed
// raises the input/output error of a folder change.
std::vector<std::string> pathmapFiles(const std::string& folder);

// The first packing's target as the stem ".rfa" is added to: a chosen name
// that ends in ".rfa" (letter case aside) loses it, any other stays whole.
std::string archiveStem(const std::string& chosen);

// Whether the first packing may put its archive at `archive`: yes when
// nothing lies there; otherwise the user is asked, and "Replace it" first
// copies the archive to a free name beside it ("<archive>.bak").
bool mayReplaceArchive(Messages& messages, const std::string& archive);

// A first packing to `packTarget` (without ".rfa") whose end was never
// recorded, Tarnwick having been ended while it ran or just after: when the
// copy of the archive it replaced lies beside the target, what it is and
// what to do; else "".
std::string unfinishedFirstPacking(const std::string& packTarget);

} // namespace tw::packing
