// The network box's merged level folder across unpacks. Each unpack fills an
// empty folder, so no file of an earlier merge goes into the next archive;
// the earlier folder waits beside it, hidden, until the unpack has ended: a
// good unpack removes it, any other end (a failure, a stop, a wizard killed
// meanwhile) brings it back as it was.
#pragma once

#include <string>

namespace tw::packing {

// Whether `mapName` names a folder of its own (not empty, ".", ".." or a path).
bool isLevelName(const std::string& mapName);

// Before an unpack: sets the folder of `mapName` below `levelsFolder` (the
// Network folder's "bf1942/levels/") aside, in whatever letter case it has;
// where there is none, an empty folder aside marks that there was none.
// Returns what was set aside ("" for a name that is no level's). Raises a
// message (and changes nothing) when it cannot.
std::string setMergedFolderAside(const std::string& levelsFolder, const std::string& mapName);

// After that unpack has ended, with what setMergedFolderAside returned: keeps
// its folder and drops the earlier one when it succeeded; otherwise removes
// what it made and puts the earlier folder back.
void settleMergedFolder(const std::string& aside, bool succeeded);

// Puts back every earlier folder still set aside, as after a failed unpack,
// and finishes removals that were cut short. For the wizard's start and
// before each unpack, when no unpack of the box runs.
void restoreMergedFolders(const std::string& levelsFolder);

} // namespace tw::packing
