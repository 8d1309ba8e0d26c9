// Page t4's "Network ?" box: merging a map archive and its add-on archive.
#include "packing/packing_page.h"

#include "intake/analysis.h"
#include "packing/operations.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QPointer>

namespace tw {

std::string PackingPage::networkDir() const { return packing::networkDir(services_.programDir); }

namespace {
// The box's choice as the merge operations take it.
packing::MergeOrder mergeOrderOf(const ConversionState& state) {
    packing::MergeOrder order;
    order.mapArchive = state.NetMapArchive;
    order.mapName = state.NetMapName;
    order.addonArchive = state.NetAddonArchive;
    order.addonName = state.NetAddonName;
    order.backup = state.NetAddonBackup;
    return order;
}
using packing::refuseOnProblems;
} // namespace

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
    const auto chosen = services_.dialogs.choose(
        {FileDialogRequest::Kind::Save, "fixenpath", "Refractor Archives|*.rfa", backupProposal_});
    // "Cancel" leaves the choice of a backup as it was.
    if (!chosen) return;
    fix2->setChecked(true);
    fixClick(fix2);
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
    const packing::MergeOrder order = mergeOrderOf(state_);
    refuseOnProblems(packing::unpackProblems(services_.programDir, order));
    const std::string aside = packing::startUnpack(services_.programDir, order);
    unpacked_ = unpackedNow();
    auto run = tools::BatchRun::start(services_.shell, networkDir(), "unpack.bat");
    run->whenEnded([aside](const tools::BatchRun& ended) { packing::endUnpack(aside, ended.succeeded()); });
    unpackRuns_.push_back(std::move(run));
    Button8->setEnabled(true);
}

PackingPage::Unpacked PackingPage::unpackedNow() const {
    return {state_.NetMapArchive, state_.NetAddonArchive, state_.NetMapName, fileIdentity(state_.NetMapArchive),
            fileIdentity(state_.NetAddonArchive)};
}

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

    packing::MergeOrder order = mergeOrderOf(state_);
    order.deleteAddon = fix1->isChecked();
    order.backupAddon = fix2->isChecked();
    order.networkFix = oldfix->isChecked();
    refuseOnProblems(packing::archiveProblems(order));
    refuseOnProblems(packing::unpackedProblems(services_.programDir, order));
    packing::startConnect(services_.programDir, order);
    mergeRun_ = tools::BatchRun::start(services_.shell, networkDir(), "pack.bat");
    mergeRun_->whenEnded([page = QPointer<PackingPage>(this), order](const tools::BatchRun& run) {
        if (page) guarded(page->services_.messages, [&] { page->mergeEnded(run, order); });
    });
}

// After the pack batch: the add-on archive is backed up or deleted only once
// the merged archive has been made, reads back and holds every entry of both.
void PackingPage::mergeEnded(const tools::BatchRun& run, const packing::MergeOrder& order) {
    if (run.outcome() == tools::BatchRun::Outcome::Stopped) return;
    packing::endConnect(services_.programDir, order, run.succeeded());
    unpacked_ = {};  // the unpacked copies are gone: connecting again needs a new unpack
    services_.messages.info("Done");
}

} // namespace tw
