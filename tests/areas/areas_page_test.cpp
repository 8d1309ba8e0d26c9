#include "app/main_window.h"
#include "areas/areas_page.h"
#include "packing/packing_page.h"
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

// The main window with the Areas page shown and enabled, over an add-on
// folder of a 2048-metre map.
struct Editor {
    Editor() : scripted(tmp.dir()), form(scripted.services), page(*form.t3) {
        fs::create_directories(tmp.path() / "bf1942/levels/MyMap_001/AI");
        form.state.LevelDir = tmp.dir() + "bf1942/levels/MyMap_001/";
        form.state.WorldSize = 2048;
        form.state.WorldScale = 4;
        form.setPageEnabled(&page, true);
        form.show();
        form.PageControl1->setCurrentWidget(&page);
    }
    QPoint dot(bool first) const { return (first ? page.gruen : page.rot)->pos(); }
    QPoint flag(bool first) const { return (first ? page.fg : page.fr)->pos(); }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void clickRadio(QRadioButton* r) { QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(8, r->height() / 2)); }
    // An area from the first point at (gx, gy) to the second at (rx, ry).
    void outline(int gx, int gy, int rx, int ry) {
        click(page.Label1z);
        page.gruen->move(gx, gy);
        click(page.Label2z);
        page.rot->move(rx, ry);
        click(page.Label8z);
    }
    void record(const QString& name, const QString& priority) {
        page.Edit2z->setText(name);
        page.Edit3z->setText(priority);
        click(page.Label9z);
    }
    std::string areasFile() const { return tmp.read("bf1942/levels/MyMap_001/AI/StrategicAreas.con"); }

    TempFolder tmp;
    ScriptedServices scripted;
    TForm1 form;
    AreasPage& page;
};

TEST(AreaCursor, MovesTheSecondPointByTheStep) {
    Editor ed;
    ASSERT_EQ(ed.form.t3->scratch().ActivePoint, 1);
    struct Step {
        QString step;
        QWidget* command;
        QPoint dot;
    };
    // Right three times with step 1, then Left with -5, Up with 0, Down with 2.
    const std::vector<Step> steps = {{"1", ed.page.Label5z, {342, 264}}, {"1", ed.page.Label5z, {343, 264}},
                                     {"1", ed.page.Label5z, {344, 264}}, {"-5", ed.page.Label4z, {349, 264}},
                                     {"0", ed.page.Label6z, {349, 264}}, {"2", ed.page.Label7z, {349, 266}}};
    ed.clickRadio(ed.page.RadioButton1);  // the labels and the field are usable
    for (const Step& s : steps) {
        ed.page.Edit1z->setText(s.step);
        ed.click(s.command);
        EXPECT_EQ(ed.dot(false), s.dot) << s.step.toStdString();
        EXPECT_EQ(ed.flag(false), s.dot - QPoint(24, 48));
    }
    EXPECT_EQ(ed.dot(true), QPoint(304, 264));  // the first point stays
    EXPECT_TRUE(ed.scripted.messages.errors.empty());

    ed.page.Edit1z->setText("abc");
    ed.click(ed.page.Label5z);
    ASSERT_EQ(ed.scripted.messages.errors.size(), 1u);
    // The framework's message, then which field it is and what to type.
    EXPECT_EQ(ed.scripted.messages.errors[0],
              "'abc' ist kein g\xC3\xBCltiger Integerwert.\nThe field between \"Left\" and \"Right\" (Current Point - "
              "Options) takes the pixels the point moves at each click: type a whole number such as 1 or 10.");
    EXPECT_EQ(ed.dot(false), QPoint(349, 266));
}

