// The add-on's check on page 3: its window with the links to the Areas page
// and the pathmap window, and the check before "Pack".
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "packing/check_window.h"
#include "packing/packing_page.h"
#include "pathmaps/pathmap_set.h"
#include "pathmaps/pathmap_window.h"
#include "platform/files.h"
#include "support/clean_addon.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

// The wizard over a clean add-on of the sample, its five areas listed on
// the Areas page, ready for "Pack".
struct Checked {
    Checked()
        : program(test::makeProgramFolder(tmp.path() / "Tarnwick")), addon(program + "bf1942/levels/DemoMap_001/"),
          scripted(program), form(scripted.services) {
        test::makeCleanAddon(program, addon);
        form.state.AddonDir = addon;
        form.state.MapDir = program + "samples/DemoMap/";
        form.state.MapName = "DemoMap";
        form.state.PackTarget = tmp.dir() + "DemoMap_001";
        writeBytes(program + "pack.bat", "rem packs the add-on\r\n");
        form.setPageEnabled(form.t3, true);
        for (const char* area : {"CP_Axis_Base", "CP_Allied_Base", "CP_Village", "CP_Bridge", "CP_Hill"})
            form.t3->ListBox1z->addItem(QString::fromLatin1(area) + " [ 0;0 / 10;10 ] ==> Prio. [100]");
        form.show();
        form.PageControl1->setCurrentWidget(form.t4);
    }
    // Two errors: an area's neighbour that names no area, a missing pathmap.
    void breakIt() {
        writeBytes(addon + "AI/StrategicAreas.con", readBytes(addon + "AI/StrategicAreas.con") +
                                                        "aiStrategicArea.setActive CP_Hill\r\n"
                                                        "AIStrategicArea.addNeighbour Nowhere\r\n");
        keptPathmap = readBytes(addon + "Pathfinding/Car4Level1Map.raw");
        fs::remove(addon + "Pathfinding/Car4Level1Map.raw");
    }
    std::string keptPathmap;
    QTreeWidgetItem* row(const char* code) const {
        const auto items = form.t4->checkWindow()->findingsTree->findItems(code, Qt::MatchExactly | Qt::MatchRecursive, 1);
        return items.size() == 1 ? items[0] : nullptr;
    }
    test::TempFolder tmp;
    std::string program, addon;
    test::ScriptedServices scripted;
    TForm1 form;
};

TEST(CheckWindow, FindingsBySeverityAndWhereTheyLead) {
    Checked c;
    c.breakIt();
    // The link gives way to the bar of the archive's copy, which stands there.
    c.form.t4->copybar->show();
    EXPECT_FALSE(c.form.t4->LabelCheck->isVisible());
    c.form.t4->copybar->hide();
    EXPECT_TRUE(c.form.t4->LabelCheck->isVisible());

    QTest::mouseClick(c.form.t4->LabelCheck, Qt::LeftButton);
    CheckWindow* window = c.form.t4->checkWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    QTreeWidget* tree = window->findingsTree;
    ASSERT_EQ(tree->topLevelItemCount(), 2);  // errors, then information
    EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), "Errors: the game will misbehave (2)");
    EXPECT_TRUE(tree->topLevelItem(1)->text(0).startsWith("Information"));

    // An area's finding: its area on the Areas page.
    QTreeWidgetItem* area = c.row("neighbour-unknown");
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->text(0).toStdString(), "AI/StrategicAreas.con:60");
    emit tree->itemActivated(area, 0);
    EXPECT_EQ(c.form.PageControl1->currentWidget(), c.form.t3);
    EXPECT_EQ(c.form.t3->ListBox1z->currentRow(), 4);

    // A pathmap's finding: the pathmap window is asked for with its map.
    QSignalSpy pathmap(c.form.t4, &PackingPage::pathmapFindingChosen);
    QTreeWidgetItem* missing = c.row("pathmap-unusable");
    ASSERT_NE(missing, nullptr);
    emit tree->itemActivated(missing, 0);
    ASSERT_EQ(pathmap.size(), 1);
    EXPECT_EQ(pathmap[0][0].toString().toStdString(), "Car4");
    EXPECT_NE(c.form.findChild<PathmapWindow*>(), nullptr);

    // Mended, "Check again" finds no error.
    writeBytes(c.addon + "Pathfinding/Car4Level1Map.raw", c.keptPathmap);
    Lines lines = readLines(c.addon + "AI/StrategicAreas.con");
    lines.resize(lines.size() - 2);
    writeLines(c.addon + "AI/StrategicAreas.con", lines, true);
    QTest::mouseClick(window->againButton, Qt::LeftButton);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_TRUE(tree->topLevelItem(0)->text(0).startsWith("Information"));
    EXPECT_TRUE(c.scripted.messages.errors.empty());
}

