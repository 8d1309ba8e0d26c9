// The Areas page in fewer steps and without traps: "Cancel" for the box a
// drag opened, boxes beside their area, the view without a picture,
// "Accept all" for proposals and neighbours, the captions' explanations.
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "areas/proposals.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::ScriptedServices;
using test::TempFolder;

const std::string kSample = test::sampleLevel();

// The main window on the Areas page over an add-on folder of the 1024-metre
// sample level, with its control points, and no picture unless loaded.
struct Wizard {
    explicit Wizard(const TempFolder& folder, bool continuing = false)
        : tmp(folder), scripted(tmp.dir()), form(scripted.services), page(*form.t3) {
        fs::create_directories(tmp.path() / "bf1942/levels/DemoMap_001/AI");
        for (const char* f : {"ControlPoints.con", "ControlPointTemplates.con"})
            tmp.write(std::string("bf1942/levels/DemoMap_001/Singleplayer/") + f, readBytes(kSample + "conquest/" + f));
        form.state.LevelDir = tmp.dir() + "bf1942/levels/DemoMap_001/";
        form.state.MapDir = tmp.dir() + "bf1942/levels/DemoMap/";
        form.state.WorldSize = 1024;
        form.state.WorldScale = 2;
        form.setPageEnabled(&page, true);
        form.move(0, 0);  // as much of it on the screen as can be
        form.show();
        form.PageControl1->setCurrentWidget(&page);
        page.askContinue = [](const std::string&) { return true; };
        page.addonOpened(continuing);
        QApplication::setActiveWindow(&form);
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(page.e, Qt::LeftButton, {}, from);
        QTest::mouseMove(page.e, (from + to) / 2);
        QTest::mouseRelease(page.e, Qt::LeftButton, {}, to);
    }
    void record(const QString& name) {
        page.Edit2z->setText(name);
        page.Edit3z->setText(QStringLiteral("70"));
        click(page.Label9z);
    }
    std::string areasFile() const { return tmp.read("bf1942/levels/DemoMap_001/AI/StrategicAreas.con"); }
    // What "Cancel" must put back: the cursor, the commands, the current area's values.
    std::string cursor() const {
        std::string s;
        for (const QWidget* w : std::initializer_list<const QWidget*>{page.gruen, page.fg, page.rot, page.fr, page.oben,
                                                                     page.unten, page.links, page.rechts})
            s += std::to_string(w->x()) + "," + std::to_string(w->y()) + "," + std::to_string(w->width()) + "," +
                 std::to_string(w->height()) + (w->isHidden() ? "h " : "v ");
        s += std::to_string(page.Label1z->isEnabled()) + std::to_string(page.Label2z->isEnabled()) +
             std::to_string(page.Label8z->isEnabled()) + " " + std::to_string(form.t3->scratch().ActivePoint) + " " +
             std::to_string(form.t3->scratch().AreaMinX) + "/" + std::to_string(form.t3->scratch().AreaMaxY);
        return s;
    }

    const TempFolder& tmp;
    ScriptedServices scripted;
    TForm1 form;
    AreasPage& page;
};

// The box a drag opened has "Cancel", and Escape does the same; the box the
// buttons opened has "OK" alone, and Undo's reminder names only what it has.
TEST(AreaBoxes, ADragsBoxCancelsToWhereThingsWere) {
    struct Case {
        const char* what;
        bool firstPointSet;  // "New Strategic - Area" given before the drag
        bool byDrag;
        bool escape;         // Escape instead of a click on "Cancel"
        const char* reminder;
    };
    const Case cases[] = {
        {"drag", false, true, false, "The properties box is open: press its \"OK\" or \"Cancel\" (or Escape) first."},
        {"drag, Escape", false, true, true, nullptr},
        {"drag after New Strategic - Area", true, true, false, nullptr},
        {"the buttons", true, false, true, "The properties box is open: press its \"OK\" first."},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        Wizard w(tmp);
        w.drag({20, 200}, {60, 240});
        w.record("First");  // something to undo
        if (c.firstPointSet) {
            w.click(w.page.Label1z);
            w.page.gruen->move(100, 120);
        }
        const std::string before = w.cursor();
        const std::string file = w.areasFile();
        if (c.byDrag) {
            w.drag({300, 300}, {360, 350});
        } else {
            w.click(w.page.Label2z);
            w.page.rot->move(150, 160);
            w.click(w.page.Label8z);
        }
        ASSERT_TRUE(w.page.areafert->isVisible()) << c.what;
        EXPECT_EQ(w.page.LabelCancel->isVisible(), c.byDrag) << c.what;
        if (c.reminder) {
            w.page.actionUndo->trigger();
            EXPECT_EQ(w.scripted.messages.infos, std::vector<std::string>{c.reminder}) << c.what;
            EXPECT_EQ(w.page.ListBox1z->count(), 1) << c.what;
        }
        if (c.escape) QTest::keyClick(w.page.Edit2z, Qt::Key_Escape);
        else w.click(w.page.LabelCancel);
        if (!c.byDrag) {  // nothing to cancel: the box stays
            EXPECT_TRUE(w.page.areafert->isVisible()) << c.what;
            continue;
        }
        EXPECT_FALSE(w.page.areafert->isVisible()) << c.what;
        EXPECT_EQ(w.cursor(), before) << c.what;
        EXPECT_EQ(w.page.ListBox1z->count(), 1) << c.what;
        EXPECT_EQ(w.areasFile(), file) << c.what;
        w.page.actionUndo->trigger();  // Undo works again: the first area goes
        EXPECT_EQ(w.page.ListBox1z->count(), 0) << c.what;
    }
}

