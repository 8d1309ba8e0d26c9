#include "app/main_window.h"

#include "ui/pictures.h"
#include "app/splash_window.h"
#include "app/stats_page.h"
#include "areas/areas_page.h"
#include "check/map_numbers.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/errors.h"
#include "pathmaps/pathmap_window.h"
#include "ui/widgets.h"
#include "platform/files.h"
#include "tools/console_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTabBar>

namespace tw {
namespace {
const QString kTitle = QStringLiteral("Tarnwick by quorvin_tal");
} // namespace

void setUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    pictures::loadResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/tarnwick.png")));
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Silver surfaces; disabled text in a grey that stays readable on them.
    QPalette pal = QApplication::palette();
    const QColor silver(192, 192, 192);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Window, silver);
        pal.setColor(group, QPalette::Button, silver);
    }
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, QColor(118, 118, 118));
    pal.setColor(QPalette::Disabled, QPalette::Base, QColor(212, 212, 212));
    QApplication::setPalette(pal);
    // The design font; where it is missing, a sans font of similar width.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    QApplication::setFont(font);
    // Group boxes as the design has them: a thin frame whose top line runs
    // through the caption, children placed from the box's top-left corner.
    qApp->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid #808080; border-radius: 0px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px;"
        " top: 0px; padding: 0px 2px; }"));
}

TForm1::TForm1(Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      services_(services) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);
    setGeometry(204, 121, 760, 621);
    setFixedSize(760, 621);
    setAutoFillBackground(true);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 8, 761, 617);
    PageControl1->setDocumentMode(true);
    PageControl1->tabBar()->setExpanding(false);
    PageControl1->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { width: 166px; height: 18px; margin-right: 4px; border: 1px solid #808080;"
        " background: #c0c0c0; padding: 1px; }"
        "QTabBar::tab:selected { background: #a8a8a8; border-color: #404040; }"
        "QTabBar::tab:disabled { color: #808080; }"));

    t1 = new MapPage(services, state);
    t3 = new AreasPage(services, state);
    t4 = new PackingPage(services, state);
    t6 = new StatsPage(services, state);
    PageControl1->addTab(t1, QStringLiteral("(1) Map + Confiles"));
    PageControl1->addTab(t3, QStringLiteral("(2) Areas"));
    PageControl1->addTab(t4, QStringLiteral("(3) Pathmaps-config + Packing"));
    PageControl1->addTab(t6, QStringLiteral("Stats"));
    PageControl1->setCurrentIndex(0);
    setPageEnabled(t3, false);
    setPageEnabled(t6, false);

    closeWhenIdle_.setInterval(200);
    connect(&closeWhenIdle_, &QTimer::timeout, this, [this] {
        if (!busy()) close();
    });

    // The add-on run unlocks the Areas page and moves on to it.
    connect(t1, &MapPage::addonCreated, this, [this] {
        setPageEnabled(t3, true);
        PageControl1->setCurrentWidget(t3);
        t3->addonOpened();
    });

    // A finding of the add-on's check leads to its area on the Areas page,
    // or to the pathmap window.
    connect(t4, &PackingPage::pathmapFindingChosen, this, [this](const QString& map, QPointF at, bool placed) {
        guarded(services_.messages, [&] {
            PathmapWindow* window = openPathmaps();
            if (placed) window->goToPlace(map, at);
            else window->goToMap(map);
        });
    });
    connect(t4, &PackingPage::areaFindingChosen, this, [this](const QString& name) {
        if (!t3->isEnabled()) return;
        PageControl1->setCurrentWidget(t3);
        for (int row = 0; row < t3->ListBox1z->count(); ++row)
            if (t3->ListBox1z->item(row)->text().startsWith(name + QLatin1Char(' '))) {
                t3->ListBox1z->setCurrentRow(row);
                break;
            }
    });
    // The written strategic areas lead on to the packing page.
    connect(t3, &AreasPage::areasWritten, this, [this] {
        PageControl1->setCurrentWidget(t4);
        openPackingPage();
        const char sep = trailingSeparator(state.AddonDir, services_.programDir);
        t4->showAreasWritten(state.AddonDir + "AI" + sep + "StrategicAreas.con");
        guarded(services_.messages, [&] { rememberStep(state, services_.programDir, state::Step::AreasWritten); });
    });

    // The written areas in page 1's script editor.
    connect(t4, &PackingPage::areasScriptChosen, this, [this] {
        guarded(services_.messages, [this] {
            for (int row = 0; row < t1->ListBox1->count(); ++row) {
                if (!equalsIgnoreCase(t1->ListBox1->item(row)->text().toStdString(), "AI/StrategicAreas.con")) continue;
                PageControl1->setCurrentWidget(t1);
                if (t1->ListBox1->currentRow() == row) t1->ListBox1Click();  // read again: it may have changed
                else t1->ListBox1->setCurrentRow(row);
                t1->Memo6->setFocus();
                return;
            }
        });
    });

    connect(t1, &MapPage::continueChosen, this, [this](std::string addon) {
        guarded(services_.messages, [&] { continueConversion(addon); });
    });
    // The pathmaps into another conversion than the one shown: that one is
    // continued first, so the page shows where they went.
    connect(t4, &PackingPage::transferIntoOther, this, [this](std::string addon) {
        guarded(services_.messages, [&] {
            continueConversion(addon);
            if (equalsIgnoreCase(state.MapName + "_001", nameOf(addon.substr(0, addon.size() - 1))))
                t4->Button6Click();
        });
    });

    // "Pathmaps" beside the tabs, on the Areas page and page 3 once the
    // add-on folder exists: the pathmap window over the level's picture.
    auto* pathmapsLink = linkLabel(nullptr, "LabelPathmaps", QStringLiteral("Pathmaps"), 0, 0);
    pathmapsLink->setToolTip(QStringLiteral("Show the pathmaps of the add-on: see, check and mend them"));
    // The tab control reaches past the window's right edge: the link keeps
    // its margin inside the window.
    pathmapsLink->setContentsMargins(0, 0, 8 + std::max(0, PageControl1->geometry().right() + 1 - width()), 0);
    PageControl1->setCornerWidget(pathmapsLink, Qt::TopRightCorner);
    const auto showLink = [this, pathmapsLink] {
        const QWidget* page = PageControl1->currentWidget();
        pathmapsLink->setVisible((page == t3 || page == t4) && !state.AddonDir.empty() && folderExists(state.AddonDir));
    };
    showLink();
    connect(PageControl1, &QTabWidget::currentChanged, this, showLink);
    connect(t1, &MapPage::addonCreated, this, showLink);
    connect(pathmapsLink, &LinkLabel::clicked, this, [this] { guarded(services_.messages, [this] { openPathmaps(); }); });

    // The map analysis fills the Stats page and the packing page's map box.
    connect(t1, &MapPage::mapAnalysed, this, [this](const intake::MapDisplays& d) {
        const auto q = [](const std::string& s) { return QString::fromStdString(s); };
        t6->Label30->setText(q(d.levelFolder));
        t6->Label31->setText(q(d.worldSize));
        t6->Label33->setText(q(d.archiveKind));
        t6->Label32->setText(q(d.basePath));
        t4->showBasePath(q(d.basePath));
        t4->Label39->setText(q(d.mapName));
        t4->Label39->adjustSize();
        t4->showAddonPlace(q(d.addonPlace));
    });
}

