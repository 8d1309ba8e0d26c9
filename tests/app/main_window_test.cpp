#include "app/main_window.h"
#include "app/splash_window.h"
#include "app/stats_page.h"
#include "areas/areas_page.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tw {
namespace {

using test::ScriptedServices;
using test::TempFolder;

struct Window {
    explicit Window(const TempFolder& folder) : scripted(folder.dir()), form(scripted.services) {
        form.setSplash(&splash);
    }
    ScriptedServices scripted;
    TForm1 form;
    TForm2 splash;
};

QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return {};
}

// A control's own enabled state, whatever its parents' states are.
bool ownEnabled(QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }

TEST(StartingState, ControlsTheWizardLaterSwitches) {
    TempFolder folder;
    Window window(folder);
    struct Row {
        const char* name;
        const char* caption;
        bool enabled;
        bool visible;
        std::optional<bool> checked;
    };
    const Row rows[] = {
        {"pack", "RFA - Archive ", true, true, true},
        {"unpack", "unpacked Map", true, true, false},
        {"Button1", "OK", false, true, {}},
        {"GroupBox8", "CON Files", false, true, {}},
        {"Button2", "Start", true, true, {}},
        {"GroupBox9", "CONS", false, true, {}},
        {"ListBox1", "", false, true, {}},
        {"Memo6", "", false, true, {}},
        {"Label2z", "Apply the current point", false, true, {}},
        {"Label8z", "Apply the current area", false, true, {}},
        {"Label4z", "Left", false, true, {}},
        {"Label5z", "Right", false, true, {}},
        {"Label6z", "Up", false, true, {}},
        {"Label7z", "Down", false, true, {}},
        {"Edit1z", "1", false, true, {}},
        {"areafert", "Area fertigstellen", true, false, {}},
        {"GroupBox5z", "Nachbarn", true, false, {}},
        {"GroupBox13", "Your Map", false, true, {}},
        {"Button4", "Apply", false, true, {}},
        {"GroupBox14", "Battlefield 1942", false, true, {}},
        {"packbar", "", true, false, {}},
        {"Button8", "Connect map and addon", false, true, {}},
        {"fix3", "Let it be, I do that on my own", true, true, true},
        // A sample of everything else: enabled, visible, unchecked.
        {"fix1", "Delete it", true, true, false},
        {"fix2", "Create a backup:", true, true, false},
        {"oldfix", "Addon from older Tarnwick version, fix network-bug", true, true, false},
        {"shipp", "Ships", true, true, false},
        {"landp", "Landingcrafts", true, true, false},
        {"RadioButton1", "Interval Settings / Key-Movement", true, true, false},
        {"RadioButton2", "Use Numpad-Keys to move around", true, true, false},
        {"Team1", "Team 1", true, true, false},
        {"Neutral", "Neutral", true, true, false},
        {"Label1z", "New Strategic - Area", true, true, {}},
        {"Label10z", "Load map image", true, true, {}},
        {"Edit4", "BF Pfad", true, true, {}},
        {"Edit3", "Path", true, true, {}},
        {"Edit2z", "Your area - name here", true, true, {}},
        {"Edit3z", "Priority (from 1 - 200)", true, true, {}},
        {"Edit6", "Map", true, true, {}},
        {"Edit7", "Addon (_00x)", true, true, {}},
        {"Label13z", "Area", true, true, {}},
        {"Label42", "Your addon gets packed for the first time to generate pathmaps. Click here to start packing",
         true, true, {}},
        {"Button10", "Unpack", true, true, {}},
        {"Button7", "Pack", true, true, {}},
        {"gruen", "", true, true, {}},
        {"rot", "", true, true, {}},
        {"fg", "", true, true, {}},
        {"fr", "", true, true, {}},
        {"oben", "", true, true, {}},
    };
    for (const Row& row : rows) {
        auto* w = window.form.findChild<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_NE(w, nullptr) << row.name;
        EXPECT_EQ(captionOf(w), QString::fromUtf8(row.caption)) << row.name;
        EXPECT_EQ(ownEnabled(w), row.enabled) << row.name;
        EXPECT_EQ(!w->isHidden(), row.visible) << row.name;
        if (row.checked) {
            auto* b = qobject_cast<QAbstractButton*>(w);
            ASSERT_NE(b, nullptr) << row.name;
            EXPECT_EQ(b->isChecked(), *row.checked) << row.name;
        }
    }
}

