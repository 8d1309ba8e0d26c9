// Page t4: the game folder, the first packing, the pathmap transfer and the
// final packing.
#include "packing/packing_page.h"

#include "packing/packing_rules.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "tools/scripts.h"

#include <QPointer>
#include <QStyle>

namespace tw {
namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
// One packing at a time: both use pack.bat and the same archive.
const char* const kPackingAlready = "The add-on is being packed already; wait until that has finished.";
const char* const kNoMapYet =
    "No map is known yet, so there is nothing to pack: choose the map and click \"OK\" and \"Start\" first. "
    "Nothing was written.";
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
}

std::string PackingPage::packedArchive() const {
    return services_.programDir + scripts::packName(state_.PackTarget) + ".rfa";
}

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
    if (state_.MapName.empty()) throw AppError(kNoMapYet);
    const auto chosen = services_.dialogs.choose({FileDialogRequest::Kind::Save, "rfapacks",
                                                  "Refractor Archive Levels (*.rfa)|*.rfa", state_.MapName + "_001"});
    if (!chosen) return;
    // A name the batch lines cannot carry is refused before anything changes.
    const auto lines = scripts::addonPackScript(services_.programDir, state_.MapName, *chosen);
    state_.PackTarget = *chosen;
    packbar->show();
    Label42->hide();
    packbar->setValue(20);
    try {
        scripts::saveScript(services_.programDir + "pack.bat", lines, false);
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
    const std::string& program = services_.programDir;
    const char sep = trailingSeparator(program);
    packing::restorePackingState(state_, readLines(program + "temp" + sep + "pathf.bf"));

    Lines ai = readLines(state_.LevelDir + "ai.con");
    packing::removeMapGeneration(ai);
    writeLines(state_.LevelDir + "ai.con", ai, true);

    const char gameSep = trailingSeparator(state_.GamePath, program);
    const std::string pathmaps = state_.GamePath + "bf1942" + gameSep + "levels" + gameSep + state_.MapName + gameSep +
                                 "Pathfinding" + gameSep;
    const std::vector<std::string> files = packing::pathmapFiles(pathmaps);
    FileListBox2->clear();
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const std::string& name : files) FileListBox2->addItem(new QListWidgetItem(fileIcon, q(name)));
    const char levelSep = trailingSeparator(state_.LevelDir, program);
    for (const std::string& name : files)
        if (!packing::isSkippedPathmap(name)) copyFile(pathmaps + name, state_.LevelDir + "Pathfinding" + levelSep + name);
}

void PackingPage::Button7Click() {
    if (packingUnderWay()) throw AppError(kPackingAlready);
    if (state_.PackTarget.empty())
        throw AppError("It is not known where the add-on archive goes: click \"Copy the generated pathmaps into my "
                       "addon\" first (or pack it for the first time).");
    if (!packingCheckPasses()) return;
    archiveAtClick_ = fileIdentity(packedArchive());
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
    const std::string target = state_.PackTarget + ".rfa";
    const bool packed = fileExists(packedArchive());
    if (packed) packbar->setValue(78);
    if (packed && fileExists(target)) {
        packbar->setValue(100);
        waiting_ = Wait::None;
        waitTimer_.stop();
        const char sep = trailingSeparator(services_.programDir);
        writeLines(services_.programDir + "temp" + sep + "pathf.bf", packing::packingStateLines(state_), true);
        return;
    }
    if (packRun_->running()) return;
    // The batch has ended and the archives are not there: waiting longer
    // would never end. The first packing may be tried again at once.
    waiting_ = Wait::None;
    waitTimer_.stop();
    showFirstPackingLink();
    throw AppError("The first packing has ended, but " + (packed ? target : packedArchive()) +
                   " was not made. The console window of pack.bat shows what went wrong; you can start the "
                   "packing again.");
}

void PackingPage::finalPackingPass() {
    // Only the end of this run tells that its archive is complete; then the
    // program's own copy cannot meet a half-written file or the batch's copy.
    if (packRun_->running()) return;
    waiting_ = Wait::None;
    waitTimer_.stop();
    const std::string packed = packedArchive(), target = state_.PackTarget + ".rfa";
    const auto made = fileIdentity(packed);
    if (!packRun_->succeeded() || !made || made == archiveAtClick_)
        throw AppError("The final packing has ended without making a new " + packed + " and copying it to " + target +
                       ". The console window of pack.bat shows what went wrong.");
    if (!copyFile(packed, target)) throw AppError("The new archive could not be copied to " + target + ".");
    services_.messages.info("Done");
}

} // namespace tw
