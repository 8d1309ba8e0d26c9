// Page t1's "Continue a conversion": the conversions of the program folder,
// and the page put back as a chosen one was left.
#include "generator/addon_run.h"
#include "intake/map_page.h"
#include "platform/files.h"

namespace tw {
namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

void MapPage::rememberAnalysis() {
    const std::string message = beginConversion(state_, services_.programDir, chosenMap_, pack->isChecked());
    if (!message.empty()) services_.messages.info(message);
}

void MapPage::showConversions() {
    ListConversions->clear();
    listedAddons_.clear();
    for (const state::ListedConversion& c : state::listConversions(services_.programDir)) {
        const state::LoadedRecord& loaded = c.loaded;
        if (loaded.kind == state::LoadedRecord::Kind::SetAside || loaded.kind == state::LoadedRecord::Kind::Unusable) {
            services_.messages.info(loaded.message);
            continue;
        }
        std::string text = c.addonName;
        if (loaded.kind == state::LoadedRecord::Kind::Newer) {
            text += "   -   saved by a newer Tarnwick";
        } else {
            const state::ConversionRecord& r = loaded.record;
            text += "   -   map " + r.mapName + "   -   " + (r.lastStep ? state::stepWords(*r.lastStep) : "begun") +
                    "   -   " + r.savedAt + " UTC";
        }
        ListConversions->addItem(q(text));
        listedAddons_.push_back(c.addonDir);
    }
    ListConversions->setCurrentIndex(QModelIndex());
    GroupBoxContinue->setVisible(ListConversions->count() > 0);
}

void MapPage::continueClick(int row) {
    if (!GroupBoxContinue->isEnabled() || row < 0 || row >= static_cast<int>(listedAddons_.size())) return;
    emit continueChosen(listedAddons_[static_cast<size_t>(row)]);
}

void MapPage::restoreConversion(const state::ConversionRecord& r) {
    (r.mapIsArchive ? pack : unpack)->setChecked(true);
    pack->setEnabled(false);
    unpack->setEnabled(false);
    chosenMap_ = r.mapSource;
    if (!r.mapIsArchive) chosenInitFolder_ = r.mapFolder;
    Edit3->setText(q(r.mapIsArchive ? r.mapSource : r.mapFolder));
    Edit3->setCursorPosition(0);
    Button1->setEnabled(true);
    GroupBox7->setEnabled(false);
    GroupBox8->setEnabled(true);
    GroupBox9->setEnabled(true);
    Memo6->setEnabled(true);
    GroupBoxContinue->setEnabled(false);
    emit mapAnalysed(intake::displaysOf(r.mapFolder, r.mapName, r.worldSize, r.mapIsArchive, services_.programDir));
    if (!r.has(state::Step::AddonMade)) return;
    shipp->setChecked(r.ships);
    landp->setChecked(r.landingCrafts);
    fillScriptList();
    ListBox1->setEnabled(true);
    Button2->setEnabled(false);
}

} // namespace tw