// The German and the short captions of pages 1 and 3 and the network box
// stay as they are; their English tooltips say what they do.
TEST(StartingState, GermanAndShortCaptionsHaveEnglishTooltips) {
    TempFolder tmp;
    Window w(tmp);
    MapPage& t1 = *w.form.t1;
    PackingPage& t4 = *w.form.t4;
    struct Case {
        QWidget* widget;
        const char* caption;
        const char* says;  // part of the tooltip
    };
    const Case cases[] = {
        {t1.GroupBox7, "Deine Map", "the level to convert"},
        {t1.pack, "RFA - Archive ", "packed level archive"},
        {t1.unpack, "unpacked Map", "unpacked level folder"},
        {t1.GroupBox9, "CONS", "The add-on's scripts"},
        {t1.Button3, "Safe changings on the right side", "Save changes"},
        {t4.GroupBox12, "Part 1", "the first packing"},
        {t4.Edit4, "BF Pfad", "The game folder"},
        {t4.Button5, "This path is ok | Apply the new one", "remembers it"},
        {t4.Label37, "Basepath: ", "The base path"},
        {t4.GroupBox17, "Part 2", "pack it for good"},
        {t4.GroupBox19, "Network ?", "Network games"},
        {t4.Edit7, "Addon (_00x)", "The add-on's archive"},
        {t4.oldfix, "Addon from older Tarnwick version, fix network-bug", "older Tarnwick"},
        {t4.fix3, "Let it be, I do that on my own", "Leaves the add-on's archive"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(captionOf(c.widget).toStdString(), c.caption);
        EXPECT_TRUE(c.widget->toolTip().contains(QString::fromUtf8(c.says))) << c.caption << ": "
                                                                            << c.widget->toolTip().toStdString();
    }
}

TEST(StartingState, PagesInOrderWithTheirCaptionsAndStates) {
    TempFolder folder;
    Window window(folder);
    QTabWidget* tabs = window.form.PageControl1;
    ASSERT_EQ(tabs->count(), 4);
    const char* names[] = {"t1", "t3", "t4", "t6"};
    const char* captions[] = {"(1) Map + Confiles", "(2) Areas", "(3) Pathmaps-config + Packing", "Stats"};
    const bool enabled[] = {true, false, true, false};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tabs->widget(i)->objectName(), QString::fromLatin1(names[i]));
        EXPECT_EQ(tabs->tabText(i), QString::fromLatin1(captions[i]));
        EXPECT_EQ(ownEnabled(tabs->widget(i)), enabled[i]) << names[i];
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(window.form.windowTitle(), QStringLiteral("Tarnwick by quorvin_tal"));
    EXPECT_EQ(window.form.size(), QSize(760, 621));
    EXPECT_EQ(window.splash.size(), QSize(369, 217));
    EXPECT_EQ(window.splash.Image1->picture().size(), QSize(369, 217));
}

TEST(StartingState, TheConversionStartsEmpty) {
    TempFolder folder;
    Window window(folder);
    const state::Conversion& s = window.form.state;
    EXPECT_TRUE(s.AddonDir.empty() && s.MapDir.empty() && s.MapName.empty() && s.GamePath.empty());
    EXPECT_EQ(s.WorldSize, 0);
    EXPECT_EQ(s.worldScale(), 0);
    EXPECT_EQ(window.form.t3->scratch(), AreasPage::Scratch{});
    window.form.show();
    EXPECT_EQ(window.form.t3->scratch().ActivePoint, 1);
}