// The properties box and the neighbour box stand beside their area, never
// over it, inside the page; the neighbour box goes when its step ends, and
// stays away when the conversion is continued.
TEST(AreaBoxes, BesideTheirAreaAndGoneWhenTheStepEnds) {
    TempFolder tmp;
    const std::vector<QRect> areas = {{10, 10, 50, 50},    {230, 230, 50, 40}, {440, 440, 60, 60},
                                      {1, 1, 500, 300},    {60, 380, 400, 120}, {470, 20, 35, 470}};
    const auto outline = [](const QRect& r) { return r.adjusted(0, 0, 5, 5); };  // with the bars
    {
        Wizard w(tmp);
        const QRect screen = w.page.screen()->availableGeometry();
        const QRect room =
            w.page.rect() & QRect(w.page.mapFromGlobal(screen.topLeft()), w.page.mapFromGlobal(screen.bottomRight()));
        for (size_t i = 0; i < areas.size(); ++i) {
            const QRect& r = areas[i];
            w.drag(r.topLeft(), r.topLeft() + QPoint(r.width(), r.height()));
            ASSERT_TRUE(w.page.areafert->isVisible()) << i;
            EXPECT_FALSE(w.page.areafert->geometry().intersects(outline(r))) << i;
            EXPECT_TRUE(room.contains(w.page.areafert->geometry())) << i;
            w.record(QStringLiteral("A%1").arg(i));
        }
        w.click(w.page.Image2z);
        for (size_t i = 0; i < areas.size(); ++i) {
            ASSERT_TRUE(w.page.GroupBox5z->isVisible()) << i;
            EXPECT_FALSE(w.page.GroupBox5z->geometry().intersects(outline(areas[i]))) << i;
            EXPECT_TRUE(room.contains(w.page.GroupBox5z->geometry())) << i;
            w.click(w.page.Label16z);
        }
        EXPECT_FALSE(w.page.GroupBox5z->isVisibleTo(&w.page));
        w.scripted.messages.infos.clear();
        w.click(w.page.Image2z);  // nothing waits: says how to choose again
        EXPECT_FALSE(w.page.GroupBox5z->isVisibleTo(&w.page));
        ASSERT_EQ(w.scripted.messages.infos.size(), 1u);
        EXPECT_NE(w.scripted.messages.infos[0].find("Choose its neighbours again"), std::string::npos);
    }
    Wizard again(tmp, true);  // "Continue a conversion"
    EXPECT_EQ(again.page.ListBox1z->count(), static_cast<int>(areas.size()));
    EXPECT_FALSE(again.page.GroupBox5z->isVisibleTo(&again.page));
}

// Without a picture the view says what is missing and shows the level's
// control points and the areas proposed around them; a picture replaces all.
TEST(MapPicture, TheEmptyViewExplainsAndShowsTheControlPoints) {
    TempFolder tmp;
    Wizard w(tmp);
    const auto points = areas::readAddonControlPoints(w.form.state.LevelDir);
    ASSERT_EQ(points.size(), 5u);
    const auto at = [&](QPoint p) { return QColor(w.page.grab(QRect(0, 0, 512, 512)).toImage().pixel(p)); };
    const QColor grey = QColor(w.page.e->picture().pixel(50, 50));
    const QPoint textBox(30, 490), away(250, 5);
    EXPECT_EQ(at(away), grey);
    EXPECT_LT(at(textBox).lightness(), grey.lightness() - 40);  // the text's dark box
    for (const auto& p : points) EXPECT_NE(at(QPoint(int(p.x / 2), int((1024 - p.y) / 2))), grey) << p.templateName;
    const auto village = areas::proposeAreas(points, 1024, 2)[2];  // its name on a dark label
    EXPECT_LT(at(QPoint(village.left + 4, village.top + 5)).lightness(), grey.lightness() - 40);

    w.scripted.dialogs.answer(std::string(TW_SOURCE_DIR) + "/tests/data/wide_map.jpg");
    w.click(w.page.Label10z);
    const QColor own = w.page.e->picture().pixel(textBox.x() * 2, textBox.y() * 768 / 512);
    EXPECT_LT(std::abs(at(textBox).lightness() - own.lightness()), 30);  // the picture alone, no text over it
}

