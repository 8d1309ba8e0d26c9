// Page t4: the game folder, the first packing, the pathmap transfer and the
// final packing.
#include "packing/packing_page.h"

#include "packing/operations.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "packing/packing_rules.h"
#include "state/conversion.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QStyle>

#include <filesystem>
#include <optional>

namespace tw {
namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
using packing::kPackingAlready;  // one packing at a time: both use pack.bat and the same archive
using packing::refuseOnProblems;
// Two spellings of one folder, letter case and a final separator aside.
bool sameFolder(std::string a, std::string b) {
    for (std::string* f : {&a, &b})
        while (f->size() > 1 && (f->back() == '/' || f->back() == '\\')) f->pop_back();
    std::error_code ec1, ec2;
    const auto x = std::filesystem::weakly_canonical(std::filesystem::absolute(resolvePath(a)), ec1);
    const auto y = std::filesystem::weakly_canonical(std::filesystem::absolute(resolvePath(b)), ec2);
    return !ec1 && !ec2 && x == y;
}
} // namespace

void PackingPage::Image9Click() {
    // Where the game usually lies; elsewhere than on Windows, the game in
    // a Wine prefix, whose folder the dialog hides.
    std::string first = platform::usualGameFolder();
    if (first.empty())
        first = packing::wineGameFolder(QDir::homePath().toStdString(), qEnvironmentVariable("WINEPREFIX").toStdString());
    const auto chosen =
        services_.dialogs.choose({FileDialogRequest::Kind::Open, "OpenDialog2", "BF1942.exe |BF1942.exe", {}, first});
    if (!chosen) return;
    const std::string folder = folderOf(*chosen);
    Edit4->setText(q(folder));
    state_.GamePath = folder;
}

void PackingPage::Button5Click() {
    const std::string memory = services_.programDir + "memory.bf";
    try {
        writeLines(memory, {Edit4->text().toStdString()}, false);
    } catch (const AppError& e) {
        throw AppError(packing::explained(
            e.what(), "Tarnwick keeps the game folder in " + memory + ", in its own folder " + services_.programDir +
                          ". Make that folder writable for you (or move Tarnwick to a folder you may write to), then "
                          "click \"This path is ok | Apply the new one\" again."));
    }
    GroupBox13->setEnabled(true);
    rememberStep(state_, services_.programDir, state::Step::GameFolderConfirmed);
}

std::string PackingPage::packedArchive() const { return packing::packedArchive(services_.programDir, state_); }

bool PackingPage::packingUnderWay() const { return waiting_ != Wait::None || tools::isRunning(packRun_); }

// The second click of a double click on "Pack" (or the first packing's
// link), which started the packing under way, is no second request.
bool PackingPage::secondClickOfStart(Wait wait) const {
    return startedWait_ == wait && packingStarted_.isValid() &&
           packingStarted_.elapsed() <= QApplication::doubleClickInterval();
}

bool PackingPage::busy() const {
    if (packingUnderWay() || tools::isRunning(mergeRun_)) return true;
    for (const auto& run : unpackRuns_)
        if (run->running()) return true;
    return false;
}

void PackingPage::holdPolling(bool hold) {
    if (hold) {
        waitTimer_.stop();
        return;
    }
    if (waiting_ == Wait::None) return;
    // A step that ended meanwhile does its follow-up now, before the answer
    // is acted on.
    guarded(services_.messages, [this] { poll(); });
    if (waiting_ != Wait::None) waitTimer_.start();
}

void PackingPage::stopLongSteps() {
    if (waiting_ == Wait::First) showFirstPackingLink();
    if (copy_) {
        copy_->stop();  // its end is awaited when the page goes
        copybar->hide();
    }
    waiting_ = Wait::None;
    waitTimer_.stop();
    for (const tools::RunHandle& run : unpackRuns_) run->stop();
    for (const tools::RunHandle& run : {packRun_, mergeRun_})
        if (run) run->stop();
}

void PackingPage::showFirstPackingLink() {
    packbar->hide();
    Label42->show();
}