TEST(StartingState, AddonFolderUsesTheProgramFoldersSeparator) {
    state::Conversion s;
    s.MapName = "MyMap";
    EXPECT_EQ(addonDir("C:\\Tools\\", s), "C:\\Tools\\bf1942\\levels\\MyMap_001\\");
    EXPECT_EQ(addonDir("/opt/tw/", s), "/opt/tw/bf1942/levels/MyMap_001/");
}

struct MemoryCase {
    std::optional<std::string> memoryBf;  // nothing: no file
    QString shown;
    std::string gamePath;
};

TEST(FormShow, RestoresTheGameFolderFromMemoryBf) {
    const MemoryCase cases[] = {
        {std::nullopt, QStringLiteral("BF Pfad"), ""},
        {std::string("C:\\Games\\Battlefield 1942\\"), QStringLiteral("C:\\Games\\Battlefield 1942\\"),
         "C:\\Games\\Battlefield 1942\\"},
        {std::string("C:\\Games\\Battlefield 1942\\\r\nD:\\Other\\\r\n"),
         QStringLiteral("C:\\Games\\Battlefield 1942\\"), "C:\\Games\\Battlefield 1942\\"},
        {std::string(""), QStringLiteral("BF Pfad"), ""},
        {std::string("C:\\Spiele\\Schlacht \xE4\\"), QStringLiteral("C:\\Spiele\\Schlacht \u00E4\\"),
         "C:\\Spiele\\Schlacht \xC3\xA4\\"},
    };
    for (const MemoryCase& c : cases) {
        TempFolder folder;
        if (c.memoryBf) folder.write("memory.bf", *c.memoryBf);
        Window window(folder);
        window.form.show();
        EXPECT_EQ(window.form.t4->Edit4->text(), c.shown);
        EXPECT_EQ(window.form.state.GamePath, c.gamePath);
        EXPECT_EQ(window.form.t3->scratch().ActivePoint, 1);
        EXPECT_TRUE(window.splash.isVisible());
        EXPECT_TRUE(window.scripted.messages.errors.empty());
    }
}

TEST(FormShow, AnUnreadableMemoryBfIsReportedAndTheWindowStillOpens) {
    TempFolder folder;
    std::filesystem::create_directory(folder.path() / "memory.bf");
    Window window(folder);
    window.form.show();
    ASSERT_EQ(window.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(window.scripted.messages.errors[0],
              "Datei " + folder.dir() + "memory.bf kann nicht ge\xC3\xB6" "ffnet werden. Zugriff verweigert.");
    EXPECT_TRUE(window.form.isVisible());
    EXPECT_TRUE(window.splash.isVisible());
    EXPECT_EQ(window.form.t4->Edit4->text(), QStringLiteral("BF Pfad"));
    EXPECT_EQ(window.form.t3->scratch().ActivePoint, 1);
}

TEST(Splash, AClickHidesItAndLeavesTheMainWindowAsItWas) {
    TempFolder folder;
    Window window(folder);
    window.form.show();
    ASSERT_TRUE(window.splash.isVisible());
    QTest::mouseClick(window.splash.Image1, Qt::LeftButton);
    EXPECT_FALSE(window.splash.isVisible());
    EXPECT_TRUE(window.form.isVisible());
    EXPECT_EQ(window.form.PageControl1->currentIndex(), 0);
}

TEST(SupportBanner, OpensTheSponsorsAddressThroughTheShell) {
    TempFolder folder;
    Window window(folder);
    window.form.show();
    window.form.PageControl1->setCurrentWidget(window.form.t4);
    QTest::mouseClick(window.form.t4->Image15, Qt::LeftButton);
    ASSERT_EQ(window.scripted.shell.urls.size(), 1u);
    EXPECT_EQ(window.scripted.shell.urls[0], kSupportUrl);
    EXPECT_NE(std::string(kSupportUrl).find("/click.php?pid="), std::string::npos);
    EXPECT_TRUE(window.scripted.messages.errors.empty());
}

} // namespace
} // namespace tw

