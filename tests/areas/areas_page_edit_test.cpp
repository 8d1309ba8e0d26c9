// Changing recorded areas on the Areas page: edit, delete, move by mouse,
// neighbours again, undo and redo; the name rule of the properties box.
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::ScriptedServices;
using test::TempFolder;

struct Editor {
    Editor() : scripted(tmp.dir()), form(scripted.services), page(*form.t3) {
        fs::create_directories(tmp.path() / "bf1942/levels/MyMap_001/AI");
        form.state.LevelDir = tmp.dir() + "bf1942/levels/MyMap_001/";
        form.state.WorldSize = 2048;
        form.state.WorldScale = 4;
        form.setPageEnabled(&page, true);
        form.show();
        form.PageControl1->setCurrentWidget(&page);
        QApplication::setActiveWindow(&form);
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(page.e, Qt::LeftButton, {}, from);
        QTest::mouseMove(page.e, (from + to) / 2);
        QTest::mouseRelease(page.e, Qt::LeftButton, {}, to);
    }
    // An area drawn by mouse and recorded with a priority and a side.
    void area(const QString& name, QRect r, int priority, QRadioButton* side) {
        drag(r.topLeft(), r.bottomRight());
        page.Edit2z->setText(name);
        page.Edit3z->setText(QString::number(priority));
        side->setChecked(true);
        click(page.Label9z);
    }
    // The neighbour step with rows ticked for each waiting area in turn.
    void neighbours(const std::vector<std::vector<int>>& ticks) {
        click(page.Image2z);
        for (const auto& rows : ticks) {
            for (const int i : rows) page.CheckListBox1->item(i)->setCheckState(Qt::Checked);
            click(page.Label16z);
        }
    }
    std::string areasFile() const { return tmp.read("bf1942/levels/MyMap_001/AI/StrategicAreas.con"); }
    QString entry(int row) const { return page.ListBox1z->item(row)->text(); }

    TempFolder tmp;
    ScriptedServices scripted;
    TForm1 form;
    AreasPage& page;
};

const QRect kNorth(100, 60, 60, 40), kSouth(300, 300, 80, 60), kEast(420, 150, 40, 50);