void PackingPage::Label42Click() {
    if (packingUnderWay() && secondClickOfStart(Wait::First)) return;
    if (packingUnderWay()) throw AppError(kPackingAlready);
    refuseOnProblems(packing::firstPackingProblems(state_));
    // The dialog opens where the last first packing put its archive (this
    // conversion's, else the newest conversion's that has one), else in the
    // game's folder for level archives; in a sitting, where it was last used.
    std::string earlierTarget = state_.PackTarget;
    if (earlierTarget.empty())
        for (const state::ListedConversion& c : state::listConversions(services_.programDir))
            if (c.loaded.kind == state::LoadedRecord::Kind::Ok && !c.loaded.record.packTarget.empty()) {
                earlierTarget = c.loaded.record.packTarget;
                break;
            }
    std::string first = folderOf(earlierTarget);
    if (first.empty() || !folderExists(first)) first = packing::gameLevelArchives(state_.GamePath);
    const auto chosen =
        services_.dialogs.choose({FileDialogRequest::Kind::Save, "rfapacks", "Refractor Archive Levels (*.rfa)|*.rfa",
                                  state_.MapName + "_001.rfa", first});
    if (!chosen) return;
    // The target is a stem ".rfa" is added to: a name given with it keeps it once.
    const std::string stem = packing::archiveStem(*chosen);
    // A name the batch lines cannot carry is refused before anything changes.
    refuseOnProblems(packing::firstPackingTargetProblems(services_.programDir, state_, stem));
    if (!packing::mayReplaceArchive(services_.messages, stem + ".rfa")) return;
    packbar->show();
    Label42->hide();
    packbar->setValue(20);
    try {
        packing::startFirstPacking(services_.programDir, state_, stem);
    } catch (const AppError& e) {
        showFirstPackingLink();  // nothing was started: it can be tried again at once
        throw AppError(packing::explained(
            e.what(), "The first packing writes pack.bat into Tarnwick's folder " + services_.programDir +
                          " and the add-on archive to " + *chosen + ".rfa. Make that folder writable for you, then "
                          "click \"Your addon gets packed for the first time ...\" again."));
    }
    packbar->setValue(50);
    // The record knows the target from now on: should Tarnwick be ended
    // before the packing's end is recorded, the next sitting can say what
    // became of an archive replaced there. It is saved before pack.bat
    // starts: the batch packs the add-on folder the record lies in, and would
    // take along the record's half-written temporary file.
    try {
        saveRemembered(state_, services_.programDir);
    } catch (const AppError&) {
        // The end of the packing saves it again, and says so when it cannot.
    }
    startWait(Wait::First);
    packbar->setValue(66);
}

void PackingPage::Button6Click() {
    // The pathmaps go into the folder that a running pack.bat is packing.
    if (packingUnderWay()) throw AppError(kPackingAlready);
    // The pathmaps go into the conversion shown. When none is shown (the
    // wizard was started again), the add-on that temp/pathf.bf names, as
    // written by the last first packing, is taken up; naming another add-on
    // than the one shown, it is asked about.
    const bool shown = state_.Record.has(state::Step::AddonMade) && !state_.MapName.empty();
    const std::string stateFile = packing::packingStateFile(services_.programDir);
    if (!shown || fileExists(stateFile)) {
        state::Conversion packed;
        packing::restorePackingState(services_.programDir, packed);
        const std::string addon = addonDir(services_.programDir, state_);
        if (!shown) {
            takeUp(state_, state::openConversion(services_.programDir, packed.AddonDir).conversion);
        } else if (equalsIgnoreCase(packed.MapName, state_.MapName) && sameFolder(packed.AddonDir, addon)) {
            // The conversion shown is the one packed last.
        } else {
            const std::string other = packed.AddonDir;
            const std::string otherName = nameOf(other.substr(0, other.size() - (other.empty() ? 0 : 1)));
            const std::string shownName = state_.MapName + "_001";
            const int answer = services_.messages.ask(
                stateFile + ", written by the last first packing, names the add-on " + other + ", not the one shown, " +
                    addon + ". Into which add-on shall the pathmaps the game generated go?\n\n\"Into " + shownName +
                    "\" copies those of " + state_.MapName + " into the add-on shown; \"Into " + otherName +
                    "\" continues that conversion first, then copies those of its map; \"Cancel\" changes nothing.",
                {"Into " + shownName, "Into " + otherName, "Cancel"});
            if (answer == 1) {
                emit transferIntoOther(other);
                return;
            }
            if (answer != 0) return;
        }
    }
    const packing::PathmapTransfer transfer = packing::takePathmaps(services_.programDir, state_);
    FileListBox2->clear();
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const std::string& name : transfer.found) FileListBox2->addItem(new QListWidgetItem(fileIcon, q(name)));
    const packing::TransferReport report = packing::transferReport(transfer);
    if (report.failed) services_.messages.error(report.text);
    else services_.messages.info(report.text);
}

void PackingPage::Button7Click() {
    if (packingUnderWay() && secondClickOfStart(Wait::Final)) return;
    if (packingUnderWay()) throw AppError(kPackingAlready);
    refuseOnProblems(packing::finalPackingProblems(state_));
    if (const std::string stale = packing::staleTransfer(state_); !stale.empty() &&
        services_.messages.ask(stale + " \"Pack anyway\" packs it as it is; \"Cancel\" packs nothing, so that you "
                               "can mend the cause and click \"Copy the generated pathmaps into my addon\" again.",
                               {"Pack anyway", "Cancel"}) != 0)
        return;
    if (!packingCheckPasses()) return;
    archiveAtClick_ = packing::startFinalPacking(services_.programDir, state_);
    startWait(Wait::Final);
}