TEST(AreaCursor, DigitKeysOutsideTextFieldsAndWithAlt) {
    Editor ed;
    QApplication::setActiveWindow(&ed.form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ed.form));
    ed.clickRadio(ed.page.RadioButton1);
    ASSERT_TRUE(ed.page.RadioButton1->hasFocus());
    QTest::keyClick(ed.page.RadioButton1, Qt::Key_6);
    QTest::keyClick(ed.page.RadioButton1, Qt::Key_6);
    QTest::keyClick(ed.page.RadioButton1, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(ed.dot(false), QPoint(343, 265));

    ed.page.Edit1z->setFocus();
    ed.page.Edit1z->setCursorPosition(1);
    QTest::keyClick(ed.page.Edit1z, Qt::Key_4);  // typed into the field
    EXPECT_EQ(ed.page.Edit1z->text(), QStringLiteral("14"));
    EXPECT_EQ(ed.dot(false), QPoint(343, 265));
    // Alt+4 is the off-page button's mnemonic; the button clicks itself a
    // moment later.
    QTest::keyClick(ed.page.Edit1z, Qt::Key_4, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ed.dot(false) == QPoint(329, 265); }, 2000)) << ed.dot(false).x();
    EXPECT_EQ(ed.page.Edit1z->text(), QStringLiteral("14"));

    // Keypad mode: the move controls are off, the keys go on moving.
    ed.clickRadio(ed.page.RadioButton2);
    for (QWidget* w : {static_cast<QWidget*>(ed.page.Label4z), static_cast<QWidget*>(ed.page.Label5z),
                       static_cast<QWidget*>(ed.page.Label6z), static_cast<QWidget*>(ed.page.Label7z),
                       static_cast<QWidget*>(ed.page.Edit1z)})
        EXPECT_FALSE(w->isEnabled());
    QTest::keyClick(ed.page.RadioButton2, Qt::Key_8);
    EXPECT_EQ(ed.dot(false), QPoint(329, 251));

    // Another page shown: the keys do nothing here.
    ed.form.PageControl1->setCurrentWidget(ed.form.t4);
    QTest::keyClick(&ed.form, Qt::Key_8);
    EXPECT_EQ(ed.dot(false), QPoint(329, 251));
}

TEST(AreaOutlineSteps, TheStateTableRowByRow) {
    Editor ed;
    auto& p = ed.page;
    const auto row = [&](bool l1, bool l2, bool l8, bool first, bool second, bool props, int active) {
        EXPECT_EQ(p.Label1z->isEnabled(), l1);
        EXPECT_EQ(p.Label2z->isEnabled(), l2);
        EXPECT_EQ(p.Label8z->isEnabled(), l8);
        EXPECT_EQ(p.gruen->isVisible() && p.fg->isVisible(), first);
        EXPECT_EQ(p.rot->isVisible() && p.fr->isVisible(), second);
        EXPECT_EQ(p.areafert->isVisible(), props);
        EXPECT_EQ(ed.form.t3->scratch().ActivePoint, active);
    };
    row(true, false, false, true, true, false, 1);
    ed.click(p.Label1z);
    row(false, true, false, true, true, false, 2);
    p.gruen->move(100, 300);
    ed.click(p.Label2z);
    row(false, false, true, true, true, false, 1);
    p.rot->move(100, 200);  // same column: nothing is computed
    ed.click(p.Label8z);
    row(false, false, true, true, true, false, 1);
    EXPECT_EQ(p.oben->geometry(), QRect(616, 280, 100, 5));
    p.rot->move(150, 260);
    ed.click(p.Label8z);
    row(false, false, true, true, true, true, 1);
    EXPECT_EQ(p.oben->geometry(), QRect(100, 260, 50, 5));
    EXPECT_EQ(p.unten->geometry(), QRect(100, 300, 50, 5));
    EXPECT_EQ(p.links->geometry(), QRect(100, 260, 5, 40));
    EXPECT_EQ(p.rechts->geometry(), QRect(150, 260, 5, 40));
    EXPECT_EQ(ed.form.t3->scratch().AreaMinX, 400);
    EXPECT_EQ(ed.form.t3->scratch().AreaMaxY, 1008);
    EXPECT_EQ(ed.form.t3->scratch().AreaCenterY, 928);
    // Moving into the first point's row and applying again keeps it all.
    p.rot->move(150, 300);
    ed.click(p.Label8z);
    EXPECT_EQ(p.oben->geometry(), QRect(100, 260, 50, 5));
    EXPECT_TRUE(p.areafert->isVisible());

    ed.record("Hill", "50");
    row(true, false, false, false, false, false, 1);
    EXPECT_FALSE(p.oben->isVisible());
    EXPECT_EQ(p.oben->geometry(), QRect(616, 280, 100, 5));
    EXPECT_EQ(ed.dot(true), QPoint(304, 264));
    EXPECT_EQ(ed.dot(false), QPoint(341, 264));
    EXPECT_EQ(ed.flag(false), QPoint(317, 216));
    ASSERT_EQ(p.ListBox1z->count(), 1);
    EXPECT_EQ(p.ListBox1z->item(0)->text(), QStringLiteral("Hill [ 400;848 / 500;928 ] ==> Prio. [50]"));
}

