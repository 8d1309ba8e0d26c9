// Page t4's "Network ?" box: merging a map archive and its add-on archive.
#include "packing/packing_page.h"

#include "generator/game_scripts.h"
#include "intake/analysis.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "tools/scripts.h"

#include <QPointer>

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
    Edit6->setText(QString::fromStdString(state_.NetMapArchive));
}

void PackingPage::Image14Click() {
    const auto chosen =
        services_.dialogs.choose({FileDialogRequest::Kind::Open, "fixen2dlg", "Refractor - Archive|*.rfa", {}});
    if (!chosen) return;
    state_.NetAddonName = intake::withoutExtension(nameOf(*chosen));
    state_.NetAddonArchive = *chosen;
    Edit7->setText(QString::fromStdString(state_.NetAddonArchive));
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
}

void PackingPage::Button10Click() {
    scripts::saveScript(networkDir() + "unpack.bat",
                        scripts::networkUnpackScript(services_.programDir, state_.NetMapArchive, state_.NetMapName,
                                                     state_.NetAddonArchive, state_.NetAddonName),
                        true);
    networkUnpackRunning_ = true;
    scripts::startScript(services_.shell, networkDir(), "unpack.bat", [page = QPointer<PackingPage>(this)](bool) {
        if (page) page->networkUnpackRunning_ = false;
    });
    Button8->setEnabled(true);
}

void PackingPage::Button8Click() {
    // Connecting works on what the unpack batch makes: not before it is done.
    if (networkUnpackRunning_)
        throw AppError("Map and add-on are still being unpacked. Wait until the console window of unpack.bat says "
                       "\"finished\", then connect them.");
    const char sep = trailingSeparator(services_.programDir);
    const std::string merged = networkDir() + "bf1942" + sep + "levels" + sep + state_.NetMapName + sep;
    if (oldfix->isChecked()) {
        writeLines(merged + "Coop.con", generator::coopCon(), true);
        writeLines(merged + "Gametypes" + sep + "Coop.con", generator::gameTypesCoopCon(), true);
    }
    if (fix1->isChecked()) deleteFile(state_.NetAddonArchive);
    if (fix2->isChecked()) {
        // The add-on archive goes only once its backup exists.
        if (state_.NetAddonBackup.empty())
            throw AppError("No place for the backup has been chosen (\"Path\"): the add-on archive was left where it "
                           "is and nothing was packed.");
        if (!copyFile(state_.NetAddonArchive, state_.NetAddonBackup))
            throw AppError("The backup copy to " + state_.NetAddonBackup +
                           " failed: the add-on archive was left where it is and nothing was packed.");
        deleteFile(state_.NetAddonArchive);
    }
    scripts::saveScript(networkDir() + "pack.bat",
                        scripts::networkPackScript(services_.programDir, state_.NetMapArchive, state_.NetMapName), true);
    scripts::startScript(services_.shell, networkDir(), "pack.bat");
    services_.messages.info("Done");
}

} // namespace tw