void PackingPage::startWait(Wait wait) {
    waiting_ = wait;
    startedWait_ = wait;
    packingStarted_.start();
    // What the line said before belongs to the steps before this packing.
    packingStatus->clear();
    packingStatus->setToolTip({});
    packRun_ = tools::BatchRun::start(services_.shell, services_.programDir, "pack.bat");
    // A first packing that is stopped or fails leaves the state file as it
    // was before: the wait may already have saved it, met by the archives of
    // an earlier packing.
    if (wait == Wait::First) {
        const std::string stateFile = services_.programDir + "temp" + trailingSeparator(services_.programDir) + "pathf.bf";
        std::optional<std::string> before;
        if (fileExists(stateFile)) before = readBytes(stateFile);
        packRun_->whenEnded([stateFile, before](const tools::BatchRun& run) {
            if (run.succeeded()) return;
            try {
                if (!before) deleteFile(stateFile);
                else writeBytes(stateFile, *before);
            } catch (const AppError&) {
                // The state file stays as the packing left it; its next start saves it anew.
            }
        });
    }
    // When older archives ended the first wait at once, only the run itself
    // can still tell that this packing failed.
    if (wait == Wait::First)
        packRun_->whenEnded([page = QPointer<PackingPage>(this)](const tools::BatchRun& run) {
            if (!page || page->waiting_ != Wait::None || run.outcome() != tools::BatchRun::Outcome::Failed) return;
            page->showFirstPackingLink();
            page->services_.messages.error("The first packing has failed. The console window of pack.bat shows what "
                                           "went wrong; you can start the packing again.");
        });
    waitTimer_.start();
}

void PackingPage::poll() {
    if (waiting_ == Wait::First) firstPackingPass();
    else if (waiting_ == Wait::Final) finalPackingPass();
    else if (waiting_ == Wait::Copy) copyPass();
    else waitTimer_.stop();
}

void PackingPage::firstPackingPass() {
    if (packRun_->outcome() == tools::BatchRun::Outcome::Stopped) {
        waiting_ = Wait::None;  // stopped: nothing is saved
        waitTimer_.stop();
        showFirstPackingLink();
        return;
    }
    const auto progress = packing::firstPackingProgress(services_.programDir, state_);
    if (progress != packing::FirstPackingProgress::Waiting) packbar->setValue(78);
    if (progress == packing::FirstPackingProgress::Copied) {
        packbar->setValue(100);
        waiting_ = Wait::None;
        waitTimer_.stop();
        try {
            packing::endFirstPacking(services_.programDir, state_);
        } catch (const AppError&) {
            showFirstPackingLink();
            throw;
        }
        return;
    }
    if (packRun_->running()) return;
    // The batch has ended and the archives are not there: waiting longer
    // would never end. The first packing may be tried again at once.
    waiting_ = Wait::None;
    waitTimer_.stop();
    showFirstPackingLink();
    throw AppError(packing::firstPackingNotMade(services_.programDir, state_));
}

void PackingPage::finalPackingPass() {
    // Only the end of this run tells that its archive is complete; then the
    // program's own copy cannot meet a half-written file or the batch's copy.
    if (packRun_->running()) return;
    waiting_ = Wait::None;
    waitTimer_.stop();
    packing::checkFinalPacking(services_.programDir, state_, packRun_->succeeded(), archiveAtClick_);
    const std::string packed = packedArchive(), target = state_.PackTarget + ".rfa";
    // The copy runs beside the window, which shows how far it is.
    copy_ = std::make_unique<packing::ArchiveCopy>(packed, target);
    copybar->setValue(0);
    copybar->show();
    waiting_ = Wait::Copy;
    waitTimer_.start();
}

void PackingPage::copyPass() {
    if (copy_->total() > 0) copybar->setValue(static_cast<int>(copy_->done() * 100 / copy_->total()));
    if (copy_->running()) return;
    waiting_ = Wait::None;
    waitTimer_.stop();
    copybar->hide();
    const auto copy = std::move(copy_);
    if (copy->stopped()) return;  // the window is closing: the target stays as it was
    if (copy->result() != 0)
        throw AppError("The new archive " + copy->from() + " could not be copied to " + copy->to() + ": " +
                       msg::systemReason(copy->result()) + ". The archive there was left as it was; mend the cause "
                       "and click \"Pack\" again.");
    packing::endFinalPacking(services_.programDir, state_);
    services_.messages.info(packing::packedMessage(copy->to()));
}

} // namespace tw
