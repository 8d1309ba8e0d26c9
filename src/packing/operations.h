// The packing page's long steps as operations apart from the window: the
// first packing, the pathmap transfer, the final packing and the network
// merge. Each has a check that names what stands in its way (nothing
// written), a start that writes what its batch needs, and an end that looks
// at what the batch made and finishes the step. The page and tarnwick-cli
// call the same operations; each runs the batches its own way (the page in
// console windows, the command as a child process it waits for).
#pragma once

#include "check/findings.h"
#include "packing/pathmap_transfer.h"
#include "platform/files.h"
#include "platform/text.h"
#include "state/conversion.h"

#include <optional>
#include <string>
#include <vector>

namespace tw::packing {

// Problems: what stands in the way of a step, each an error finding whose
// message says what to do (and that nothing was written); empty when the
// step may go on. The codes are short and stable, for tests and scripts.
using Problems = std::vector<check::Finding>;

// The one rule for a step's problems: an error among them refuses the step.
// The refusal's text is every error's message, one a line, in their order;
// "" when nothing refuses. The window shows it in a message box, tarnwick-cli
// prints it.
std::string refusalText(const Problems& problems);
// Raises refusalText() when it is not "".
void refuseOnProblems(const Problems& problems);

// Packing and the pathmaps it takes share pack.bat and the add-on folder.
inline constexpr const char* kPackingAlready = "The add-on is being packed already; wait until that has finished.";

// Where an archive is to be written (`archive`, ".rfa" included): its
// folder must exist and be writable, and a file already there must be an
// ordinary, writable file. Read-only is told from the mode bits.
Problems archivePlaceProblems(const std::string& archive);
// The same without the folder's existence (the batch or the copy tells of a
// missing one): a read-only folder, or a thing at `archive` that is no file
// or is read-only. The first and the final packing check this before
// anything is started.
Problems readOnlyPlaceProblems(const std::string& archive);

// ---- First packing: pack.bat packs the add-on folder into ProgramDir and
// copies the archive to PackTarget + ".rfa"; once both exist the state is
// saved for the pathmap transfer.

Problems firstPackingProblems(const state::Conversion& state);
// A target (the stem ".rfa" is added to) whose name the batch lines cannot
// carry, or whose place is read-only (readOnlyPlaceProblems).
Problems firstPackingTargetProblems(const std::string& programDir, const state::Conversion& state,
                                    const std::string& packTarget);
// Sets PackTarget to `packTarget` and writes pack.bat, which the caller
// starts in ProgramDir.
void startFirstPacking(const std::string& programDir, state::Conversion& state, const std::string& packTarget);
enum class FirstPackingProgress { Waiting, Packed, Copied };
FirstPackingProgress firstPackingProgress(const std::string& programDir, const state::Conversion& state);
// Both archives are there: saves the state (temp/pathf.bf and the add-on's
// conversion record).
void endFirstPacking(const std::string& programDir, state::Conversion& state);
// The message when pack.bat has ended without making both archives.
std::string firstPackingNotMade(const std::string& programDir, const state::Conversion& state);

// ---- Pathmap transfer.

std::string packingStateFile(const std::string& programDir);  // ProgramDir + "temp/pathf.bf"
// Restores AddonDir, GamePath, PackTarget and MapName from the saved state;
// a missing file raises the file-open error and changes nothing.
void restorePackingState(const std::string& programDir, state::Conversion& state);
// Removes "ai.createallmaps" from the add-on's ai.con, then copies the
// game's pathmaps into the add-on's Pathfinding folder (transferPathmaps).
// Raises the file errors of ai.con and of the pathmap folder; each copy that
// fails is in the result. When every copy succeeded, the add-on's
// conversion record notes the transfer and the pathmaps found.
PathmapTransfer takePathmaps(const std::string& programDir, state::Conversion& state);

// ---- Final packing: pack.bat as the first packing left it (or as
// writePackScript writes it) packs the add-on with its pathmaps again.

std::string packedArchive(const std::string& programDir, const state::Conversion& state);  // ProgramDir + PackName + ".rfa"
// No target known yet, or a target that cannot be written.
Problems finalPackingProblems(const state::Conversion& state);
// After a transfer that left pathmaps behind (the add-on's record names
// them): what packing now would miss, naming them; "" otherwise. A later
// transfer that copies everything clears it.
std::string staleTransfer(const state::Conversion& state);
// pack.bat for the state's map and target (for a packing to another target).
void writePackScript(const std::string& programDir, const state::Conversion& state);
// The archive an earlier packing left in ProgramDir, taken before pack.bat
// starts, so that its end can tell a new archive from it.
std::optional<FileIdentity> startFinalPacking(const std::string& programDir, const state::Conversion& state);
// After pack.bat has ended: raises a message when the run failed or made no
// new archive. The caller then copies packedArchive() to PackTarget + ".rfa"
// (only the end of the run tells that the archive is complete, so the copy
// cannot meet a half-written file or the batch's own copy).
void checkFinalPacking(const std::string& programDir, const state::Conversion& state, bool succeeded,
                       const std::optional<FileIdentity>& before);
// The new archive is at its target: the add-on's conversion record notes it.
void endFinalPacking(const std::string& programDir, state::Conversion& state);

// ---- Network merge: both archives are unpacked into one level folder
// below Network/, which is packed in place of the map archive.

struct MergeOrder {
    std::string mapArchive, mapName, addonArchive, addonName, backup;
    bool deleteAddon = false, backupAddon = false;
    bool networkFix = false;             // "Addon from older Tarnwick version, fix network-bug"
    std::vector<std::string> expected;   // entry keys of both archives, filled by archiveProblems
};
std::string networkDir(const std::string& programDir);
// Before unpacking: an archive not chosen or not there, or a copy of one in
// the Network folder in the way.
Problems unpackProblems(const std::string& programDir, const MergeOrder& order);
// Writes Network/unpack.bat and sets the earlier merged folder aside; returns
// what endUnpack takes. The caller starts unpack.bat in networkDir().
std::string startUnpack(const std::string& programDir, const MergeOrder& order);
// After the unpack (or the whole merge): keeps the new merged folder when
// `succeeded`, otherwise removes it and puts the earlier one back.
void endUnpack(const std::string& aside, bool succeeded);
// The archives themselves and the add-on archive's fate: the same file
// twice, a backup place that cannot be, an entry outside the level folder.
// Fills order.expected (reading both archives).
Problems archiveProblems(MergeOrder& order);
// After the unpack: every entry of both archives lies in the merged folder.
Problems unpackedProblems(const std::string& programDir, const MergeOrder& order);
// Writes the network fix's scripts (when asked) and Network/pack.bat, which
// the caller starts in networkDir().
void startConnect(const std::string& programDir, const MergeOrder& order);
// After pack.bat: checks the merged archive and only then backs up and/or
// deletes the add-on archive, and removes the unpacked copies of the level
// (connecting again needs a new unpack). Raises a message when anything failed.
void endConnect(const std::string& programDir, const MergeOrder& order, bool succeeded);

} // namespace tw::packing
