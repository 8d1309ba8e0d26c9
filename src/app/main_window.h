// The main window TForm1: four tab pages that lead through one conversion.
#pragma once

#include "state/conversion.h"
#include "platform/services.h"
#include "platform/program_lock.h"

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

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(Services& services, QWidget* parent = nullptr);

    void setSplash(TForm2* splash) { splash_ = splash; }
    void FormShow();

    // Enables or disables a page; its tab stays selectable so that a
    // disabled page can still be looked at.
    void setPageEnabled(QWidget* page, bool enabled);

    // Continues the conversion saved in `addonDir`: every page as it was
    // left, without running "Start" again. Takes a copy of the folder, as
    // the list it came from is filled again. An add-on whose AIPathFinding.con
    // numbers maps as earlier Tarnwick versions did is asked about once:
    // "Mend the map numbers" or "Leave them".
    void continueConversion(std::string addonDir);

    // The pathmap window for the add-on folder, over the level's picture,
    // with the areas of the Areas page.
    PathmapWindow* openPathmaps();

    // Whether a batch runs or a packing wait has not done its follow-up.
    bool busy() const;

    state::Conversion state;
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
    void openPackingPage();  // the packing page's boxes, once the areas are written
    void offerMapNumberMend(const std::string& addon);
};

} // namespace tw