// Blanks in area names (their create lines edited by hand): the causes are
// the rows of the errors, each with what follows from it under it, and
// "Pack" names the causes first, with "Cancel" as its default answer.
TEST(CheckWindow, CausesFirstWithWhatFollowsUnderThem) {
    struct Case {
        std::vector<std::string> areas;  // each gets a blank in its create line
        std::vector<int> lines;          // those lines
    };
    const Case cases[] = {
        {{"CP_Village"}, {6}},
        {{"CP_Axis_Base", "CP_Allied_Base", "CP_Village", "CP_Bridge", "CP_Hill"}, {2, 4, 6, 8, 10}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.areas.size());
        Checked c;
        std::string text = readBytes(c.addon + "AI/StrategicAreas.con");
        for (const std::string& area : k.areas) {
            const size_t at = text.find("create " + area + " ");
            text.replace(at + 7 + area.find('_'), 1, " ");
        }
        writeBytes(c.addon + "AI/StrategicAreas.con", text);

        QTest::mouseClick(c.form.t4->LabelCheck, Qt::LeftButton);
        QTreeWidget* tree = c.form.t4->checkWindow()->findingsTree;
        QTreeWidgetItem* errors = tree->topLevelItem(0);
        ASSERT_TRUE(errors->text(0).startsWith("Errors"));
        ASSERT_EQ(errors->childCount(), static_cast<int>(k.lines.size()));
        for (int i = 0; i < errors->childCount(); ++i) {
            QTreeWidgetItem* cause = errors->child(i);
            EXPECT_EQ(cause->text(0).toStdString(), "AI/StrategicAreas.con:" + std::to_string(k.lines[i]));
            EXPECT_EQ(cause->text(1).toStdString(), "area-name-bad");
            EXPECT_GT(cause->childCount(), 0);
        }
        EXPECT_EQ(tree->currentItem(), errors->child(0));
        // Nothing else stands beside the causes, warnings included.
        for (int g = 1; g < tree->topLevelItemCount(); ++g)
            EXPECT_TRUE(tree->topLevelItem(g)->text(0).startsWith("Information")) << tree->topLevelItem(g)->text(0).toStdString();

        c.scripted.messages.answers = {1};
        QTest::mouseClick(c.form.t4->Button7, Qt::LeftButton);
        ASSERT_EQ(c.scripted.messages.questions.size(), 1u);
        const Lines asked = splitLines(c.scripted.messages.questions[0]);
        ASSERT_GT(asked.size(), k.lines.size());
        for (size_t i = 0; i < k.lines.size(); ++i)
            EXPECT_EQ(asked[1 + i].rfind("AI/StrategicAreas.con:" + std::to_string(k.lines[i]) + ": The name \"", 0), 0u)
                << asked[1 + i];
        EXPECT_EQ(asked[1 + k.lines.size()], "");  // then the question
        ASSERT_EQ(c.scripted.messages.defaults.size(), 1u);
        EXPECT_EQ(c.scripted.messages.defaults[0], 1u);  // "Cancel"
        EXPECT_TRUE(c.scripted.shell.batches.empty());
    }
}

