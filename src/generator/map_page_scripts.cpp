// Page t1's add-on run and script editor.
#include "generator/addon_run.h"
#include "generator/editor_text.h"
#include "intake/map_page.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "state/script_guard.h"

namespace tw {

void MapPage::fillScriptList() {
    ListBox1->clear();
    for (const std::string& entry : generator::editableScripts()) ListBox1->addItem(QString::fromStdString(entry));
    // No entry is chosen until the user picks one. Setting "no current
    // entry" on purpose keeps the list from making its first entry
    // current (and loading it) when the keyboard focus arrives.
    ListBox1->setCurrentIndex(QModelIndex());
}

void MapPage::Button2Click() {
    const std::string addon = addonDir(services_.programDir, state_);
    // An add-on whose conversion has areas or pathmaps is not made anew
    // without asking: continue it, or start afresh after copying its work.
    bool afresh = false;
    if (const state::LoadedRecord saved = state::loadRecord(addon); saved.kind == state::LoadedRecord::Kind::Ok) {
        const std::string work = state::finishedWork(saved.record, addon);
        if (!work.empty()) {
            const int answer = services_.messages.ask(
                "The add-on " + addon + " holds a conversion of " + saved.record.mapName + " with " + work +
                    " (saved " + saved.record.savedAt + " UTC). \"Start\" would make the add-on anew: "
                    "StrategicAreas.con without areas, and \"ai.createallmaps\" in ai.con again.\n\n"
                    "\"Continue that conversion\" takes it up where it was left; \"Start afresh\" first copies "
                    "its areas, StrategicAreas.con, ai.con and " + state::kRecordFileName +
                    " into a dated folder inside the add-on; \"Cancel\" changes nothing.",
                {"Continue that conversion", "Start afresh", "Cancel"});
            if (answer == 0) {
                emit continueChosen(addon);
                return;
            }
            if (answer != 1) return;
            afresh = true;
        }
    }
    // Scripts the user changed since Tarnwick wrote them are asked about.
    const Lines& scripts = generator::editableScripts();
    const state::OverwritePlan plan =
        state::askBeforeOverwriting(services_.messages, state_.Record, addon, scripts, "\"Start\"");
    if (!plan.go) return;
    std::string setAside;
    if (afresh) {
        setAside = state::copyConversionAside(addon, state::nowStamp());
        state::forgetFinishedWork(state_.Record);
        if (fileExists(addon + "tarnwick-areas.txt")) deleteFile(addon + "tarnwick-areas.txt");
    }
    generator::AddonRunHooks hooks;
    hooks.readVehicleBoxes = [this] { return std::pair{shipp->isChecked(), landp->isChecked()}; };
    hooks.fillScriptList = [this](const Lines&) { fillScriptList(); };
    hooks.keep = [&plan](const std::string& entry) { return plan.keeps(entry); };
    const auto result = generator::runAddon(state_, services_.programDir, hooks);
    statusLine->setText(QString::fromStdString("The add-on folder " + state_.AddonDir + " was made with its " +
                                               std::to_string(ListBox1->count()) +
                                               " scripts, listed on the left to read and edit. Next: draw the "
                                               "strategic areas on page 2, \"Areas\"."));
    ListBox1->setEnabled(true);
    emit addonCreated();
    Button2->setEnabled(false);
    Lines written;
    for (const std::string& entry : scripts)
        if (!plan.keeps(entry)) written.push_back(entry);
    state::noteWritten(state_.Record, state_.AddonDir, written);
    state_.Record.ships = shipp->isChecked();
    state_.Record.landingCrafts = landp->isChecked();
    if (!plan.copiedTo.empty()) services_.messages.info(state::copiedMessage(plan));
    if (!setAside.empty())
        services_.messages.info("The earlier conversion's areas, StrategicAreas.con, ai.con and " +
                                std::string(state::kRecordFileName) + " were copied to " + setAside +
                                " before the add-on was made anew.");
    rememberStep(state_, services_.programDir, state::Step::AddonMade);
    // A list of conversions on view shows this one's new step and date.
    if (!GroupBoxContinue->isHidden()) showConversions();
    if (!result.seedWarning.empty()) services_.messages.info(result.seedWarning);
}

void MapPage::ListBox1Click() {
    const int row = ListBox1->currentRow();
    if (row < 0) return;
    const std::string path = state_.AddonDir + ListBox1->item(row)->text().toStdString();
    Memo6->setPlainText(QString::fromStdString(generator::editorText(readBytes(path))));
}

void MapPage::Button3Click() {
    const int row = ListBox1->currentRow();
    if (row < 0) throw AppError(msg::listIndex(-1));
    QString text = Memo6->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
    const std::string path = state_.AddonDir + ListBox1->item(row)->text().toStdString();
    writeBytes(path, generator::fileBytes(text.toStdString()));
    statusLine->setText(QString::fromStdString("Saved " + path + "."));
}

} // namespace tw
