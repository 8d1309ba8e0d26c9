// The check window, and the packing page's side of the check: the link that
// opens the window and the check before "Pack".
#include "packing/check_window.h"

#include "check/addon_check.h"
#include "packing/packing_page.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "tools/console_window.h"

#include <QEvent>
#include <QScreen>
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

void CheckWindow::placeBesideMainWindow(QWidget& main) {
    // As the consoles are placed: beside the main window, so that going to
    // an area or a pathmap happens in sight; wholly on the screen.
    placeBeside(*this, main, QSize(760, 420), QSize(360, 260));
    // A narrow room keeps "What to do" in sight; the chosen finding is
    // shown whole below the list.
    const double share = std::min(1.0, width() / 760.0);
    findingsTree->setColumnWidth(0, static_cast<int>(230 * share));
    findingsTree->setColumnWidth(1, static_cast<int>(170 * share));
}

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
        const size_t i = index.toULongLong();
        const check::Finding& f = findings_.at(i);
        QString text = QStringLiteral("%1 %2 at %3: %4")
                           .arg(QString::fromLatin1(check::severityName(f.severity)), QString::fromStdString(f.code),
                                QString::fromStdString(check::placeText(f)), QString::fromStdString(f.message));
        if (f.cause && *f.cause < findings_.size())
            text += QStringLiteral("\nThis follows from %1 at %2.")
                        .arg(QString::fromStdString(findings_[*f.cause].code),
                             QString::fromStdString(check::placeText(findings_[*f.cause])));
        else if (const size_t following = check::consequencesOf(findings_, i))
            text += QStringLiteral("\n%1 more finding(s) follow from this one: expand its row to see them.").arg(following);
        details->setText(text);
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
    size_t causes = 0;  // of errors and warnings
    for (const check::Finding& f : findings) causes += !f.cause && f.severity != check::Severity::Information;
    summary->setText(errors + warnings == 0
                         ? QStringLiteral("Nothing the game would stumble over was found.")
                         : QStringLiteral("%1 error(s) and %2 warning(s)%3. Double-click an area's or a pathmap's "
                                          "finding to go to it.")
                               .arg(errors)
                               .arg(warnings)
                               .arg(causes < errors + warnings
                                        ? QStringLiteral(" from %1 cause(s); what follows from a cause is listed "
                                                         "under it").arg(causes)
                                        : QString()));
    const auto addRow = [&](QTreeWidgetItem* parent, size_t i, const QString& more) {
        const check::Finding& f = findings[i];
        auto* row = new QTreeWidgetItem(parent, {QString::fromStdString(check::placeText(f)),
                                                 QString::fromStdString(f.code),
                                                 QString::fromStdString(f.message) + more});
        row->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(i));
        row->setToolTip(2, QString::fromStdString(f.message));
        return row;
    };
    // A group per severity of the causes; what follows from a cause is
    // listed under it, whatever its own severity.
    for (const auto severity : {check::Severity::Error, check::Severity::Warning, check::Severity::Information}) {
        size_t count = 0, roots = 0;
        for (size_t i = 0; i < findings.size(); ++i)
            if (!findings[i].cause && findings[i].severity == severity) {
                ++roots;
                count += 1 + check::consequencesOf(findings, i);
            }
        if (count == 0) continue;
        auto* group = new QTreeWidgetItem(
            findingsTree, {roots == count ? QStringLiteral("%1 (%2)").arg(groupTitle(severity)).arg(count)
                                          : QStringLiteral("%1 (%2 cause(s), %3 findings)")
                                                .arg(groupTitle(severity))
                                                .arg(roots)
                                                .arg(count)});
        group->setFirstColumnSpanned(true);
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        for (size_t i = 0; i < findings.size(); ++i) {
            if (findings[i].cause || findings[i].severity != severity) continue;
            const size_t following = check::consequencesOf(findings, i);
            QTreeWidgetItem* cause =
                addRow(group, i, following == 0 ? QString()
                                                : QStringLiteral(" (%1 more below follow from this)").arg(following));
            for (size_t j = 0; j < findings.size(); ++j)
                if (findings[j].cause == i) addRow(cause, j, QString());
        }
        group->setExpanded(true);
    }
    details->clear();
    if (findingsTree->topLevelItemCount() > 0 && findingsTree->topLevelItem(0)->childCount() > 0)
        findingsTree->setCurrentItem(findingsTree->topLevelItem(0)->child(0));
}

void CheckWindow::choose(const check::Finding& finding) {
    if (!finding.area.empty()) emit areaChosen(QString::fromStdString(finding.area));
    else if (!finding.pathmap.empty())
        emit pathmapChosen(QString::fromStdString(finding.pathmap),
                           finding.at ? QPointF(finding.at->x, finding.at->z) : QPointF(), finding.at.has_value());
}

std::vector<check::Finding> PackingPage::checkFindings() const {
    if (state_.AddonDir.empty() || !folderExists(state_.AddonDir + "AI"))
        throw AppError("There is no add-on to check yet: choose the map and press \"Start\" on page (1) first");
    return check::checkAddon(state_.AddonDir, state_.MapDir);
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
    if (!checkWindow_->isVisible()) checkWindow_->placeBesideMainWindow(*window());
    checkWindow_->show();
    checkWindow_->raise();
}

bool PackingPage::packingCheckPasses() {
    const auto findings = check::checkAddon(state_.AddonDir, state_.MapDir);
    const size_t count = check::countOf(findings, check::Severity::Error);
    if (count == 0) return true;
    // The causes of the errors, each with what follows from it.
    std::string causes;
    size_t shown = 0, all = 0;
    for (size_t i = 0; i < findings.size(); ++i) {
        const check::Finding& f = findings[i];
        if (f.cause || f.severity != check::Severity::Error || ++all > 10) continue;
        ++shown;
        causes.append(1, '\n').append(check::placeText(f)).append(": ").append(f.message);
        if (const size_t following = check::consequencesOf(findings, i))
            causes.append(" (").append(std::to_string(following)).append(following == 1 ? " finding follows" : " findings follow").append(" from it)");
    }
    if (all > shown)
        causes.append("\n... and ").append(std::to_string(all - shown)).append(" more (\"Check the add-on\" shows them all).");
    std::string text = "The check of the add-on in ";
    text.append(state_.AddonDir).append(" found ").append(std::to_string(count));
    text.append(count == 1 ? " error" : " errors").append(" the game will misbehave with");
    if (all < count) text.append(", from ").append(std::to_string(all)).append(all == 1 ? " cause" : " causes");
    text.append(":").append(causes);
    text.append("\n\nMend them and pack again, or pack the add-on as it is.");
    return services_.messages.askWithDefault(text, {"Pack anyway", "Cancel"}, 1) == 0;
}

} // namespace tw