TEST(AreaProperties, NameAndPriorityChecks) {
    Editor ed;
    ed.outline(100, 300, 150, 260);
    ed.record("", "50");
    EXPECT_EQ(ed.scripted.messages.infos, std::vector<std::string>{"Enter a valid name"});
    EXPECT_TRUE(ed.page.areafert->isVisible());
    ed.record("Hill", "Priority (from 1 - 200)");
    ASSERT_EQ(ed.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(ed.scripted.messages.errors[0],
              "'Priority (from 1 - 200)' ist kein g\xC3\xBCltiger Integerwert.\nThe priority field of \"Area "
              "fertigstellen\" takes how important the area is: type a whole number from 1 to 200 (unimportant 10, "
              "important 150).");
    EXPECT_EQ(ed.form.t3->scratch().AreaName, "Hill");
    EXPECT_EQ(ed.page.ListBox1z->count(), 0);
    EXPECT_TRUE(ed.page.areafert->isVisible());
    ed.record("Hill", "500");  // no range check
    EXPECT_EQ(ed.page.ListBox1z->count(), 1);
}

TEST(Neighbours, ThreeAreasWrittenInRecordingOrder) {
    Editor ed;
    auto& p = ed.page;
    ed.outline(100, 300, 150, 260);
    p.basis->setChecked(true);
    p.cp->setChecked(true);
    p.leicht->setChecked(true);
    p.Team1->setChecked(true);
    ed.record("A", "50");
    ed.outline(250, 100, 300, 50);
    p.basis->setChecked(false);
    p.cp->setChecked(false);
    p.leicht->setChecked(false);
    p.schwer->setChecked(true);
    p.Team2->setChecked(true);
    ed.record("B", "100");
    ed.outline(10, 20, 30, 40);  // C repeats B's properties: nothing was reset
    ed.record("C", "100");

    ed.click(p.Image2z);
    EXPECT_TRUE(p.GroupBox5z->isVisible());
    EXPECT_EQ(p.Label13z->text(), QStringLiteral("A ist Nachbar von: "));
    ASSERT_EQ(p.CheckListBox1->count(), 3);
    p.CheckListBox1->item(1)->setCheckState(Qt::Checked);  // B borders A
    ed.click(p.Label16z);
    EXPECT_EQ(p.Label13z->text(), QStringLiteral("B ist Nachbar von: "));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.CheckListBox1->item(i)->checkState(), Qt::Unchecked);
    p.CheckListBox1->item(2)->setCheckState(Qt::Checked);
    p.CheckListBox1->item(0)->setCheckState(Qt::Checked);
    ed.click(p.Label16z);
    EXPECT_EQ(ed.areasFile(), "");  // not yet
    ed.click(p.Label16z);            // C: nothing ticked
    EXPECT_EQ(p.Label13z->text(), QStringLiteral(" ist Nachbar von: "));

    EXPECT_EQ(ed.areasFile(),
              "rem *** RizU done by quorvin_tal's Tarnwick ... https://tarnwick.example.org\r\n"
              "aiStrategicArea.create A 400/848 500/928 50\r\n \r\n"
              "aiStrategicArea.create B 1000/1648 1100/1748 100\r\n \r\n"
              "aiStrategicArea.create C 40/1888 80/1928 100\r\n \r\n"
              "\r\n \r\n \r\n"
              "aiStrategicArea.setActive A\r\n"
              "AIStrategicArea.addNeighbour B\r\n"
              "aiStrategicArea.addObjectTypeFlag Base\r\n"
              "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
              "AIStrategicArea.setOrderPosition Infantry 490/918\r\n"
              "AIStrategicArea.setOrderPosition Car 490/918\r\n"
              "aiStrategicArea.setSide 1\r\n"
              "\r\n"
              "aiStrategicArea.setActive B\r\n"
              "AIStrategicArea.addNeighbour A\r\n"
              "AIStrategicArea.addNeighbour C\r\n"
              "AIStrategicArea.setOrderPosition Infantry 1090/1738\r\n"
              "AIStrategicArea.setOrderPosition Tank 1090/1738\r\n"
              "aiStrategicArea.setSide 2\r\n"
              "\r\n"
              "aiStrategicArea.setActive C\r\n"
              "AIStrategicArea.setOrderPosition Infantry 70/1918\r\n"
              "AIStrategicArea.setOrderPosition Tank 70/1918\r\n"
              "aiStrategicArea.setSide 2\r\n"
              "\r\n"
              "\r\n");
    EXPECT_EQ(ed.scripted.messages.infos, std::vector<std::string>{"Change something if you want to."});
    EXPECT_EQ(ed.scripted.shell.documents, std::vector<std::string>{ed.form.state.LevelDir + "AI/StrategicAreas.con"});
    EXPECT_EQ(ed.form.PageControl1->currentWidget(), ed.form.t4);
    EXPECT_TRUE(ed.form.t4->GroupBox14->isEnabled());
    EXPECT_TRUE(ed.form.t4->GroupBox12->isEnabled());
    EXPECT_TRUE(p.GroupBox5z->isHidden());  // the step has ended: the box goes

    // No area left: "Next one" does nothing.
    ed.click(p.Label16z);
    EXPECT_EQ(ed.scripted.messages.infos.size(), 1u);
}