namespace tw {
namespace {

// A window whose first packing waits for its batch, over a program folder
// of its own.
struct WaitingWindow {
    WaitingWindow() {
        std::filesystem::create_directories(test::driveFree("C:/Tools/temp"));
        QObject::connect(&form, &TForm1::closed, [this] { closed = true; });
        form.show();
        form.state.MapName = "MyMap";
        scripted.dialogs.answer(test::driveFree("D:\\Archives\\MyMap_001"));
        form.t4->Label42Click();
    }
    // The batch has made both archives and ends well.
    void batchEndsWell() {
        tmp.write(test::driveFree("C:/Tools/MyMap_001.rfa"), "a");
        tmp.write(test::driveFree("D:/Archives/MyMap_001.rfa"), "a");
        scripted.shell.finishers[0](true);
    }
    test::TempFolder tmp;
    test::InFolder in{tmp.path()};
    test::ScriptedServices scripted{test::driveFree("C:\\Tools\\")};
    TForm1 form{scripted.services};
    bool closed = false;
};

// Closing the window while a long step runs asks: wait, stop now or cancel.
TEST(ClosingWhileBusy, AsksAndWaitsStopsOrStays) {
    struct Case {
        int answer;  // 0 wait, 1 stop now, 2 cancel
        bool closedAtOnce;
    };
    for (const Case c : {Case{0, false}, Case{1, true}, Case{2, false}}) {
        WaitingWindow w;
        auto& scripted = w.scripted;
        auto& form = w.form;
        const bool& closed = w.closed;
        scripted.messages.answers.push_back(c.answer);
        form.close();
        EXPECT_EQ(scripted.messages.questions.size(), 1u);
        EXPECT_EQ(closed, c.closedAtOnce) << c.answer;
        if (c.answer == 1) {
            EXPECT_EQ(scripted.shell.stopped, 1);
            EXPECT_FALSE(form.busy());
            EXPECT_FALSE(std::filesystem::exists(test::driveFree("C:/Tools/temp/pathf.bf")));
            EXPECT_TRUE(scripted.messages.errors.empty());  // a stop is no failure to report
        }
        if (c.answer == 0) {
            // The window closes by itself once the batch has ended and its
            // follow-up, the state file, is written.
            QTest::qWait(400);
            EXPECT_FALSE(closed);  // the batch still runs
            w.batchEndsWell();
            ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 3000));
            EXPECT_TRUE(std::filesystem::exists(test::driveFree("C:/Tools/temp/pathf.bf")));
        }
        if (c.answer == 2) {
            EXPECT_TRUE(form.isVisible());
            EXPECT_TRUE(form.busy());
            // "Wait", then "Cancel": the window no longer closes by itself.
            scripted.messages.answers.assign({0, 2});
            form.close();
            form.close();
            EXPECT_EQ(form.windowTitle(), QStringLiteral("Tarnwick by quorvin_tal"));
            scripted.shell.finishers[0](false);
            QTest::qWait(400);
            EXPECT_FALSE(closed);
        }
    }
}

// The step ends while the question is open: "Stop now" closes the window,
// says that nothing was stopped, and the step's follow-up has been done.
TEST(ClosingWhileBusy, StopNowAfterTheStepHasEnded) {
    WaitingWindow w;
    auto& scripted = w.scripted;
    auto& form = w.form;
    const bool& closed = w.closed;
    scripted.messages.answers.push_back(1);
    scripted.messages.whileAsking = [&] {
        w.batchEndsWell();
        QTest::qWait(3 * PackingPage::kPollMilliseconds);
    };
    form.close();
    EXPECT_TRUE(closed);
    EXPECT_EQ(scripted.shell.stopped, 0);
    ASSERT_EQ(scripted.messages.infos.size(), 1u);
    EXPECT_NE(scripted.messages.infos[0].find("had already ended"), std::string::npos) << scripted.messages.infos[0];
    EXPECT_TRUE(std::filesystem::exists(test::driveFree("C:/Tools/temp/pathf.bf")));
}

