// Page t4: the game folder, the first packing, the pathmap transfer and the
// final packing.
#include "packing/packing_page.h"

#include "packing/operations.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "packing/packing_rules.h"
#include "state/conversion_state.h"

#include <QPointer>
#include <QStyle>

namespace tw {
namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
using packing::kPackingAlready;  // one packing at a time: both use pack.bat and the same archive
void refuseOnProblems(const packing::Problems& problems) {
    if (!problems.empty()) throw AppError(problems.front());
}
} // namespace

void PackingPage::Image9Click() {
    const auto chosen = services_.dialogs.choose({FileDialogRequest::Kind::Open, "OpenDialog2", "BF1942.exe |BF1942.exe", {}});
    if (!chosen) return;
    const std::string folder = folderOf(*chosen);
    Edit4->setText(q(folder));
    state_.GamePath = folder;
}

void PackingPage::Button5Click() {
    writeLines(services_.programDir + "memory.bf", {Edit4->text().toStdString()}, false);
    GroupBox13->setEnabled(true);
    rememberStep(state_, services_.programDir, state::Step::GameFolderConfirmed);
}

std::string PackingPage::packedArchive() const { return packing::packedArchive(services_.programDir, state_); }

bool PackingPage::packingUnderWay() const { return waiting_ != Wait::None || tools::isRunning(packRun_); }

bool PackingPage::busy() const {
    if (packingUnderWay() || tools::isRunning(mergeRun_)) return true;
    for (const auto& run : unpackRuns_)
        if (run->running()) return true;
    return false;
}

void PackingPage::stopLongSteps() {
    if (waiting_ == Wait::First) showFirstPackingLink();
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
    if (packingUnderWay()) throw AppError(kPackingAlready);
    refuseOnProblems(packing::firstPackingProblems(state_));
    const auto chosen = services_.dialogs.choose({FileDialogRequest::Kind::Save, "rfapacks",
                                                  "Refractor Archive Levels (*.rfa)|*.rfa", state_.MapName + "_001.rfa"});
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
    } catch (...) {
        showFirstPackingLink();  // nothing was started: it can be tried again at once
        throw;
    }
    packbar->setValue(50);
    startWait(Wait::First);
    packbar->setValue(66);
}

void PackingPage::Button6Click() {
    // The pathmaps go into the folder that a running pack.bat is packing.
    if (packingUnderWay()) throw AppError(kPackingAlready);
    packing::restorePackingState(services_.programDir, state_);
    const packing::PathmapTransfer transfer = packing::takePathmaps(services_.programDir, state_);
    FileListBox2->clear();
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const std::string& name : transfer.found) FileListBox2->addItem(new QListWidgetItem(fileIcon, q(name)));
    const packing::TransferReport report = packing::transferReport(transfer);
    if (report.failed) services_.messages.error(report.text);
    else services_.messages.info(report.text);
}

void PackingPage::Button7Click() {
    if (packingUnderWay()) throw AppError(kPackingAlready);
    refuseOnProblems(packing::finalPackingProblems(state_));
    archiveAtClick_ = packing::startFinalPacking(services_.programDir, state_);
    startWait(Wait::Final);
}

void PackingPage::startWait(Wait wait) {
    waiting_ = wait;
    packRun_ = tools::BatchRun::start(services_.shell, services_.programDir, "pack.bat");
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
    else waitTimer_.stop();
}

void PackingPage::firstPackingPass() {
    const auto progress = packing::firstPackingProgress(services_.programDir, state_);
    if (progress != packing::FirstPackingProgress::Waiting) packbar->setValue(78);
    if (progress == packing::FirstPackingProgress::Copied) {
        packbar->setValue(100);
        waiting_ = Wait::None;
        waitTimer_.stop();
        packing::endFirstPacking(services_.programDir, state_);
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
    if (!copyFile(packed, target)) throw AppError("The new archive could not be copied to " + target + ".");
    packing::endFinalPacking(services_.programDir, state_);
    services_.messages.info("Done");
}

} // namespace tw