// A pathmap finding with a place opens the pathmap window zoomed in there,
// the place marked.
TEST(CheckWindow, APathmapFindingOpensThePathmapWindowAtItsPlace) {
    Checked c;
    auto set = pathmaps::PathmapSet::open(c.addon);
    pathmaps::Bitmap& base = set.editBase(0);
    for (int z = 502; z < 509; ++z)
        for (int x = 512; x < 519; ++x) base.set(x, z, true);  // over the village's vehicle spawn
    set.save();
    QTest::mouseClick(c.form.t4->LabelCheck, Qt::LeftButton);
    QTreeWidgetItem* suspect = c.row("pathmap-suspect");
    ASSERT_NE(suspect, nullptr);
    EXPECT_EQ(suspect->text(0).toStdString(), "515/505");
    emit c.form.t4->checkWindow()->findingsTree->itemActivated(suspect, 0);
    auto* window = c.form.findChild<PathmapWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->markedPlace(), std::optional<QPointF>(QPointF(515, 505)));
    const MapView* v = window->view;
    EXPECT_GT(v->pixelsPerMetre(), 4 * std::min(v->width(), v->height()) / v->worldSize());
    EXPECT_NEAR(v->toWidget(515, 505).x(), v->width() / 2.0, 1);
}

// Beside the main window, so that going to an area happens in sight.
TEST(CheckWindow, OpensBesideTheMainWindow) {
    Checked c;
    const QRect screen = c.form.screen()->availableGeometry();
    c.form.move(screen.left() - 500, screen.top());  // room on its right
    QTest::mouseClick(c.form.t4->LabelCheck, Qt::LeftButton);
    const QRect at = c.form.t4->checkWindow()->frameGeometry();
    EXPECT_FALSE(at.intersects(c.form.frameGeometry())) << at.x() << "," << at.y() << " " << at.width() << "x" << at.height() << " main " << c.form.frameGeometry().x() << "," << c.form.frameGeometry().width() << " screen " << screen.width() << "x" << screen.height();
    EXPECT_TRUE(screen.contains(at));
}

TEST(CheckWindow, BeforeTheAddonIsMadeTheLinkSaysWhatToDo) {
    test::TempFolder tmp;
    test::ScriptedServices scripted(tmp.dir());
    TForm1 form(scripted.services);
    QTest::mouseClick(form.t4->LabelCheck, Qt::LeftButton);
    EXPECT_EQ(scripted.messages.errors,
              std::vector<std::string>{"There is no add-on to check yet: choose the map and press \"Start\" on page "
                                       "(1) first."});
    EXPECT_EQ(form.t4->checkWindow(), nullptr);
}

TEST(CheckWindow, PackAsksWhenTheCheckFindsErrors) {
    {
        Checked c;  // clean: packs at once
        QTest::mouseClick(c.form.t4->Button7, Qt::LeftButton);
        EXPECT_TRUE(c.scripted.messages.questions.empty());
        EXPECT_EQ(c.scripted.shell.batches.size(), 1u);
    }
    for (const int answer : {1, 0}) {  // "Cancel", then "Pack anyway"
        Checked c;
        c.breakIt();
        c.scripted.messages.answers = {answer};
        QTest::mouseClick(c.form.t4->Button7, Qt::LeftButton);
        ASSERT_EQ(c.scripted.messages.questions.size(), 1u);
        const std::string& question = c.scripted.messages.questions[0];
        EXPECT_EQ(question.rfind("The check of the add-on in " + c.addon + " found 2 errors the game will "
                                 "misbehave with:\n",
                                 0),
                  0u)
            << question;
        EXPECT_NE(question.find("\nAI/StrategicAreas.con:60: The area \"CP_Hill\" names \"Nowhere\""), std::string::npos);
        EXPECT_NE(question.find("\nPathfinding/Car4Level1Map.raw: Car4, level 1: "), std::string::npos);
        EXPECT_EQ(c.scripted.shell.batches.size(), answer == 0 ? 1u : 0u) << answer;
        EXPECT_TRUE(c.scripted.messages.errors.empty());
    }
}

} // namespace
} // namespace tw