void TForm1::openPackingPage() {
    setPageEnabled(t4, true);
    for (QWidget* box : {t4->GroupBox12, t4->GroupBox14, t4->GroupBox15}) box->setEnabled(true);
}

void TForm1::continueConversion(std::string addon) {
    const auto again = [this] { t1->showConversions(); };
    if (!folderExists(addon)) {
        again();
        throw AppError("The add-on folder " + addon + " is gone, so its conversion cannot be continued. Choose the "
                       "map as usual to begin it again");
    }
    const state::OpenedConversion opened = state::openConversion(services_.programDir, addon);
    if (!opened.refusal.empty()) {
        again();
        services_.messages.info(opened.refusal);
        return;
    }
    if (!opened.fromRecord) {
        again();
        throw AppError("The add-on folder " + addon + " no longer holds its conversion (" + state::kRecordFileName +
                       "). Choose the map as usual to begin it again");
    }
    // Its map is one the wizard can have read.
    if (!state::knownWorldSize(opened.conversion.WorldSize))
        throw AppError(state::notItsOwn(addon, opened.conversion.Record));
    takeUp(state, opened.conversion);
    const state::ConversionRecord& r = state.Record;
    t1->restoreConversion(r);
    if (r.has(state::Step::AddonMade)) {
        setPageEnabled(t3, true);
        t3->addonOpened(true);
    }
    if (r.has(state::Step::AreasWritten)) openPackingPage();
    t4->restoreConversion(r);
    // A moved program folder, or paths outside it that are gone: said once.
    if (!opened.notes.empty()) services_.messages.info(opened.notes);
    // On where it was left: the areas, or the packing once they are written.
    if (r.has(state::Step::AreasWritten)) PageControl1->setCurrentWidget(t4);
    else if (r.has(state::Step::AddonMade)) PageControl1->setCurrentWidget(t3);
    if (r.has(state::Step::AddonMade)) offerMapNumberMend(addon);
}

