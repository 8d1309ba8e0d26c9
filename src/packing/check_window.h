// The window of the add-on's check: its findings grouped by severity. An
// area finding leads to that area on the Areas page, a pathmap finding to
// the pathmap window.
#pragma once

#include "check/findings.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <functional>
#include <vector>

namespace tw {

class CheckWindow : public QDialog {
    Q_OBJECT
public:
    // `recheck` gives the findings afresh ("Check again").
    CheckWindow(std::function<std::vector<check::Finding>()> recheck, QWidget* parent = nullptr);

    void showFindings(const std::vector<check::Finding>& findings);
    const std::vector<check::Finding>& findings() const { return findings_; }
    // Goes where the finding leads (what choosing its row does).
    void choose(const check::Finding& finding);
    // Beside `main` (as the consoles open), not over it, where the screen
    // has room; resized to the room there.
    void placeBesideMainWindow(QWidget& main);

    QLabel* summary;
    QTreeWidget* findingsTree;  // one group per severity, a row per finding
    QLabel* details;            // the chosen finding, whole
    QPushButton* againButton;
    QPushButton* closeButton;

signals:
    void areaChosen(const QString& name);
    // `at` (in metres) when `placed`: the place of the finding.
    void pathmapChosen(const QString& map, QPointF at, bool placed);

private:
    std::function<std::vector<check::Finding>()> recheck_;
    std::vector<check::Finding> findings_;
};

// Hides `link` while `bar` is shown, and shows it again after: the two
// share a place on the page.
void giveWayTo(QWidget* link, QWidget* bar);

} // namespace tw
