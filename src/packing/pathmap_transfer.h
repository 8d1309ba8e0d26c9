// Taking the pathmaps the game generated into the add-on: which files were
// copied, which were not and why, and what the user is told. No widgets, so
// the packing page and the command line share it.
#pragma once

#include <string>
#include <vector>

namespace tw::packing {

struct PathmapFailure {
    std::string name;    // the pathmap's file name
    std::string reason;  // the system's reason
};

struct PathmapTransfer {
    std::string from;                  // the game's pathmap folder, as given
    std::string to;                    // the add-on's Pathfinding folder, as given
    std::vector<std::string> found;    // the folder's "*.raw" files, sorted (what the list shows)
    std::vector<std::string> copied;   // in the order tried
    std::vector<PathmapFailure> failed;
    bool ok() const { return failed.empty() && !copied.empty(); }
};

// The game's pathmap folder and the add-on's: GamePath + "bf1942\levels\" +
// MapName + "\Pathfinding\" and AddonDir + "Pathfinding\", each joined with
// the separator that ends its folder (`fallback`'s when it is empty).
std::string gamePathmapFolder(const std::string& gamePath, const std::string& mapName, const std::string& fallback);
std::string addonPathmapFolder(const std::string& levelDir, const std::string& fallback);

// Lists `from` and copies every listed file but the five level-0 8-bit maps
// into `to`, which is made first when it is missing. Every file is tried;
// each copy appears whole or not at all. A pathmap folder that cannot be
// listed raises the framework's folder-change error, followed by a
// paragraph naming the folder and what to do.
PathmapTransfer transferPathmaps(const std::string& from, const std::string& to);
// Raises, naming the folder, when `to` is read-only by its mode bits.
void refuseReadOnlyTarget(const std::string& to);

// What the user is told afterwards: an error when anything was not copied
// (each file with its reason) or nothing was there to copy, else a short
// message naming the count, the folder and the next step.
struct TransferReport {
    bool failed = false;
    std::string text;
};
TransferReport transferReport(const PathmapTransfer& transfer);

} // namespace tw::packing