// "Accept all" in either box writes exactly the file that clicking through
// writes, from any point of the walk; each is one step for Undo.
TEST(AreaProposals, AcceptAllWritesWhatClickingThroughWrites) {
    struct Case {
        const char* what;
        int oksFirst;         // proposals recorded one by one before "Accept all"
        bool renameShown;     // the shown proposal renamed in the box first
        int nextOnesFirst;    // "Next one"s before "Accept all" in the neighbour box
        bool untickFirst;     // the current area's proposed ticks taken off first
    };
    const Case cases[] = {
        {"at once", 0, false, 0, false},
        {"after two", 2, false, 3, false},
        {"renamed", 1, true, 1, true},
        {"the last", 4, false, 4, false},
    };
    const auto walk = [](Wizard& w, const Case& c, bool acceptAll) {
        w.click(w.page.LabelPropose);
        for (int i = 0; i < c.oksFirst; ++i) w.click(w.page.Label9z);
        if (c.renameShown) w.page.Edit2z->setText(QStringLiteral("Renamed"));
        if (acceptAll) {
            const int before = w.page.ListBox1z->count();
            w.click(w.page.LabelAcceptAll);
            EXPECT_FALSE(w.page.areafert->isVisible()) << c.what;
            EXPECT_FALSE(w.page.LabelAcceptAll->isVisibleTo(w.page.areafert)) << c.what;
            w.page.actionUndo->trigger();  // one step back: the box's and the rest's areas go together
            EXPECT_EQ(w.page.ListBox1z->count(), before) << c.what;
            w.page.actionRedo->trigger();
        } else {
            while (w.page.areafert->isVisible()) w.click(w.page.Label9z);
        }
        ASSERT_EQ(w.page.ListBox1z->count(), 5) << c.what;
        w.click(w.page.Image2z);
        for (int i = 0; i < c.nextOnesFirst; ++i) w.click(w.page.Label16z);
        if (c.untickFirst)
            for (int i = 0; i < w.page.CheckListBox1->count(); ++i)
                w.page.CheckListBox1->item(i)->setCheckState(Qt::Unchecked);
        if (acceptAll) w.click(w.page.LabelAcceptNeighbours);
        else
            while (w.page.GroupBox5z->isVisibleTo(&w.page)) w.click(w.page.Label16z);
        EXPECT_EQ(w.scripted.messages.infos, std::vector<std::string>{"Change something if you want to."}) << c.what;
        EXPECT_EQ(w.form.PageControl1->currentWidget(), w.form.t4) << c.what;
    };
    for (const Case& c : cases) {
        TempFolder byClicks, byAcceptAll;
        std::string expected;
        {
            Wizard w(byClicks);
            walk(w, c, false);
            expected = w.areasFile();
        }
        Wizard w(byAcceptAll);
        walk(w, c, true);
        ASSERT_FALSE(expected.empty()) << c.what;
        EXPECT_EQ(w.areasFile(), expected) << c.what;
    }
}

// Every German or odd caption keeps its text and says in an English
// tooltip what it does; the hints given in German stay as the first line.
TEST(AreaCaptions, GermanAndOddCaptionsAreExplained) {
    TempFolder tmp;
    Wizard w(tmp);
    const std::vector<std::pair<const char*, const char*>> controls = {
        {"areafert", ""}, {"GroupBox5z", ""}, {"Label13z", ""}, {"Label3z", ""}, {"GroupBox4z", ""},
        {"Image2z", ""}, {"strong", ""}, {"Flanke", ""}, {"CheckListBox1", ""},
        {"Edit2z", "Wie hei\xC3\x9F" "t deine Area ?\n"},
        {"Edit3z", "Wie wichtig ist das viech ? (Orientierung: unwichtig 10, wichtig 150)\n"},
        {"leicht", "Jeeps, Boote, etc.\n"}, {"schwer", "Panzer, Bomber, etc.\n"},
    };
    for (const auto& [name, hint] : controls) {
        auto* control = w.page.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(control, nullptr) << name;
        const QString tip = control->toolTip();
        EXPECT_TRUE(tip.startsWith(QString::fromUtf8(hint))) << name << ": " << tip.toStdString();
        EXPECT_GT(tip.size() - QString::fromUtf8(hint).size(), 20) << name << ": " << tip.toStdString();
    }
    EXPECT_EQ(w.page.areafert->title(), QStringLiteral("Area fertigstellen"));
    EXPECT_EQ(w.page.GroupBox5z->title(), QStringLiteral("Nachbarn"));
}

} // namespace
} // namespace tw
