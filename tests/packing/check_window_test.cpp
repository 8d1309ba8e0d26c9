// The add-on's check on page 3: its window with the links to the Areas page
// and the pathmap window, and the check before "Pack".
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "packing/check_window.h"
#include "packing/packing_page.h"
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
        form.state.LevelDir = addon;
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