TEST(AreaEditing, EveryChangeKeepsTheScriptOfTheAreasRecordedAfresh) {
    Editor ed;
    auto& p = ed.page;
    ed.area("North", kNorth, 50, p.Team1);
    ed.area("South", kSouth, 70, p.Team2);
    ed.area("East", kEast, 90, p.Neutral);
    ed.neighbours({{1}, {0, 2}, {1}});
    const std::string first = ed.areasFile();
    ASSERT_FALSE(first.empty());
    ed.form.PageControl1->setCurrentWidget(&p);  // back from page 3

    // Edit: the box opens with South's values; it is renamed in its place.
    p.ListBox1z->setCurrentRow(1);
    p.actionEdit->trigger();
    ASSERT_TRUE(p.areafert->isVisible());
    EXPECT_EQ(p.Edit2z->text(), QStringLiteral("South"));
    EXPECT_EQ(p.Edit3z->text(), QStringLiteral("70"));
    EXPECT_TRUE(p.Team2->isChecked());
    EXPECT_TRUE(p.LabelCancel->isVisible());
    EXPECT_EQ(ed.form.t3->scratch().AreaMinX, 1200);
    p.Edit2z->setText(QStringLiteral("Valley"));
    ed.click(p.Label9z);
    EXPECT_FALSE(p.areafert->isVisible());
    EXPECT_TRUE(ed.entry(1).startsWith(QStringLiteral("Valley [ 1200;")));
    const std::string edited = ed.areasFile();
    EXPECT_NE(edited.find("aiStrategicArea.setActive North\r\nAIStrategicArea.addNeighbour Valley\r\n"), std::string::npos);

    // Delete by key: North leaves the list and East's neighbours.
    p.ListBox1z->setFocus();
    p.ListBox1z->setCurrentRow(0);
    QTest::keyClick(p.ListBox1z, Qt::Key_Delete);
    ASSERT_EQ(p.ListBox1z->count(), 2);
    EXPECT_EQ(ed.areasFile().find("North"), std::string::npos);
    QTest::keyClick(p.ListBox1z, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(p.ListBox1z->count(), 3);
    EXPECT_EQ(ed.areasFile(), edited);
    QTest::keyClick(p.ListBox1z, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(p.ListBox1z->count(), 2);

    // Moved by mouse: East, dragged from inside its outline.
    p.ListBox1z->setCurrentRow(1);
    ASSERT_TRUE(ed.entry(1).startsWith(QStringLiteral("East")));
    ed.drag(kEast.center(), kEast.center() + QPoint(-20, 10));
    EXPECT_EQ(p.outlines()[1].left, kEast.left() - 20);
    EXPECT_EQ(p.ListBox1z->count(), 2);

    // Cancel leaves an edited area as it was.
    const std::string moved = ed.areasFile();
    p.actionEdit->trigger();
    p.Edit3z->setText(QStringLiteral("1"));
    ed.click(p.LabelCancel);
    EXPECT_EQ(ed.areasFile(), moved);

    // The same areas recorded afresh, in list order, give the same bytes.
    Editor fresh;
    fresh.area("Valley", kSouth, 70, fresh.page.Team2);
    fresh.area("East", kEast.translated(-20, 10), 90, fresh.page.Neutral);
    fresh.neighbours({{1}, {0}});
    EXPECT_EQ(ed.areasFile(), fresh.areasFile());
    EXPECT_TRUE(ed.scripted.messages.errors.empty());
    // Move, delete and edit undone: the first file is back; every step
    // undone: no area, the empty file the add-on run made.
    for (int i = 0; i < 3; ++i) p.actionUndo->trigger();
    EXPECT_EQ(ed.areasFile(), first);
    while (p.canUndo()) p.actionUndo->trigger();
    EXPECT_EQ(p.ListBox1z->count(), 0);
    EXPECT_EQ(ed.areasFile(), "");
}

TEST(AreaEditing, NeighboursAgainForOneArea) {
    Editor ed;
    auto& p = ed.page;
    ed.area("North", kNorth, 50, p.Team1);
    ed.area("South", kSouth, 70, p.Team2);
    ed.neighbours({{1}, {0}});
    ed.form.PageControl1->setCurrentWidget(&p);
    ed.scripted.messages.infos.clear();

    p.ListBox1z->setCurrentRow(1);
    p.actionNeighbours->trigger();
    EXPECT_TRUE(p.GroupBox5z->isVisible());
    EXPECT_EQ(p.Label13z->text(), QStringLiteral("South ist Nachbar von: "));
    ASSERT_EQ(p.CheckListBox1->count(), 2);
    EXPECT_EQ(p.CheckListBox1->item(0)->checkState(), Qt::Checked);  // its neighbour so far
    p.CheckListBox1->item(0)->setCheckState(Qt::Unchecked);
    ed.click(p.Label16z);
    EXPECT_EQ(ed.areasFile().find("AIStrategicArea.addNeighbour North"), std::string::npos);
    EXPECT_NE(ed.areasFile().find("AIStrategicArea.addNeighbour South"), std::string::npos);
    EXPECT_TRUE(ed.scripted.messages.infos.empty());  // written again, the wizard stays
    EXPECT_EQ(ed.form.PageControl1->currentWidget(), &p);
    p.actionUndo->trigger();  // South waits again, with the ticks as they were
    EXPECT_TRUE(p.GroupBox5z->isVisible());
    EXPECT_EQ(p.CheckListBox1->item(0)->checkState(), Qt::Unchecked);
    p.actionUndo->trigger();  // before choosing again
    EXPECT_NE(ed.areasFile().find("AIStrategicArea.addNeighbour North"), std::string::npos);
}

// A StrategicAreas.con edited by hand is not written over by a change
// without asking: "Keep my changes" leaves it, "Replace them" copies it first.
TEST(AreaEditing, AHandEditedScriptIsAskedAbout) {
    Editor ed;
    auto& p = ed.page;
    ed.area("North", kNorth, 50, p.Team1);
    ed.area("South", kSouth, 70, p.Team2);
    ed.neighbours({{1}, {0}});
    ed.tmp.write("bf1942/levels/MyMap_001/AI/StrategicAreas.con", "my own areas\r\n");
    p.ListBox1z->setCurrentRow(0);
    ed.scripted.messages.answers = {0};  // Keep my changes
    p.actionDelete->trigger();
    ASSERT_EQ(ed.scripted.messages.questions.size(), 1u);
    EXPECT_EQ(ed.areasFile(), "my own areas\r\n");
    EXPECT_EQ(p.ListBox1z->count(), 1);
    ed.scripted.messages.answers = {1};  // Replace them
    p.actionUndo->trigger();
    EXPECT_EQ(ed.scripted.messages.questions.size(), 2u);
    EXPECT_NE(ed.areasFile().find("aiStrategicArea.create North"), std::string::npos);
}

TEST(AreaProperties, RefusesNamesTheScriptCannotCarryAndKeepsTheBox) {
    Editor ed;
    auto& p = ed.page;
    ed.area("AxisHQ", kNorth, 50, p.Team1);
    ed.drag(kSouth.topLeft(), kSouth.bottomRight());
    p.Edit3z->setText(QStringLiteral("60"));
    p.schwer->setChecked(true);
    p.Team2->setChecked(true);
    const std::vector<std::pair<QString, std::string>> bad = {
        {"", "Enter a valid name"},
        {"My Village", "The name \"My Village\" holds a blank"},
        {"Br\xC3\xBC" "cke", "holds the character '\xC3\xBC'"},
        {"axishq", "An area named \"AxisHQ\" is recorded already"},
    };
    for (const auto& [name, problem] : bad) {
        p.Edit2z->setText(name);
        ed.click(p.Label9z);
        ASSERT_FALSE(ed.scripted.messages.infos.empty());
        EXPECT_NE(ed.scripted.messages.infos.back().find(problem), std::string::npos) << ed.scripted.messages.infos.back();
        EXPECT_TRUE(p.areafert->isVisible());
        EXPECT_EQ(p.Edit2z->text(), name);
        EXPECT_EQ(p.Edit3z->text(), QStringLiteral("60"));
        EXPECT_TRUE(p.schwer->isChecked() && p.Team2->isChecked());
        EXPECT_EQ(p.ListBox1z->count(), 1);
    }
    // Editing an area may keep its own name.
    p.Edit2z->setText(QStringLiteral("Bridge"));
    ed.click(p.Label9z);
    p.ListBox1z->setCurrentRow(0);
    p.actionEdit->trigger();
    ed.click(p.Label9z);
    EXPECT_FALSE(p.areafert->isVisible());

    // The texts are chosen whole as a field gets the focus, so typing replaces them.
    ed.drag(kEast.topLeft(), kEast.bottomRight());
    for (QLineEdit* field : {p.Edit2z, p.Edit3z}) {
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_TRUE(QTest::qWaitFor([&] { return field->selectedText() == field->text(); }, 1000))
            << field->objectName().toStdString();
    }
}

} // namespace
} // namespace tw
