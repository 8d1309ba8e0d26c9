// Page t4 "(3) Pathmaps-config + Packing": the game folder, the first and
// final packing, the pathmap transfer, the network merge and "Support me".
#pragma once

#include "ui/page.h"
#include "ui/widgets.h"
#include "packing/operations.h"
#include "platform/files.h"
#include "packing/archive_copy.h"
#include "tools/batch_run.h"
#include "packing/check_window.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

namespace tw {

// The sponsor's ad-click address opened by the "Support me" banner.
inline constexpr const char* kSupportUrl = "https://tarnwick.example.org/click.php?pid=1942&tid=7&bid=1";

class PackingPage : public Page {
    Q_OBJECT
public:
    PackingPage(Services& services, state::Conversion& state, QWidget* parent = nullptr);

    void Image15Click();

    // Game folder.
    void Image9Click();   // choose the game's executable
    void Button5Click();  // confirm the folder: memory.bf
    // First packing, pathmap transfer, final packing.
    void Label42Click();
    void Button6Click();
    void Button7Click();
    // The add-on's check: its window, and the check before "Pack" (false:
    // the user chose not to pack an add-on with errors).
    void LabelCheckClick();
    bool packingCheckPasses();
    CheckWindow* checkWindow() const { return checkWindow_; }
    // Network merge.
    void Image13Click();                // the map archive
    void Image14Click();                // the add-on archive
    void fixClick(QCheckBox* clicked);  // the exclusive choice fix1/fix2/fix3
    void Button9Click();                // the backup target
    void Button10Click();               // unpack both
    void Button8Click();                // connect map and add-on
    const packing::MergeOrder& mergeOrder() const { return mergeOrder_; }

    // How often a packing wait looks for the archives.
    static constexpr int kPollMilliseconds = 100;

    // The map displays: where the add-on lies (Label46), the base path
    // (Edit5), each whole in its tooltip.
    void showAddonPlace(const QString& place);
    void showBasePath(const QString& basePath);
    // The strategic areas were written to `file`: said below the first
    // packing, which comes next.
    void showAreasWritten(const std::string& file);

    // Puts the page back as a continued conversion left it; once it was
    // packed, pack.bat and temp/pathf.bf are this conversion's again.
    void restoreConversion(const state::ConversionRecord& record);

    // Whether a long step of this page is under way: a batch of the page
    // runs, or a packing wait has not done its follow-up yet.
    bool busy() const;
    // Stops every batch of the page and ends its waits without their
    // follow-up and without messages (the window is being closed).
    void stopLongSteps();
    // While a question of the main window is open, a packing's end is not
    // reported over it: the page's wait holds, and goes on afterwards.
    void holdPolling(bool hold);

    // "Part 1"
    QGroupBox* GroupBox12;
    QGroupBox* GroupBox14;
    PictureBox* Image9;
    QLineEdit* Edit4;
    QPushButton* Button5;
    QGroupBox* GroupBox13;
    QLabel* Label38;
    QLabel* Label39;
    QLabel* Label37;
    QLineEdit* Edit5;
    QPushButton* Button4;
    QGroupBox* GroupBox15;
    QLabel* Label41;
    QLabel* Label40;
    QLabel* Label43;
    QGroupBox* GroupBox16;
    LinkLabel* Label42;
    QProgressBar* packbar;
    QLabel* packingStatus;  // what the step before left, and what comes next
    LinkLabel* LabelEditAreas;  // below it once the areas are written: StrategicAreas.con in the script editor

    // "Important"
    QGroupBox* GroupBox18;
    QLabel* Label47;

    // "Part 2"
    QGroupBox* GroupBox17;
    QLabel* Label44;
    QListWidget* FileListBox2;
    QPushButton* Button6;
    QLabel* Label45;
    QLabel* Label46;
    QPushButton* Button7;
    LinkLabel* LabelCheck;  // Check the add-on
    QProgressBar* copybar;  // the program's own copy of the new archive

    // "Network ?"
    QGroupBox* GroupBox19;
    QLabel* Label49;
    PictureBox* Image13;
    QLineEdit* Edit6;
    PictureBox* Image14;
    QLineEdit* Edit7;
    QRadioButton* oldfix;
    QLabel* Label48;
    QCheckBox* fix1;
    QCheckBox* fix2;
    QPushButton* Button9;
    QCheckBox* fix3;
    QPushButton* Button10;
    QPushButton* Button8;
    QLabel* backupStatus;  // the chosen backup file

    // "Support me"
    QGroupBox* GroupBox20;
    PictureBox* Image15;
    QLabel* Label50;
    QLabel* Label51;

signals:
    // A finding of the check was chosen: its area, its search map (and its
    // place in metres when `placed`).
    void areaFindingChosen(const QString& name);
    void pathmapFindingChosen(const QString& map, QPointF at, bool placed);
    // "Copy the generated pathmaps" was asked to go into the add-on that
    // temp/pathf.bf names rather than the one shown: its folder.
    void transferIntoOther(const std::string& addonDir);
    // "Open StrategicAreas.con in the script editor" below the status line.
    void areasScriptChosen();

private:
    std::vector<check::Finding> checkFindings() const;
    QPointer<CheckWindow> checkWindow_;
    enum class Wait { None, First, Final, Copy };
    bool packingUnderWay() const;
    bool secondClickOfStart(Wait wait) const;
    void startWait(Wait wait);
    void poll();
    void firstPackingPass();
    void finalPackingPass();
    void copyPass();
    void showFirstPackingLink();
    // After the pack batch of "Connect map and addon", with what it was
    // asked to do, fixed at the click.
    void mergeEnded(const tools::BatchRun& run, const packing::MergeOrder& order);
    std::string packedArchive() const;  // ProgramDir + PackName + ".rfa"
    std::string networkDir() const;
    static void showArchivePath(QLineEdit* edit, const std::string& path);

    QTimer waitTimer_;
    QElapsedTimer packingStarted_;  // since the click that started the packing under way
    Wait startedWait_ = Wait::None;  // which packing that click started
    Wait waiting_ = Wait::None;
    tools::RunHandle packRun_;  // the page's pack.bat: one at a time
    std::unique_ptr<packing::ArchiveCopy> copy_;  // "Pack"'s copy of the new archive to its target
    std::optional<FileIdentity> archiveAtClick_;  // the archive left by an earlier packing
    std::string backupProposal_;  // file name offered by the backup dialog
    // The network box's choice: the archives, their names and the backup.
    packing::MergeOrder mergeOrder_;
    // The archives the last unpack took, as files: Connect packs what they
    // gave, so it refuses when the choice or the files have changed since.
    struct Unpacked {
        std::string mapArchive, addonArchive, mapName;
        std::optional<FileIdentity> map, addon;
        bool operator==(const Unpacked&) const = default;
    };
    Unpacked unpackedNow() const;
    Unpacked unpacked_;
    std::vector<tools::RunHandle> unpackRuns_;  // the network box's unpack batches, in order
    tools::RunHandle mergeRun_;                 // the network box's pack batch
};

} // namespace tw
