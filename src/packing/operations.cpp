#include "packing/operations.h"

#include "generator/game_scripts.h"
#include "packing/merged_folder.h"
#include "packing/packing_rules.h"
#include "platform/errors.h"
#include "rfa/names.h"
#include "rfa/reader.h"
#include "rfa/writer.h"
#include "state/script_guard.h"
#include "tools/scripts.h"

#include <cerrno>
#include <filesystem>
#include <tuple>
#include <set>

namespace tw::packing {
namespace {

const char* const kNoMapYet =
    "No map is known yet, so there is nothing to pack: choose the map and click \"OK\" and \"Start\" first. "
    "Nothing was written.";

// The entries of an archive as letter-case-blind keys.
std::vector<std::string> entryKeys(const std::string& archive) {
    std::vector<std::string> keys;
    const rfa::ArchiveReader reader(resolvePath(archive).string());
    for (const auto& e : reader.entries()) keys.push_back(rfa::nameKey(e.name));
    return keys;
}

bool sameFile(const std::optional<FileIdentity>& a, const std::optional<FileIdentity>& b) {
    return a && b && a->device == b->device && a->inode == b->inode;
}

check::Finding refusal(const char* code, std::string message) {
    check::Finding finding;
    finding.severity = check::Severity::Error;
    finding.code = code;
    finding.message = std::move(message);
    return finding;
}

} // namespace

std::string refusalText(const Problems& problems) {
    std::string text;
    for (const check::Finding& problem : problems)
        if (problem.severity == check::Severity::Error) text += (text.empty() ? "" : "\n") + problem.message;
    return text;
}

void refuseOnProblems(const Problems& problems) {
    if (std::string text = refusalText(problems); !text.empty()) throw AppError(text);
}

Problems archivePlaceProblems(const std::string& archive) {
    const std::string folder = folderOf(archive);
    if (!folderExists(folder))
        return {refusal("target-folder-missing", "The folder " + folder + " does not exist, so " + archive + " cannot be written there: make the "
                "folder or choose another place. Nothing was written.")};
    return readOnlyPlaceProblems(archive);
}

Problems readOnlyPlaceProblems(const std::string& archive) {
    const std::string folder = folderOf(archive);
    if (readOnlyByMode(folder))
        return {refusal("target-folder-read-only", "The folder " + folder + " is read-only, so " + archive +
                        " cannot be written there: choose another place. Nothing was written.")};
    if (pathExists(archive)) {
        if (!fileExists(archive))
            return {refusal("target-not-a-file", archive + " is in the way: it is not a file. Move it elsewhere or "
                                                 "choose another place. Nothing was written.")};
        if (readOnlyByMode(archive))
            return {refusal("target-read-only",
                            archive + " is read-only, so it cannot be replaced: choose another place. Nothing was written.")};
    }
    return {};
}

// ---- First packing

Problems firstPackingProblems(const state::Conversion& state) {
    if (state.MapName.empty()) return {refusal("map-unknown", kNoMapYet)};
    return {};
}

Problems firstPackingTargetProblems(const std::string& programDir, const state::Conversion& state,
                                    const std::string& packTarget) {
    try {
        scripts::addonPackScript(programDir, state.MapName, packTarget);
    } catch (const AppError& e) {
        return {refusal("target-name-unusable", e.what())};
    }
    return readOnlyPlaceProblems(packTarget + ".rfa");
}

void startFirstPacking(const std::string& programDir, state::Conversion& state, const std::string& packTarget) {
    const auto lines = scripts::addonPackScript(programDir, state.MapName, packTarget);
    state.PackTarget = packTarget;
    scripts::saveScript(programDir + "pack.bat", lines, false);
}

FirstPackingProgress firstPackingProgress(const std::string& programDir, const state::Conversion& state) {
    if (!fileExists(packedArchive(programDir, state))) return FirstPackingProgress::Waiting;
    return fileExists(state.PackTarget + ".rfa") ? FirstPackingProgress::Copied : FirstPackingProgress::Packed;
}

void endFirstPacking(const std::string& programDir, state::Conversion& state) {
    const std::string stateFile = packingStateFile(programDir);
    try {
        writeLines(stateFile, packingStateLines(state), true);
    } catch (const AppError& e) {
        throw AppError(explained(e.what(), "The add-on was packed to " + state.PackTarget + ".rfa, but the state that "
                                           "\"Copy the generated pathmaps into my addon\" takes up after the game "
                                           "could not be saved in " + stateFile + ". Make that folder writable for "
                                           "you, then pack for the first time again."));
    }
    rememberStep(state, programDir, state::Step::FirstPacked);
}

std::string firstPackingNotMade(const std::string& programDir, const state::Conversion& state) {
    const bool packed = firstPackingProgress(programDir, state) != FirstPackingProgress::Waiting;
    return "The first packing has ended, but " + (packed ? state.PackTarget + ".rfa" : packedArchive(programDir, state)) +
           " was not made. The console window of pack.bat shows what went wrong; you can start the packing again.";
}

// ---- Pathmap transfer

std::string packingStateFile(const std::string& programDir) {
    return programDir + "temp" + trailingSeparator(programDir) + "pathf.bf";
}

void restorePackingState(const std::string& programDir, state::Conversion& state) {
    packing::restorePackingState(state, readLines(packingStateFile(programDir)));
}

PathmapTransfer takePathmaps(const std::string& programDir, state::Conversion& state) {
    refuseReadOnlyTarget(addonPathmapFolder(state.AddonDir, programDir));
    Lines ai = readLines(state.AddonDir + "ai.con");
    removeMapGeneration(ai);
    writeLines(state.AddonDir + "ai.con", ai, true);
    PathmapTransfer transfer = transferPathmaps(gamePathmapFolder(state.GamePath, state.MapName, programDir),
                                                addonPathmapFolder(state.AddonDir, programDir));
    state::noteWritten(state.Record, state.AddonDir, {"AI.con"});
    state.Record.notCopied.clear();
    for (const PathmapFailure& f : transfer.failed) state.Record.notCopied.push_back(f.name);
    // Only pathmaps that came count as transferred: an empty folder copies
    // nothing and leaves the step as it was.
    if (transfer.ok()) {
        state.Record.pathmaps = transfer.found;
        rememberStep(state, programDir, state::Step::PathmapsTransferred);
    } else {
        saveRemembered(state, programDir);
    }
    return transfer;
}

// ---- Final packing

std::string packedArchive(const std::string& programDir, const state::Conversion& state) {
    return programDir + scripts::packName(state.PackTarget) + ".rfa";
}

Problems finalPackingProblems(const state::Conversion& state) {
    if (state.PackTarget.empty())
        return {refusal("target-unknown", "It is not known where the add-on archive goes: click \"Copy the generated "
                                          "pathmaps into my addon\" first (or pack it for the first time).")};
    return readOnlyPlaceProblems(state.PackTarget + ".rfa");
}

std::string staleTransfer(const state::Conversion& state) {
    const state::LoadedRecord saved = state::loadRecord(state.AddonDir);
    if (saved.kind != state::LoadedRecord::Kind::Ok || saved.record.notCopied.empty()) return {};
    std::string text = "The last \"Copy the generated pathmaps into my addon\" did not copy " +
                       std::string(saved.record.notCopied.size() == 1 ? "this pathmap" : "these pathmaps") +
                       " into " + addonPathmapFolder(state.AddonDir, state.AddonDir) + ":";
    for (const std::string& name : saved.record.notCopied) text += "\n    " + name;
    return text + "\n\nPacking now would pack the add-on without the game's new " +
           (saved.record.notCopied.size() == 1 ? "version of it." : "versions of them.");
}

void writePackScript(const std::string& programDir, const state::Conversion& state) {
    scripts::saveScript(programDir + "pack.bat", scripts::addonPackScript(programDir, state.MapName, state.PackTarget),
                        false);
}

std::optional<FileIdentity> startFinalPacking(const std::string& programDir, const state::Conversion& state) {
    return fileIdentity(packedArchive(programDir, state));
}

void checkFinalPacking(const std::string& programDir, const state::Conversion& state, bool succeeded,
                       const std::optional<FileIdentity>& before) {
    const std::string packed = packedArchive(programDir, state), target = state.PackTarget + ".rfa";
    const auto made = fileIdentity(packed);
    if (!succeeded || !made || made == before)
        throw AppError("The final packing has ended without making a new " + packed + " and copying it to " + target +
                       ". The console window of pack.bat shows what went wrong.");
}

void endFinalPacking(const std::string& programDir, state::Conversion& state) {
    rememberStep(state, programDir, state::Step::Packed);
}

// ---- Network merge

std::string networkDir(const std::string& programDir) { return programDir + "Network" + trailingSeparator(programDir); }

Problems unpackProblems(const std::string& programDir, const MergeOrder& order) {
    // The batch copies each archive into the Network folder under its own
    // name and deletes that copy at its end: an archive that already lies
    // there would be replaced by itself and then deleted.
    Problems problems;
    // Both archives must be there before anything is written or set aside.
    for (const auto& [archive, what, picture, notChosen, missing] :
         {std::tuple{order.mapArchive, "map", "MAP", "map-archive-not-chosen", "map-archive-missing"},
          std::tuple{order.addonArchive, "add-on", "ADD", "addon-archive-not-chosen", "addon-archive-missing"}}) {
        if (archive.empty())
            problems.push_back(refusal(notChosen,
                                       std::string("No ") + what + " archive has been chosen: click the " + picture +
                                           " picture and choose it, then click \"Unpack\" again. Nothing was "
                                           "unpacked."));
        else if (!fileExists(archive))
            problems.push_back(refusal(missing,
                                       explained(msg::ioError(windowsCodeFor(ENOENT, resolvePath(archive))),
                                                 std::string("The ") + what + " archive " + archive + " is not "
                                                 "there (any more). Click the " + picture + " picture and choose it "
                                                 "again, then click \"Unpack\" again. Nothing was unpacked.")));
    }
    if (!problems.empty()) return problems;
    for (const auto& [archive, name] :
         {std::pair{order.mapArchive, order.mapName}, std::pair{order.addonArchive, order.addonName}})
        if (!name.empty() && pathExists(networkDir(programDir) + name + ".rfa"))
            problems.push_back(refusal("archive-in-network-folder",
                                       "A file " + name + ".rfa already lies in " + networkDir(programDir) +
                                           ", where unpacking copies " + archive + " and deletes the copy "
                                           "afterwards. Move that file elsewhere (and choose it from there). "
                                           "Nothing was unpacked."));
    return problems;
}

std::string startUnpack(const std::string& programDir, const MergeOrder& order) {
    const std::string network = networkDir(programDir);
    scripts::saveScript(network + "unpack.bat",
                        scripts::networkUnpackScript(programDir, order.mapArchive, order.mapName, order.addonArchive,
                                                     order.addonName),
                        true);
    // The merged level folder starts empty: an earlier unpack's folder goes
    // aside first and is removed only once this unpack has succeeded. One
    // still aside from a run killed during an unpack is put back first.
    const std::string levels = network + "bf1942/levels/";
    restoreMergedFolders(levels);
    return setMergedFolderAside(levels, order.mapName);
}

void endUnpack(const std::string& aside, bool succeeded) { settleMergedFolder(aside, succeeded); }

Problems archiveProblems(MergeOrder& order) {
    // The merged archive takes the map archive's place: deleting or backing
    // up onto that file would destroy the merged archive.
    const auto mapFile = fileIdentity(order.mapArchive);
    if ((order.deleteAddon || order.backupAddon) && sameFile(mapFile, fileIdentity(order.addonArchive)))
        return {refusal("archives-same-file", "The map archive and the add-on archive are the same file, which the "
                                              "merged archive is to replace: choose the add-on archive again. Nothing "
                                              "was packed or deleted.")};
    if (order.backupAddon) {
        if (sameFile(fileIdentity(order.backup), mapFile))
            return {refusal("backup-is-map-archive",
                            "The backup place " + order.backup + " is the map archive, which the merged archive is "
                            "to replace: choose another place with \"Path\". Nothing was packed or deleted.")};
        // Checked before anything is written: the add-on archive is deleted
        // only after a backup of it exists somewhere else.
        if (order.backup.empty())
            return {refusal("backup-place-not-chosen", "No place for the backup has been chosen (\"Path\"): the add-on "
                                                       "archive was left where it is and nothing was packed.")};
        if (sameFile(fileIdentity(order.backup), fileIdentity(order.addonArchive)))
            return {refusal("backup-is-addon-archive",
                            "The backup place " + order.backup + " is the add-on archive itself: choose another "
                            "place with \"Path\". Nothing was packed or deleted.")};
        if (!folderExists(folderOf(order.backup)))
            return {refusal("backup-folder-missing",
                            "The folder of the backup place " + order.backup + " does not exist: the add-on archive "
                            "was left where it is and nothing was packed.")};
    }
    // What the merged archive must hold, read before the pack batch replaces
    // the map archive.
    order.expected.clear();
    for (const std::string& archive : {order.mapArchive, order.addonArchive}) {
        std::vector<std::string> keys;
        try {
            keys = entryKeys(archive);
        } catch (const AppError& e) {
            const bool map = archive == order.mapArchive;
            return {refusal(map ? "map-archive-unreadable" : "addon-archive-unreadable",
                            explained(e.what(), "Choose the " + std::string(map ? "map" : "add-on") + " archive again "
                                                "with its picture, then click \"Unpack\" and \"Connect map and "
                                                "addon\" again. Nothing was packed or deleted."))};
        }
        for (std::string& key : keys) order.expected.push_back(std::move(key));
    }
    // The pack batch packs the merged level folder alone, and its archive
    // replaces the map archive: an entry of either archive outside that level
    // was never unpacked and would be lost with the map archive.
    const std::string level = foldCase("bf1942/levels/" + order.mapName + "/");
    for (const std::string& key : order.expected)
        if (key.compare(0, level.size(), level) != 0)
            return {refusal("entry-outside-level",
                            "The archives hold " + key + ", which lies outside " + level + ": the merged archive "
                            "would lose it when it replaces the map archive. Nothing was packed or deleted.")};
    // The wizard's own files an older packing took along (the pathmap
    // window's backups) are packed no more.
    std::erase_if(order.expected, [&](const std::string& key) { return rfa::isWizardsOwn(key.substr(level.size())); });
    return {};
}

Problems unpackedProblems(const std::string& programDir, const MergeOrder& order) {
    // The pack batch replaces the map archive with what the merged folder
    // holds: every file of both archives must be there before it starts.
    for (const std::string& key : order.expected)
        if (!fileExists(networkDir(programDir) + key))
            return {refusal("unpacked-file-missing",
                            "The unpacked folder lacks " + key + " of the archives, so the merged archive would too. "
                            "Click \"Unpack\" again; nothing was packed or deleted.")};
    return {};
}

void startConnect(const std::string& programDir, const MergeOrder& order) {
    const char sep = trailingSeparator(programDir);
    const std::string network = networkDir(programDir);
    const std::string merged = network + "bf1942" + sep + "levels" + sep + order.mapName + sep;
    if (order.networkFix) {
        writeLines(merged + "Coop.con", generator::coopCon(), true);
        writeLines(merged + "Gametypes" + sep + "Coop.con", generator::gameTypesCoopCon(), true);
    }
    scripts::saveScript(network + "pack.bat", scripts::networkPackScript(programDir, order.mapArchive, order.mapName),
                        true);
}

// The add-on archive is backed up or deleted only once the merged archive
// has been made, reads back and holds every entry of both.
void endConnect(const std::string& programDir, const MergeOrder& order, bool succeeded) {
    const std::string kept = order.deleteAddon || order.backupAddon ? " The add-on archive was left where it is." : "";
    if (!succeeded)
        throw AppError("Packing map and add-on into one archive failed; the console window of pack.bat shows what "
                       "went wrong." + kept);
    std::set<std::string> present;
    try {
        for (std::string& key : entryKeys(order.mapArchive)) present.insert(std::move(key));
    } catch (const std::exception& e) {
        throw AppError("The merged archive " + order.mapArchive + " cannot be read back: " + e.what() + kept);
    }
    for (const std::string& key : order.expected)
        if (!present.count(key))
            throw AppError("The merged archive " + order.mapArchive + " lacks " + key + " of the unpacked archives." +
                           kept);
    if (order.backupAddon) {
        if (!copyFile(order.addonArchive, order.backup))
            throw AppError("The backup copy to " + order.backup + " failed: the add-on archive was left where it is.");
        deleteFile(order.addonArchive);
    } else if (order.deleteAddon) {
        deleteFile(order.addonArchive);
    }
    // The merged archive is the result now: the unpacked copies of the level
    // go (a big level's are gigabytes).
    if (isLevelName(order.mapName)) {
        std::error_code ec;
        const char sep = trailingSeparator(programDir);
        std::filesystem::remove_all(resolvePath(networkDir(programDir) + "bf1942" + sep + "levels" + sep + order.mapName),
                                    ec);
    }
}

} // namespace tw::packing