// "Pack" ends while the close question is open: its "Done" comes after the
// question, not over it, and "Wait" then closes the window.
TEST(ClosingWhileBusy, NoDoneOverTheQuestion) {
    test::TempFolder tmp;
    test::InFolder in(tmp.path());
    tmp.write(test::driveFree("C:/Tools/temp/pathf.bf"),
              test::driveFree("C:\\Tools\\bf1942\\levels\\MyMap_001\\\r\nD:\\Game\\\r\nD:\\Archives\\MyMap_001\r\nMyMap\r\n"));
    tmp.write(test::driveFree("C:/Tools/bf1942/levels/MyMap_001/ai.con"), "ai.createallmaps\r\n");
    tmp.write(test::driveFree("D:/Game/bf1942/levels/MyMap/Pathfinding/Tank0Level1Map.raw"), "tank");
    std::filesystem::create_directories(test::driveFree("D:/Archives"));
    test::ScriptedServices scripted(test::driveFree("C:\\Tools\\"));
    TForm1 form(scripted.services);
    bool closed = false;
    QObject::connect(&form, &TForm1::closed, [&] { closed = true; });
    form.show();
    QTest::mouseClick(form.t4->Button6, Qt::LeftButton);
    scripted.messages.infos.clear();
    scripted.messages.answers = {0, 0};  // "Pack anyway" (a stand-in add-on), then "Wait"
    QTest::mouseClick(form.t4->Button7, Qt::LeftButton);
    ASSERT_EQ(scripted.shell.batches.size(), 1u);
    std::vector<std::string> saidWhileAsking;
    scripted.messages.whileAsking = [&] {
        tmp.write(test::driveFree("C:/Tools/MyMap_001.rfa"), "packed");
        scripted.shell.finishers[0](true);
        (void)QTest::qWaitFor([&] { return !scripted.messages.infos.empty(); }, 1500);
        saidWhileAsking = scripted.messages.infos;
    };
    form.close();
    EXPECT_EQ(saidWhileAsking, std::vector<std::string>{});
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 3000));
    ASSERT_FALSE(scripted.messages.infos.empty());
    EXPECT_EQ(scripted.messages.infos.back().rfind("Done", 0), 0u) << ::testing::PrintToString(scripted.messages.errors);
}

// The "Pathmaps" link beside the tabs stands wholly inside the window.
TEST(StartingState, ThePathmapsLinkIsNotClippedAtTheWindowsEdge) {
    test::TempFolder tmp;
    test::ScriptedServices scripted(tmp.dir());
    TForm1 form(scripted.services);
    form.resize(760, 621);
    form.show();
    form.state.AddonDir = tmp.dir();  // an add-on folder that exists: the link is shown
    form.PageControl1->setCurrentWidget(form.t4);
    QApplication::processEvents();
    const auto* link = form.findChild<QLabel*>(QStringLiteral("LabelPathmaps"));
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(link->isVisible());
    const QRect text = link->contentsRect();
    EXPECT_GE(text.width(), link->fontMetrics().horizontalAdvance(link->text()));
    EXPECT_LE(link->mapTo(&form, text.topRight()).x(), form.width() - 1);
}

TEST(ClosingWhileBusy, AnIdleWindowClosesWithoutAQuestion) {
    test::TempFolder tmp;
    test::ScriptedServices scripted(tmp.dir());
    TForm1 form(scripted.services);
    bool closed = false;
    QObject::connect(&form, &TForm1::closed, [&] { closed = true; });
    form.show();
    form.close();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(scripted.messages.questions.empty());
}

TEST(ProgramFolderLock, OneWizardPerProgramFolder) {
    test::TempFolder a, b;
    std::string refusal;
    const auto first = lockProgramFolder(a.dir(), refusal);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(refusal.empty());
    EXPECT_EQ(lockProgramFolder(a.dir(), refusal), nullptr);
    EXPECT_NE(refusal.find("already running on this program folder"), std::string::npos) << refusal;
    std::string other;
    EXPECT_NE(lockProgramFolder(b.dir(), other), nullptr);  // another folder is free
}

} // namespace
} // namespace tw