// An add-on of an earlier Tarnwick may number its search maps by the digits
// in their names: one question for all such lines.
void TForm1::offerMapNumberMend(const std::string& addon) {
    std::vector<check::MapNumberFault> faults;
    try {
        faults = check::addonMapNumberFaults(addon);
    } catch (const std::exception&) {
        return;  // a file that cannot be read is the check's to report
    }
    if (faults.empty() ||
        services_.messages.ask(check::mendQuestion(addon, faults), {"Mend the map numbers", "Leave them"}) != 0)
        return;
    const check::MapNumberMend mend = check::mendAddonMapNumbers(addon, &state.Record);
    saveRecordIn(state, addon);
    services_.messages.info(check::mendedMessage(addon, mend));
}

PathmapWindow* TForm1::openPathmaps() {
    auto* window = new PathmapWindow(services_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    std::vector<PathmapWindow::AreaMark> areas;
    // The Areas page's areas, or those of the written script (after a restart).
    const std::string script = state.AddonDir + "AI/StrategicAreas.con";
    const areas::AreaSet set = t3->areaSet().size() != 0 || !fileExists(script)
                                   ? t3->areaSet()
                                   : areas::AreaSet::fromScript(readLines(script));
    for (const auto& a : set.areas())
        areas.push_back({QString::fromStdString(a.spec.name), double(a.spec.box.minX), double(a.spec.box.minY),
                         double(a.spec.box.maxX), double(a.spec.box.maxY), a.spec.side});
    // The Areas page's picture: the one the user chose over the whole world,
    // else the level's world picture (with the chosen one in the combat area
    // when it was fitted there).
    window->open(state.AddonDir, t3->pictureFitted() ? std::string() : t3->picturePath(), std::move(areas), state.MapDir,
                 t3->pictureFitted() ? t3->loadedPicture() : QImage());
    // Beside the main window, as the check window and the consoles are, so
    // that the areas and the pathmaps stay in sight together; over it only
    // where the screen has no room for the window's least size.
    placeBeside(*window, *this, window->size(), window->minimumSizeHint());
    window->show();
    emit pathmapsOpened(window);
    return window;
}

void TForm1::setPageEnabled(QWidget* page, bool enabled) {
    page->setEnabled(enabled);
    const int index = PageControl1->indexOf(page);
    if (index < 0) return;
    // The tab caption shows the page's state; the tab itself stays selectable.
    PageControl1->tabBar()->setTabTextColor(index, enabled ? QColor(Qt::black) : QColor(128, 128, 128));
}

void TForm1::FormShow() {
    const std::string memory = services_.programDir + "memory.bf";
    // A memory.bf that exists but cannot be read is reported; the window
    // opens all the same.
    guarded(services_.messages, [&] {
        if (!pathExists(memory)) return;
        const Lines lines = readLines(memory);
        if (lines.empty()) return;  // an empty file counts as a missing one
        t4->Edit4->setText(QString::fromStdString(lines.front()));
        state.GamePath = lines.front();
    });
    t3->windowShown();
    // The conversions begun earlier, to continue one.
    guarded(services_.messages, [&] { t1->showConversions(); });
    if (splash_) {
        splash_->show();
        splash_->raise();
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

// A digit that no control took (the focus on the tab bar, say) still moves
// the area cursor while the Areas page is shown.
void TForm1::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (PageControl1->currentWidget() == t3 && (mods == Qt::NoModifier || mods == Qt::AltModifier) &&
        t3->digitKey(event->key()))
        return;
    QWidget::keyPressEvent(event);
}

bool TForm1::busy() const { return services_.shell.batchesRunning() || t4->busy(); }

// Closing never cuts a long step short without asking: wait for it (the
// window closes by itself once it and its follow-up are done) or stop it.
void TForm1::closeEvent(QCloseEvent* event) {
    // A pathmap window with unsaved painting asks first; "Cancel" there keeps the wizard open.
    for (PathmapWindow* w : findChildren<PathmapWindow*>())
        if (w->isVisible() && !w->close()) {
            event->ignore();
            return;
        }
    if (busy()) {
        t4->holdPolling(true);  // no "Done" over the question
        const int answer = services_.messages.ask(
            ConsoleWindow::closeQuestion("A step of the conversion (a batch in its console window, or a packing "
                                         "that is waiting for its archive or copying it)"),
            {"Wait", "Stop now", "Cancel"});
        t4->holdPolling(false);
        if (answer == 0) {
            setWindowTitle(kTitle + QStringLiteral(" - closes when the running step has finished"));
            closeWhenIdle_.start();
        } else if (answer == 2) {  // "Cancel" also takes back an earlier "Wait"
            setWindowTitle(kTitle);
            closeWhenIdle_.stop();
        }
        if (answer != 1) {
            event->ignore();
            return;
        }
        // What was running may have ended while the question was open.
        if (!busy())
            services_.messages.info("The running step had already ended when \"Stop now\" was chosen: there was "
                                    "nothing left to stop.");
        t4->stopLongSteps();
        services_.shell.stopBatches();
    }
    closeWhenIdle_.stop();
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace tw
