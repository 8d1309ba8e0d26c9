// Page t4's "Network ?" box: merging a map archive and its add-on archive.
#include "packing/packing_page.h"

#include "generator/game_scripts.h"
#include "intake/analysis.h"
#include "platform/errors.h"
#include "packing/merged_folder.h"
#include "packing/packing_rules.h"
#include "platform/files.h"
#include "rfa/names.h"
#include "rfa/reader.h"
#include "tools/scripts.h"

#include <QPointer>

#include <cerrno>
#include <set>
#include <tuple>

namespace tw {

std::string PackingPage::networkDir() const {
    return services_.programDir + "Network" + trailingSeparator(services_.programDir);
}

void PackingPage::Image13Click() {
    const auto chosen = services_.dialogs.choose(
        {FileDialogRequest::Kind::Open, "fixen1dlg", "Refractor Archive|*.rfa", {}, services_.sampleFolder()});
    if (!chosen) return;
    state_.NetMapName = intake::withoutExtension(nameOf(*chosen));
    state_.NetMapArchive = *chosen;
    showArchivePath(Edit6, state_.NetMapArchive);
}

void PackingPage::Image14Click() {
    const auto chosen =
        services_.dialogs.choose({FileDialogRequest::Kind::Open, "fixen2dlg", "Refractor - Archive|*.rfa", {}});
    if (!chosen) return;
    state_.NetAddonName = intake::withoutExtension(nameOf(*chosen));
    state_.NetAddonArchive = *chosen;
    showArchivePath(Edit7, state_.NetAddonArchive);
    backupProposal_ = nameOf(*chosen);
}

void PackingPage::fixClick(QCheckBox* clicked) {
    // A click has already toggled the box: a checked box unchecks the others;
    // an unchecked one leaves none checked, which means "let it be".
    if (!clicked->isChecked()) return;
    for (QCheckBox* box : {fix1, fix2, fix3})
        if (box != clicked) box->setChecked(false);
}

void PackingPage::Button9Click() {
    fix2->setChecked(true);
    fixClick(fix2);
    const auto chosen = services_.dialogs.choose(
        {FileDialogRequest::Kind::Save, "fixenpath", "Refractor Archives|*.rfa", backupProposal_});
    if (!chosen) return;
    state_.NetAddonBackup = *chosen;
    backupStatus->setText(QString::fromStdString("Backup: " + nameOf(*chosen)));
    backupStatus->setToolTip(QString::fromStdString(*chosen));
}

void PackingPage::Button10Click() {
    // One unpack at a time: two into the same folder would mix their files,
    // and stopping one would take away what the other made.
    for (const auto& run : unpackRuns_)
        if (run->running())
            throw AppError("Map and add-on are still being unpacked. Wait until the console window of unpack.bat "
                           "says \"finished\" before unpacking again.");
    // The merged folder is being packed: unpacking into it now would change
    // what goes into the archive.
    if (tools::isRunning(mergeRun_))
        throw AppError("Map and add-on are being packed into one archive; wait until the console window of pack.bat "
                       "says \"finished\".");
    // The batch copies each archive into the Network folder under its own
    // name and deletes that copy at its end: an archive that already lies
    // there would be replaced by itself and then deleted.
    // Both archives must be there before anything is written or set aside.
    for (const auto& [archive, what, picture] : {std::tuple{state_.NetMapArchive, "map", "MAP"},
                                                 std::tuple{state_.NetAddonArchive, "add-on", "ADD"}}) {
        if (archive.empty())
            throw AppError(std::string("No ") + what + " archive has been chosen: click the " + picture +
                           " picture and choose it, then click \"Unpack\" again. Nothing was unpacked.");
        if (!fileExists(archive))
            throw AppError(packing::explained(
                msg::ioError(windowsCodeFor(ENOENT, resolvePath(archive))),
                std::string("The ") + what + " archive " + archive + " is not there (any more). Click the " +
                    picture + " picture and choose it again, then click \"Unpack\" again. Nothing was unpacked."));
    }
    for (const auto& [archive, name] : {std::pair{state_.NetMapArchive, state_.NetMapName},
                                        std::pair{state_.NetAddonArchive, state_.NetAddonName}})
        if (!name.empty() && pathExists(networkDir() + name + ".rfa"))
            throw AppError("A file " + name + ".rfa already lies in " + networkDir() + ", where unpacking copies " +
                           archive + " and deletes the copy afterwards. Move that file elsewhere (and choose it from "
                           "there). Nothing was unpacked.");
    scripts::saveScript(networkDir() + "unpack.bat",
                        scripts::networkUnpackScript(services_.programDir, state_.NetMapArchive, state_.NetMapName,
                                                     state_.NetAddonArchive, state_.NetAddonName),
                        true);
    // The merged level folder starts empty: an earlier unpack's folder goes
    // aside first and is removed only once this unpack has succeeded. One
    // still aside from a wizard killed during an unpack is put back first.
    const std::string levels = networkDir() + "bf1942/levels/";
    packing::restoreMergedFolders(levels);
    const std::string aside = packing::setMergedFolderAside(levels, state_.NetMapName);
    unpacked_ = unpackedNow();
    auto run = tools::BatchRun::start(services_.shell, networkDir(), "unpack.bat");
    run->whenEnded([aside](const tools::BatchRun& ended) { packing::settleMergedFolder(aside, ended.succeeded()); });
    unpackRuns_.push_back(std::move(run));
    Button8->setEnabled(true);
}

PackingPage::Unpacked PackingPage::unpackedNow() const {
    return {state_.NetMapArchive, state_.NetAddonArchive, state_.NetMapName, fileIdentity(state_.NetMapArchive),
            fileIdentity(state_.NetAddonArchive)};
}

namespace {

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

} // namespace

void PackingPage::Button8Click() {
    // Connecting works on what the unpack batches made: not before every one
    // of them has ended, and not after the last one failed.
    for (const auto& run : unpackRuns_)
        if (run->running())
            throw AppError("Map and add-on are still being unpacked. Wait until the console window of unpack.bat "
                           "says \"finished\", then connect them.");
    if (unpackRuns_.empty() || !unpackRuns_.back()->succeeded())
        throw AppError("The last unpacking of map and add-on did not succeed (its console window shows why), so "
                       "there is nothing whole to connect. Click \"Unpack\" again; nothing was changed.");
    if (tools::isRunning(mergeRun_))
        throw AppError("Map and add-on are being packed into one archive already; wait until the console window of "
                       "pack.bat says \"finished\".");
    if (!(unpackedNow() == unpacked_))
        throw AppError("The archives chosen now are not the ones last unpacked, or they have changed since. Click "
                       "\"Unpack\" again; nothing was packed or deleted.");

    MergeOrder order;
    order.mapArchive = state_.NetMapArchive;
    order.addonArchive = state_.NetAddonArchive;
    order.deleteAddon = fix1->isChecked();
    order.backupAddon = fix2->isChecked();
    order.backup = state_.NetAddonBackup;
    order.mapName = state_.NetMapName;
    // The merged archive takes the map archive's place: deleting or backing
    // up onto that file would destroy the merged archive.
    const auto mapFile = fileIdentity(order.mapArchive);
    if ((order.deleteAddon || order.backupAddon) && sameFile(mapFile, fileIdentity(order.addonArchive)))
        throw AppError("The map archive and the add-on archive are the same file, which the merged archive is to "
                       "replace: choose the add-on archive again. Nothing was packed or deleted.");
    if (order.backupAddon) {
        if (sameFile(fileIdentity(order.backup), mapFile))
            throw AppError("The backup place " + order.backup + " is the map archive, which the merged archive is to "
                           "replace: choose another place with \"Path\". Nothing was packed or deleted.");
        // Checked before anything is written: the add-on archive is deleted
        // only after a backup of it exists somewhere else.
        if (order.backup.empty())
            throw AppError("No place for the backup has been chosen (\"Path\"): the add-on archive was left where it "
                           "is and nothing was packed.");
        if (sameFile(fileIdentity(order.backup), fileIdentity(order.addonArchive)))
            throw AppError("The backup place " + order.backup + " is the add-on archive itself: choose another place "
                           "with \"Path\". Nothing was packed or deleted.");
        if (!folderExists(folderOf(order.backup)))
            throw AppError("The folder of the backup place " + order.backup + " does not exist: the add-on archive "
                           "was left where it is and nothing was packed.");
    }
    // What the merged archive must hold, read before the pack batch replaces
    // the map archive.
    for (const std::string& archive : {order.mapArchive, order.addonArchive}) {
        std::vector<std::string> keys;
        try {
            keys = entryKeys(archive);
        } catch (const AppError& e) {
            throw AppError(packing::explained(
                e.what(), "Choose the " + std::string(archive == order.mapArchive ? "map" : "add-on") + " archive " +
                              "again with its picture, then click \"Unpack\" and \"Connect map and addon\" again. "
                              "Nothing was packed or deleted."));
        }
        for (std::string& key : keys) order.expected.push_back(std::move(key));
    }
    // The pack batch packs the merged level folder alone, and its archive
    // replaces the map archive: an entry of either archive outside that level
    // was never unpacked and would be lost with the map archive.
    const std::string level = foldCase("bf1942/levels/" + state_.NetMapName + "/");
    for (const std::string& key : order.expected)
        if (key.compare(0, level.size(), level) != 0)
            throw AppError("The archives hold " + key + ", which lies outside " + level +
                           ": the merged archive would lose it when it replaces the map archive. Nothing was packed "
                           "or deleted.");
    // The pack batch replaces the map archive with what the merged folder
    // holds: every file of both archives must be there before it starts.
    for (const std::string& key : order.expected)
        if (!fileExists(networkDir() + key))
            throw AppError("The unpacked folder lacks " + key + " of the archives, so the merged archive would too. "
                           "Click \"Unpack\" again; nothing was packed or deleted.");

    const char sep = trailingSeparator(services_.programDir);
    const std::string merged = networkDir() + "bf1942" + sep + "levels" + sep + state_.NetMapName + sep;
    if (oldfix->isChecked()) {
        writeLines(merged + "Coop.con", generator::coopCon(), true);
        writeLines(merged + "Gametypes" + sep + "Coop.con", generator::gameTypesCoopCon(), true);
    }
    scripts::saveScript(networkDir() + "pack.bat",
                        scripts::networkPackScript(services_.programDir, state_.NetMapArchive, state_.NetMapName), true);
    mergeRun_ = tools::BatchRun::start(services_.shell, networkDir(), "pack.bat");
    mergeRun_->whenEnded([page = QPointer<PackingPage>(this), order](const tools::BatchRun& run) {
        if (page) guarded(page->services_.messages, [&] { page->mergeEnded(run, order); });
    });
}

// After the pack batch: the add-on archive is backed up or deleted only once
// the merged archive has been made, reads back and holds every entry of both.
void PackingPage::mergeEnded(const tools::BatchRun& run, const MergeOrder& order) {
    if (run.outcome() == tools::BatchRun::Outcome::Stopped) return;
    const std::string kept = order.deleteAddon || order.backupAddon ? " The add-on archive was left where it is." : "";
    if (!run.succeeded())
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
            throw AppError("The merged archive " + order.mapArchive + " lacks " + key +
                           " of the unpacked archives." + kept);
    if (order.backupAddon) {
        if (!copyFile(order.addonArchive, order.backup))
            throw AppError("The backup copy to " + order.backup + " failed: the add-on archive was left where it is.");
        deleteFile(order.addonArchive);
    } else if (order.deleteAddon) {
        deleteFile(order.addonArchive);
    }
    // The merged archive is the result now: the unpacked copies of the level
    // go (a big level's are gigabytes). Connecting again needs a new unpack.
    if (!order.mapName.empty()) {
        std::error_code ec;
        const char sep = trailingSeparator(services_.programDir);
        std::filesystem::remove_all(resolvePath(networkDir() + "bf1942" + sep + "levels" + sep + order.mapName), ec);
    }
    unpacked_ = {};
    services_.messages.info("Done");
}

} // namespace tw
