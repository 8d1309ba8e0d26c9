// The check window, and the packing page's side of the check: the link that
// opens the window and the check before "Pack".
#include "packing/check_window.h"

#include "check/addon_check.h"
#include "packing/packing_page.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

namespace tw {
namespace {

const char* groupTitle(check::Severity s) {
    switch (s) {
    case check::Severity::Error: return "Errors: the game will misbehave";
    case check::Severity::Warning: return "Warnings: it probably will";
    case check::Severity::Information: return "Information";
    }
    return "";
}

class GiveWay : public QObject {
public:
    GiveWay(QWidget* link, QWidget* bar) : QObject(bar), link_(link) { bar->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent) link_->hide();
        else if (event->type() == QEvent::HideToParent) link_->show();
        return false;
    }

private:
    QWidget* link_;
};

} // namespace

void giveWayTo(QWidget* link, QWidget* bar) { new GiveWay(link, bar); }

CheckWindow::CheckWindow(std::function<std::vector<check::Finding>()> recheck, QWidget* parent)
    : QDialog(parent), recheck_(std::move(recheck)) {
    setObjectName(QStringLiteral("checkWindow"));
    setWindowTitle(QStringLiteral("Check the add-on"));
    resize(760, 420);
    auto* layout = new QVBoxLayout(this);
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);
    findingsTree = new QTreeWidget(this);
    findingsTree->setObjectName(QStringLiteral("findingsTree"));
    findingsTree->setColumnCount(3);
    findingsTree->setHeaderLabels({QStringLiteral("Place"), QStringLiteral("Code"), QStringLiteral("What to do")});
    findingsTree->setWordWrap(true);
    findingsTree->setUniformRowHeights(false);
    findingsTree->header()->setStretchLastSection(true);
    findingsTree->setColumnWidth(0, 230);
    findingsTree->setColumnWidth(1, 170);
    layout->addWidget(findingsTree, 1);
    details = new QLabel(this);
    details->setObjectName(QStringLiteral("details"));
    details->setWordWrap(true);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details->setMinimumHeight(3 * details->fontMetrics().lineSpacing());
    details->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(details);
    auto* buttons = new QHBoxLayout;
    againButton = new QPushButton(QStringLiteral("Check again"), this);
    againButton->setObjectName(QStringLiteral("againButton"));
    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    buttons->addStretch(1);
    buttons->addWidget(againButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(againButton, &QPushButton::clicked, this, [this] { showFindings(recheck_()); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(findingsTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const QVariant index = item ? item->data(0, Qt::UserRole) : QVariant();
        if (!index.isValid()) return details->clear();
        const check::Finding& f = findings_.at(index.toULongLong());
        details->setText(QStringLiteral("%1 %2 at %3: %4")
                             .arg(QString::fromLatin1(check::severityName(f.severity)), QString::fromStdString(f.code),
                                  QString::fromStdString(check::placeText(f)), QString::fromStdString(f.message)));
    });
    connect(findingsTree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QVariant index = item->data(0, Qt::UserRole);
        if (index.isValid()) choose(findings_.at(index.toULongLong()));
    });
}

void CheckWindow::showFindings(const std::vector<check::Finding>& findings) {
    findings_ = findings;
    findingsTree->clear();
    const size_t errors = check::countOf(findings, check::Severity::Error),
                 warnings = check::countOf(findings, check::Severity::Warning);
    summary->setText(errors + warnings == 0
                         ? QStringLiteral("Nothing the game would stumble over was found.")
                         : QStringLiteral("%1 error(s) and %2 warning(s). Double-click an area's or a pathmap's "
                                          "finding to go to it.")
                               .arg(errors)
                               .arg(warnings));
    for (const auto severity : {check::Severity::Error, check::Severity::Warning, check::Severity::Information}) {
        const size_t count = check::countOf(findings, severity);
        if (count == 0) continue;
        auto* group = new QTreeWidgetItem(findingsTree, {QStringLiteral("%1 (%2)").arg(groupTitle(severity)).arg(count)});
        group->setFirstColumnSpanned(true);
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        for (size_t i = 0; i < findings.size(); ++i) {
            const check::Finding& f = findings[i];
            if (f.severity != severity) continue;
            auto* row = new QTreeWidgetItem(group, {QString::fromStdString(check::placeText(f)),
                                                    QString::fromStdString(f.code),
                                                    QString::fromStdString(f.message)});
            row->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(i));
            row->setToolTip(2, QString::fromStdString(f.message));
        }
        group->setExpanded(true);
    }
    details->clear();
    if (findingsTree->topLevelItemCount() > 0 && findingsTree->topLevelItem(0)->childCount() > 0)
        findingsTree->setCurrentItem(findingsTree->topLevelItem(0)->child(0));
}

void CheckWindow::choose(const check::Finding& finding) {
    if (!finding.area.empty()) emit areaChosen(QString::fromStdString(finding.area));
    else if (!finding.pathmap.empty()) emit pathmapChosen(QString::fromStdString(finding.pathmap));
}

std::vector<check::Finding> PackingPage::checkFindings() const {
    if (state_.LevelDir.empty() || !folderExists(state_.LevelDir + "AI"))
        throw AppError("There is no add-on to check yet: choose the map and press \"Start\" on page (1) first");
    return check::checkAddon(state_.LevelDir, state_.MapDir);
}

void PackingPage::LabelCheckClick() {
    const auto findings = checkFindings();
    if (!checkWindow_) {
        checkWindow_ = new CheckWindow([this] { return checkFindings(); }, this);
        checkWindow_->setWindowFlag(Qt::Window);
        connect(checkWindow_, &CheckWindow::areaChosen, this, &PackingPage::areaFindingChosen);
        connect(checkWindow_, &CheckWindow::pathmapChosen, this, &PackingPage::pathmapFindingChosen);
    }
    checkWindow_->showFindings(findings);
    checkWindow_->show();
    checkWindow_->raise();
}

bool PackingPage::packingCheckPasses() {
    const auto findings = check::checkAddon(state_.LevelDir, state_.MapDir);
    std::string errors;
    size_t count = 0;
    for (const check::Finding& f : findings)
        if (f.severity == check::Severity::Error) {
            if (++count <= 10) errors.append(1, '\n').append(check::placeText(f)).append(": ").append(f.message);
        }
    if (count == 0) return true;
    if (count > 10)
        errors.append("\n... and ").append(std::to_string(count - 10)).append(" more (\"Check the add-on\" shows them all).");
    std::string text = "The check of the add-on in ";
    text.append(state_.LevelDir).append(" found ").append(std::to_string(count));
    text.append(count == 1 ? " error" : " errors").append(" the game will misbehave with:").append(errors);
    text.append("\n\nMend them and pack again, or pack the add-on as it is.");
    return services_.messages.ask(text, {"Pack anyway", "Cancel"}) == 0;
}

} // namespace tw
