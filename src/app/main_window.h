// The main window TForm1: four tab pages that lead through one conversion.
#pragma once

#include "state/conversion_state.h"
#include "platform/services.h"

#include <QLockFile>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace tw {

class MapPage;
class AreasPage;
class PackingPage;
class StatsPage;
class TForm2;
class PathmapWindow;

// Application title, style and font, shared by the program and its tests.
void setUpApplication();

// One wizard per program folder: the lock of `programDir` for this run, or
// nothing when another wizard holds it (`refusal` then says so).
std::unique_ptr<QLockFile> lockProgramFolder(const std::string& programDir, std::string& refusal);

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(Services& services, QWidget* parent = nullptr);

    void setSplash(TForm2* splash) { splash_ = splash; }
    void FormShow();

    // Enables or disables a page; its tab stays selectable so that a
    // disabled page can still be looked at.
    void setPageEnabled(QWidget* page, bool enabled);

    // The pathmap window for the add-on folder, over the level's picture,
    // with the areas of the Areas page.
    void openPathmaps();

    // Whether a batch runs or a packing wait has not done its follow-up.
    bool busy() const;

    ConversionState state;
    QTabWidget* PageControl1;
    MapPage* t1;
    AreasPage* t3;
    PackingPage* t4;
    StatsPage* t6;

signals:
    void closed();
    void pathmapsOpened(PathmapWindow* window);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Services& services_;
    TForm2* splash_ = nullptr;
    QTimer closeWhenIdle_;  // after "Wait": closes the window once nothing runs
};

} // namespace tw