TEST(Neighbours, FertigTwiceListsNamesTwice) {
    Editor ed;
    ed.outline(100, 300, 150, 260);
    ed.record("Hill", "1");
    ed.click(ed.page.Image2z);
    ed.click(ed.page.Image2z);
    ASSERT_EQ(ed.page.CheckListBox1->count(), 2);
    ed.page.CheckListBox1->item(0)->setCheckState(Qt::Checked);
    ed.page.CheckListBox1->item(1)->setCheckState(Qt::Checked);
    ed.click(ed.page.Label16z);  // the only area: written at once
    const std::string file = ed.areasFile();
    EXPECT_NE(file.find("aiStrategicArea.setActive Hill\r\nAIStrategicArea.addNeighbour Hill\r\n"
                        "AIStrategicArea.addNeighbour Hill\r\nAIStrategicArea.setOrderPosition"),
              std::string::npos)
        << file;
}

TEST(Neighbours, FertigWithNoAreaShowsAnEmptyList) {
    Editor ed;
    ed.click(ed.page.Image2z);
    EXPECT_TRUE(ed.page.GroupBox5z->isVisible());
    EXPECT_EQ(ed.page.Label13z->text(), QStringLiteral(" ist Nachbar von: "));
    EXPECT_EQ(ed.page.CheckListBox1->count(), 0);
    ed.click(ed.page.Label16z);
    EXPECT_FALSE(fs::exists(ed.tmp.path() / "bf1942/levels/MyMap_001/AI/StrategicAreas.con"));
    EXPECT_TRUE(ed.scripted.messages.infos.empty());
}

TEST(MapPicture, LoadsAndSqueezesAnyPictureToTheView) {
    Editor ed;
    const QImage placeholder = ed.page.e->picture();
    ed.scripted.dialogs.answer(std::string(TW_SOURCE_DIR) + "/tests/data/wide_map.jpg");
    ed.click(ed.page.Label10z);
    ASSERT_TRUE(ed.scripted.messages.errors.empty()) << ed.scripted.messages.errors[0];
    EXPECT_EQ(ed.scripted.dialogs.requests.back().kind, FileDialogRequest::Kind::Picture);
    EXPECT_EQ(ed.page.e->picture().size(), QSize(1024, 768));
    const QImage shown = ed.page.e->grab().toImage();
    EXPECT_EQ(shown.size(), QSize(512, 512));
    EXPECT_GT(qRed(shown.pixel(100, 100)), 180);     // top-left quarter: red
    EXPECT_GT(qGreen(shown.pixel(400, 400)), 150);   // bottom-right quarter: green
    EXPECT_GT(qBlue(shown.pixel(400, 100)), 100);    // top-right: blue

    const QImage loaded = ed.page.e->picture();
    for (const auto& [file, message] : std::vector<std::pair<std::string, std::string>>{
             {"map.gif", "Unbekannte Bilddateierweiterung (.gif)"},
             {"map", "Unbekannte Bilddateierweiterung (.)"},
             {"broken.jpg", "JPEG-Fehler"},
             {"broken.bmp", "Bitmap ist ung\xC3\xBCltig."}}) {
        ed.tmp.write(file, "not a picture");
        ed.scripted.dialogs.answer(ed.tmp.dir() + file);
        ed.click(ed.page.Label10z);
        ASSERT_FALSE(ed.scripted.messages.errors.empty());
        EXPECT_EQ(ed.scripted.messages.errors.back().rfind(message, 0), 0u) << ed.scripted.messages.errors.back();
        EXPECT_EQ(ed.page.e->picture(), loaded);
    }
    ed.scripted.dialogs.answer(std::nullopt);  // cancelled
    ed.click(ed.page.Label10z);
    EXPECT_EQ(ed.page.e->picture(), loaded);
    EXPECT_NE(loaded, placeholder);
}

} // namespace
} // namespace tw
