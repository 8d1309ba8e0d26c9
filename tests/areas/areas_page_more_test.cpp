// The Areas page's quicker ways: the mouse, proposals from control points,
// the work kept in the add-on folder, the level's own DDS map picture,
// damaged pictures and Alt with a digit.
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "areas/dds.h"
#include "areas/proposals.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "support/program_folder.h"
#include "support/ordinary_user.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QBuffer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::ScriptedServices;
using test::TempFolder;

const std::string kSample = test::sampleLevel();

// The main window with the Areas page shown, over an add-on folder of the
// 1024-metre sample level in a folder that outlives the window.
struct Wizard {
    explicit Wizard(const TempFolder& folder) : tmp(folder), scripted(tmp.dir()), form(scripted.services), page(*form.t3) {
        fs::create_directories(tmp.path() / "bf1942/levels/DemoMap_001/AI");
        form.state.AddonDir = tmp.dir() + "bf1942/levels/DemoMap_001/";
        form.state.MapDir = tmp.dir() + "bf1942/levels/DemoMap/";
        form.state.WorldSize = 1024;
        form.setPageEnabled(&page, true);
        form.move(0, 0);  // the boxes find room beside their areas on the small test screen
        form.show();
        form.PageControl1->setCurrentWidget(&page);
        page.askContinue = [this](const std::string& question) {
            questions.push_back(question);
            return continueSaved;
        };
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void clickRadio() {
        QTest::mouseClick(page.RadioButton1, Qt::LeftButton, {}, QPoint(8, page.RadioButton1->height() / 2));
    }
    void clickMap(QPoint at) { QTest::mouseClick(page.e, Qt::LeftButton, {}, at); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(page.e, Qt::LeftButton, {}, from);
        QTest::mouseMove(page.e, (from + to) / 2);
        QTest::mouseRelease(page.e, Qt::LeftButton, {}, to);
    }
    // The active point to `to` with the step buttons: Right, then Down.
    void stepTo(QPoint to) {
        PictureBox* dot = form.t3->scratch().ActivePoint == 2 ? page.gruen : page.rot;
        page.Edit1z->setText(QString::number(to.x() - dot->x()));
        click(page.Label5z);
        page.Edit1z->setText(QString::number(to.y() - dot->y()));
        click(page.Label7z);
    }
    void record(const QString& name, bool team1) {
        page.Edit2z->setText(name);
        page.Edit3z->setText(QStringLiteral("70"));
        page.leicht->setChecked(team1);
        (team1 ? page.Team1 : page.Team2)->setChecked(true);
        click(page.Label9z);
    }
    // The neighbour step with `ticks[k]` ticked for area k (indices into the list).
    void neighbours(const std::vector<std::vector<int>>& ticks) {
        click(page.Image2z);
        for (const auto& row : ticks) {
            for (int i = 0; i < page.CheckListBox1->count(); ++i) page.CheckListBox1->item(i)->setCheckState(Qt::Unchecked);
            for (const int i : row) page.CheckListBox1->item(i)->setCheckState(Qt::Checked);
            click(page.Label16z);
        }
    }
    std::string areasFile() const { return tmp.read("bf1942/levels/DemoMap_001/AI/StrategicAreas.con"); }
    void copyConquest(const char* folder) {
        for (const char* f : {"ControlPoints.con", "ControlPointTemplates.con"})
            tmp.write(std::string("bf1942/levels/DemoMap_001/") + folder + "/" + f, readBytes(kSample + "conquest/" + f));
    }

    const TempFolder& tmp;
    ScriptedServices scripted;
    TForm1 form;
    AreasPage& page;
    bool continueSaved = true;
    std::vector<std::string> questions;
};

const std::vector<std::vector<int>> kTicks = {{1}, {0, 2}, {1}};

TEST(AreaMouse, ClickAndDragGiveTheSameFileAsTheButtons) {
    TempFolder byButtons, byMouse;
    std::string expected;
    {
        Wizard w(byButtons);
        w.clickRadio();
        w.click(w.page.Label1z);
        w.stepTo({200, 100});
        w.click(w.page.Label2z);
        w.stepTo({260, 150});
        w.click(w.page.Label8z);
        w.record("North", true);
        for (const auto& [first, second] : {std::pair{QPoint(300, 300), QPoint(400, 380)},
                                            std::pair{QPoint(480, 500), QPoint(420, 440)}}) {
            w.click(w.page.Label1z);
            w.stepTo(first);
            w.click(w.page.Label2z);
            w.stepTo(second);
            w.click(w.page.Label8z);
            w.record(first.x() == 300 ? "South" : "East", false);
        }
        w.neighbours(kTicks);
        expected = w.areasFile();
        ASSERT_FALSE(expected.empty());
    }
    Wizard w(byMouse);
    w.form.setPageEnabled(&w.page, false);  // before "Start": the map takes no clicks
    w.clickMap({10, 10});
    w.drag({200, 100}, {260, 150});
    EXPECT_EQ(w.page.rot->pos(), QPoint(341, 264));
    EXPECT_FALSE(w.page.areafert->isVisible());
    w.form.setPageEnabled(&w.page, true);
    w.drag({200, 100}, {260, 150});  // one gesture: both corners, the box opens
    EXPECT_TRUE(w.page.areafert->isVisible());
    EXPECT_EQ(w.form.t3->scratch().AreaMinX, 400);
    w.record("North", true);
    w.click(w.page.Label1z);
    w.clickMap({300, 300});  // the first point
    EXPECT_EQ(w.page.gruen->pos(), QPoint(300, 300));
    EXPECT_EQ(w.page.fg->pos(), QPoint(276, 252));
    w.click(w.page.Label2z);
    w.clickMap({400, 380});  // now the second
    EXPECT_EQ(w.page.rot->pos(), QPoint(400, 380));
    EXPECT_EQ(w.page.gruen->pos(), QPoint(300, 300));
    w.click(w.page.Label8z);
    w.record("South", false);
    w.drag({480, 500}, {420, 440});  // drawn from the other corner
    w.record("East", false);
    // Every recorded area keeps its outline, coloured by its side.
    ASSERT_EQ(w.page.outlines().size(), 3u);
    EXPECT_EQ(w.page.outlines()[2], (areas::Outline{420, 440, 480, 500, 2, "East"}));
    w.neighbours(kTicks);
    EXPECT_EQ(w.areasFile(), expected);
    EXPECT_TRUE(w.scripted.messages.errors.empty());
}

TEST(AreaOutlines, ColouredBySideHighlightedWhenSelectedAndInTheNeighbourStep) {
    TempFolder tmp;
    Wizard w(tmp);
    w.drag({200, 100}, {260, 150});
    w.record("North", true);
    w.drag({300, 300}, {400, 380});
    w.record("South", false);
    // The map as it draws the outlines, without the neighbour box, which
    // floats beside the current area wherever the screen leaves room.
    const auto at = [&](int x, int y) { return QColor(w.page.e->grab().toImage().pixel(x, y)); };
    const QColor background = at(230, 200);
    EXPECT_EQ(at(200, 125), QColor(230, 60, 50));   // team 1's west edge
    EXPECT_EQ(at(350, 380), QColor(50, 120, 240));  // team 2's south edge
    EXPECT_EQ(at(201, 125), background);            // thin
    w.page.ListBox1z->setCurrentRow(0);
    EXPECT_EQ(at(201, 125), QColor(Qt::white));     // the selected one, thick
    EXPECT_EQ(at(301, 340), background);
    w.page.ListBox1z->setCurrentRow(-1);

    // The neighbour step: the current area filled, its ticked neighbour shaded.
    const QColor insideSouth = at(350, 350);
    w.click(w.page.Image2z);
    EXPECT_NE(at(230, 140), background);
    EXPECT_EQ(at(350, 350), insideSouth);
    w.page.CheckListBox1->item(1)->setCheckState(Qt::Checked);
    EXPECT_NE(at(350, 350), insideSouth);
}

TEST(AreaProposals, TheSampleLevelsControlPoints) {
    TempFolder tmp;
    Wizard w(tmp);
    w.click(w.page.LabelPropose);  // no control points yet
    EXPECT_EQ(w.scripted.messages.infos.size(), 1u);
    EXPECT_NE(w.scripted.messages.infos[0].find("This level has no control points"), std::string::npos);
    EXPECT_FALSE(w.page.areafert->isVisible());

    w.copyConquest("SinglePlayer");  // as the add-on run spells it
    w.click(w.page.LabelPropose);
    const std::vector<std::tuple<const char*, QRadioButton*, bool>> expected = {
        {"CP_Axis_Base", w.page.Team1, true}, {"CP_Allied_Base", w.page.Team2, true},
        {"CP_Village", w.page.Neutral, false}, {"CP_Bridge", w.page.Neutral, false},
        {"CP_Hill", w.page.Neutral, false}};
    for (const auto& [name, side, base] : expected) {
        ASSERT_TRUE(w.page.areafert->isVisible()) << name;
        EXPECT_TRUE(w.page.LabelSkip->isVisible());
        EXPECT_EQ(w.page.Edit2z->text().toStdString(), name);
        EXPECT_EQ(w.page.Edit3z->text(), base ? QStringLiteral("50") : QStringLiteral("100"));
        EXPECT_TRUE(side->isChecked()) << name;
        EXPECT_EQ(w.page.basis->isChecked(), base);
        EXPECT_EQ(w.page.cp->isChecked(), !base);
        w.click(w.page.Label9z);  // OK records it as it stands
    }
    EXPECT_FALSE(w.page.areafert->isVisible());
    EXPECT_FALSE(w.page.LabelSkip->isVisible());
    ASSERT_EQ(w.page.ListBox1z->count(), 5);
    EXPECT_EQ(w.page.ListBox1z->item(0)->text(), QStringLiteral("CP_Axis_Base [ 120;850 / 150;880 ] ==> Prio. [50]"));

    // The neighbour step starts with the proposed neighbours ticked.
    w.click(w.page.Image2z);
    const auto ticked = [&] {
        std::vector<int> rows;
        for (int i = 0; i < w.page.CheckListBox1->count(); ++i)
            if (w.page.CheckListBox1->item(i)->checkState() == Qt::Checked) rows.push_back(i);
        return rows;
    };
    const std::vector<std::vector<int>> proposed = {{2}, {2}, {0, 1, 3, 4}, {2}, {2}};
    for (const auto& rows : proposed) {
        EXPECT_EQ(ticked(), rows);
        w.click(w.page.Label16z);
    }
    // Accepted unchanged, the file is the one written without the window.
    const auto points = areas::readAddonControlPoints(w.form.state.AddonDir);
    const auto ps = areas::proposeAreas(points, 1024, 2);
    std::vector<areas::AreaSpec> specs;
    for (const auto& p : ps) specs.push_back(areas::specOf(p, ps, 1024, 2));
    EXPECT_EQ(w.areasFile(), joinLines(areas::scriptOf(specs), true));
}

// Proposing again after the work was restored passes over the proposals
// recorded before and links the new ones to them: the file is the one an
// uninterrupted run gives.
TEST(AreaProposals, ProposingAgainAfterARestoreGivesTheSameFile) {
    std::string expected;
    {
        TempFolder tmp;
        Wizard w(tmp);
        w.copyConquest("Singleplayer");
        w.click(w.page.LabelPropose);
        for (int i = 0; i < 5; ++i) w.click(w.page.Label9z);
        w.click(w.page.Image2z);
        for (int i = 0; i < 5; ++i) w.click(w.page.Label16z);
        expected = w.areasFile();
    }
    TempFolder tmp;
    {
        Wizard w(tmp);
        w.copyConquest("Singleplayer");
        w.click(w.page.LabelPropose);
        for (int i = 0; i < 3; ++i) w.click(w.page.Label9z);  // three of five, then the window is gone
    }
    Wizard w(tmp);
    w.page.addonOpened();
    ASSERT_EQ(w.page.ListBox1z->count(), 3);
    w.click(w.page.LabelPropose);
    EXPECT_EQ(w.page.Edit2z->text(), QStringLiteral("CP_Bridge"));  // the first not recorded yet
    w.click(w.page.Label9z);
    w.click(w.page.Label9z);
    EXPECT_FALSE(w.page.areafert->isVisible());
    ASSERT_EQ(w.page.ListBox1z->count(), 5);
    w.click(w.page.Image2z);
    for (int i = 0; i < 5; ++i) w.click(w.page.Label16z);
    EXPECT_EQ(w.areasFile(), expected);
}

TEST(AreaProposals, SkipPassesOneByAndItsNeighbourLinksGoWithIt) {
    TempFolder tmp;
    Wizard w(tmp);
    w.copyConquest("singleplayer");
    w.click(w.page.LabelPropose);
    w.click(w.page.Label9z);    // axis base
    w.click(w.page.Label9z);    // allied base
    w.click(w.page.LabelSkip);  // not the village
    EXPECT_EQ(w.page.Edit2z->text(), QStringLiteral("CP_Bridge"));
    w.page.Edit2z->setText(QStringLiteral("OldBridge"));  // renamed in the box
    w.click(w.page.Label9z);
    w.click(w.page.Label9z);
    ASSERT_EQ(w.page.ListBox1z->count(), 4);
    w.click(w.page.Image2z);
    // Without the village nobody's proposed neighbour is left.
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) EXPECT_EQ(w.page.CheckListBox1->item(i)->checkState(), Qt::Unchecked);
        w.click(w.page.Label16z);
    }
    EXPECT_NE(w.areasFile().find("aiStrategicArea.setActive OldBridge\r\naiStrategicArea.addObjectTypeFlag ControlPoint"),
              std::string::npos);
}

TEST(AreaProposals, FilesWithCommentsWrappersAndOddCase) {
    TempFolder tmp;
    tmp.write("bf1942/levels/DemoMap_001/SINGLEPLAYER/controlpoints.CON",
              "rem *** points ***\r\nbeginRem\r\nObject.create CP_Ghost\r\nObject.absolutePosition 9/9/9\r\n"
              "endrem\r\nif v_arg1 == host\r\n  OBJECT.create   cp_north\r\n\tobject.AbsolutePosition  100 / 0 / 900\r\n"
              "endIf\r\nObject.create CP_North\r\nObject.absolutePosition 300/0/900\r\n");
    tmp.write("bf1942/levels/DemoMap_001/SINGLEPLAYER/ControlPointTEMPLATES.con",
              "ObjectTemplate.create ControlPoint CP_North\nObjectTemplate.setTeam 2\n"
              "ObjectTemplate.create ControlPoint CP_Ghost\n");
    Wizard w(tmp);
    w.click(w.page.LabelPropose);
    ASSERT_EQ(w.page.proposals().size(), 2u);
    EXPECT_EQ(w.page.Edit2z->text(), QStringLiteral("CP_North_1"));
    EXPECT_TRUE(w.page.Team2->isChecked());
    w.click(w.page.LabelSkip);
    EXPECT_EQ(w.page.Edit2z->text(), QStringLiteral("CP_North_2"));
    w.click(w.page.LabelSkip);
    EXPECT_FALSE(w.page.areafert->isVisible());
    EXPECT_EQ(w.page.ListBox1z->count(), 0);
    EXPECT_TRUE(w.page.Label1z->isEnabled());  // back to idle
}

TEST(AreaWork, RestoredAfterTheWindowIsGoneGivesTheSameFile) {
    const auto drawThird = [](Wizard& w) {
        w.drag({30, 40}, {90, 100});
        w.record("West", true);
    };
    const auto drawTwo = [](Wizard& w) {
        w.drag({200, 100}, {260, 150});
        w.record("North", true);
        w.drag({300, 300}, {400, 380});
        w.record("South", false);
    };
    std::string expected;
    {
        TempFolder tmp;
        Wizard w(tmp);
        drawTwo(w);
        drawThird(w);
        w.neighbours(kTicks);
        expected = w.areasFile();
    }
    TempFolder tmp;
    // The areas in progress are kept in the conversion's record.
    const std::string addon = tmp.dir() + "bf1942/levels/DemoMap_001/";
    const auto saved = [&] { return state::loadRecord(addon).record.areas; };
    {
        Wizard w(tmp);
        w.scripted.dialogs.answer(kSample + "Textures/InGameMap.dds");
        w.click(w.page.Label10z);
        EXPECT_TRUE(saved().empty());  // nothing drawn yet
        drawTwo(w);
        EXPECT_EQ(saved(), w.page.areaSet());
    }
    {
        Wizard w(tmp);
        w.page.addonOpened();
        ASSERT_EQ(w.questions.size(), 1u);
        ASSERT_EQ(w.page.ListBox1z->count(), 2);
        EXPECT_EQ(w.page.outlines().size(), 2u);
        EXPECT_EQ(w.page.e->picture().size(), QSize(512, 512));  // the picture chosen before
        drawThird(w);
        w.click(w.page.Image2z);
        w.page.CheckListBox1->item(1)->setCheckState(Qt::Checked);
        w.click(w.page.Label16z);  // the first area's neighbours, then closed again
    }
    {
        Wizard w(tmp);
        w.page.addonOpened();
        EXPECT_TRUE(w.page.GroupBox5z->isVisible());
        EXPECT_EQ(w.page.Label13z->text(), QStringLiteral("South ist Nachbar von: "));
        for (const int i : kTicks[1]) w.page.CheckListBox1->item(i)->setCheckState(Qt::Checked);
        w.click(w.page.Label16z);
        w.page.CheckListBox1->item(kTicks[2][0])->setCheckState(Qt::Checked);
        w.click(w.page.Label16z);
        EXPECT_EQ(w.areasFile(), expected);
    }
    {
        Wizard w(tmp);
        drawTwo(w);
    }
    Wizard w(tmp);
    w.continueSaved = false;  // start afresh
    w.page.addonOpened();
    EXPECT_EQ(w.page.ListBox1z->count(), 0);
    EXPECT_TRUE(saved().empty());
    EXPECT_TRUE(w.scripted.messages.errors.empty());
}

TEST(AreaWork, ADamagedWorkFileIsReportedAndSetAside) {
    TempFolder tmp;
    tmp.write(std::string("bf1942/levels/DemoMap_001/") + areas::kWorkFileName, "Tarnwick areas in progress, version 1\nlist 5\n");
    Wizard w(tmp);
    w.page.addonOpened();
    EXPECT_TRUE(w.questions.empty());
    ASSERT_EQ(w.scripted.messages.infos.size(), 1u);
    EXPECT_NE(w.scripted.messages.infos[0].find("cannot be read"), std::string::npos);
    EXPECT_EQ(w.page.ListBox1z->count(), 0);
    EXPECT_EQ(tmp.read(std::string("bf1942/levels/DemoMap_001/") + areas::kWorkFileName + ".damaged"),
              "Tarnwick areas in progress, version 1\nlist 5\n");
    w.drag({200, 100}, {260, 150});
    w.record("North", true);
    EXPECT_EQ(tmp.read(std::string("bf1942/levels/DemoMap_001/") + areas::kWorkFileName + ".damaged"),
              "Tarnwick areas in progress, version 1\nlist 5\n");
}

// A second damaged file does not replace the first one set aside; one that
// cannot be set aside (or read) is left as it is and never saved over.
TEST(AreaWork, DamagedWorkFilesAreNeverLost) {
    const std::string level = "bf1942/levels/DemoMap_001/";
    const std::string work = level + areas::kWorkFileName;
    {
        TempFolder tmp;
        tmp.write(work + ".damaged", "the first one");
        tmp.write(work, "the second one");
        Wizard w(tmp);
        w.page.addonOpened();
        EXPECT_EQ(tmp.read(work + ".damaged"), "the first one");
        EXPECT_EQ(tmp.read(work + ".damaged2"), "the second one");
    }
    // A folder without write bits keeps an ordinary user from renaming; the
    // superuser could, so this part runs as an ordinary user. On Windows a
    // folder's read-only attribute means nothing; there another program
    // that holds the file open keeps it from being renamed.
    EXPECT_EQ(test::asOrdinaryUser([&]() -> std::string {
                  TempFolder tmp;
                  tmp.write(work, "damaged");
                  Wizard w(tmp);
#ifdef _WIN32
                  {
                      const std::ifstream held(tmp.path() / work);
                      w.page.addonOpened();
                  }
#else
                  fs::permissions(tmp.path() / level, fs::perms::owner_write, fs::perm_options::remove);
                  w.page.addonOpened();
                  fs::permissions(tmp.path() / level, fs::perms::owner_write, fs::perm_options::add);
#endif
                  const auto& infos = w.scripted.messages.infos;
                  if (infos.size() != 1 || infos[0].find("nor set aside") == std::string::npos)
                      return "messages: " + ::testing::PrintToString(infos);
                  w.drag({200, 100}, {260, 150});
                  w.record("North", true);
                  if (tmp.read(work) != "damaged") return "saved over: " + tmp.read(work);
                  return {};
              }),
              "");
}

TEST(MapPicture, TheLevelsOwnDdsIsPreselectedAndLoadedAfterStart) {
    TempFolder tmp;
    const std::string dds = readBytes(kSample + "Textures/InGameMap.dds");
    tmp.write("bf1942/levels/DemoMap/textures/ingamemap.DDS", dds);  // any letter case
    Wizard w(tmp);
    const QImage placeholder = w.page.e->picture();
    w.page.addonOpened();
    ASSERT_TRUE(w.scripted.messages.errors.empty()) << w.scripted.messages.errors[0];
    EXPECT_EQ(w.page.e->picture().size(), QSize(512, 512));
    EXPECT_NE(w.page.e->picture(), placeholder);
    // The axis base's red dot of the sample picture, near 75/72.
    const QRgb base = w.page.e->picture().pixel(75, 72);
    EXPECT_GT(qRed(base), 150);
    EXPECT_LT(qGreen(base), 100);

    w.click(w.page.Label10z);  // cancelled: the dialog offered the level's own picture
    ASSERT_EQ(w.scripted.dialogs.requests.size(), 1u);
    EXPECT_EQ(test::systemPlace(w.scripted.dialogs.requests[0].preselected),
              test::systemPlace(tmp.dir() + "bf1942/levels/DemoMap/textures/ingamemap.DDS"));
    // Without it the dialog still opens in the level's folder.
    fs::remove(tmp.path() / "bf1942/levels/DemoMap/textures/ingamemap.DDS");
    w.click(w.page.Label10z);
    EXPECT_EQ(test::systemPlace(w.scripted.dialogs.requests.back().preselected),
              test::systemPlace(tmp.dir() + "bf1942/levels/DemoMap/"));
}

// Pictures whose data ends early: the loader's message, the previous picture stays.
TEST(MapPicture, DamagedPicturesKeepThePreviousOne) {
    TempFolder tmp;
    Wizard w(tmp);
    w.scripted.dialogs.answer(kSample + "Textures/InGameMap.dds");
    w.click(w.page.Label10z);
    ASSERT_TRUE(w.scripted.messages.errors.empty()) << w.scripted.messages.errors[0];
    const QImage shown = w.page.e->picture();

    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const auto encoded = [&](const char* format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(picture.save(&buffer, format));
        return bytes.toStdString();
    };
    const std::string bmp = encoded("BMP"), png = encoded("PNG"), ico = encoded("ICO");
    // A bitmap with the old 12-byte OS/2 header: 40 x 30, 24 bits, rows of 120 bytes.
    std::string os2 = std::string("BM") + std::string(4, '\0') + std::string(4, '\0') + std::string("\x1a\0\0\0", 4) +
                      std::string("\x0c\0\0\0", 4) + std::string("\x28\0\x1e\0\x01\0\x18\0", 8);
    os2 += std::string(40 * 30 * 3, '\x80');
    const std::string jpg = readBytes(std::string(TW_SOURCE_DIR) + "/tests/data/wide_map.jpg");
    const std::string dds = readBytes(kSample + "Textures/InGameMap.dds");
    const std::string invalid = "Bitmap ist ung\xC3\xBCltig.";
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"header.bmp", bmp.substr(0, 54), invalid},
        {"half.bmp", bmp.substr(0, bmp.size() / 2), invalid},
        {"short.bmp", bmp.substr(0, bmp.size() - 1), invalid},
        {"half.png", png.substr(0, png.size() / 2), invalid},
        {"os2.bmp", os2.substr(0, os2.size() - 120), invalid},
        {"noend.png", png.substr(0, png.size() - 12), invalid},
        {"half.ico", ico.substr(0, ico.size() / 2), "Symbol ist ung\xC3\xBCltig."},
        {"half.jpg", jpg.substr(0, jpg.size() / 2), "JPEG-Fehler"},
        {"half.dds", dds.substr(0, dds.size() / 2), invalid},
        {"header.dds", dds.substr(0, 60), invalid},
    };
    for (const auto& [name, bytes, message] : cases) {
        tmp.write(name, bytes);
        w.scripted.dialogs.answer(tmp.dir() + name);
        w.click(w.page.Label10z);
        ASSERT_FALSE(w.scripted.messages.errors.empty()) << name;
        EXPECT_EQ(w.scripted.messages.errors.back().rfind(message, 0), 0u) << name << ": " << w.scripted.messages.errors.back();
        EXPECT_EQ(w.page.e->picture(), shown) << name;
        w.scripted.messages.errors.clear();
    }
    // The whole files load.
    for (const auto& [name, bytes] : {std::pair{"whole.bmp", bmp}, std::pair{"whole.png", png}, std::pair{"whole.ico", ico},
                                     std::pair{"whole-os2.bmp", os2}}) {
        tmp.write(name, bytes);
        w.scripted.dialogs.answer(tmp.dir() + name);
        w.click(w.page.Label10z);
        EXPECT_TRUE(w.scripted.messages.errors.empty()) << name;
        EXPECT_EQ(w.page.e->picture().size(), QSize(40, 30)) << name;
    }
}

TEST(AreaCursor, EveryAltDigitPressMoves) {
    TempFolder tmp;
    Wizard w(tmp);
    QApplication::setActiveWindow(&w.form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    w.clickRadio();
    w.page.Edit1z->setText(QStringLiteral("2"));
    w.page.Edit1z->setFocus();
    const QPoint start = w.page.rot->pos();
    // Five presses in quick succession, with no time between them.
    for (int i = 0; i < 5; ++i) QTest::keyClick(w.page.Edit1z, Qt::Key_6, Qt::AltModifier);
    EXPECT_EQ(w.page.rot->pos(), start + QPoint(10, 0));
    // Held: the key repeats arrive as further presses.
    for (int i = 0; i < 4; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_5, Qt::AltModifier, QStringLiteral("5"), i > 0);
        QApplication::sendEvent(w.page.Edit1z, &repeat);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_5, Qt::AltModifier, QStringLiteral("5"));
    QApplication::sendEvent(w.page.Edit1z, &release);
    EXPECT_EQ(w.page.rot->pos(), start + QPoint(10, 8));
    EXPECT_EQ(w.page.Edit1z->text(), QStringLiteral("2"));
    // From the areas list and with the keypad's digits as well.
    w.page.ListBox1z->setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(w.page.ListBox1z, Qt::Key_8, Qt::AltModifier | Qt::KeypadModifier);
    EXPECT_EQ(w.page.rot->pos(), start + QPoint(10, 2));
    // Not while another page is shown.
    w.form.PageControl1->setCurrentWidget(w.form.t4);
    QTest::keyClick(w.form.t4, Qt::Key_4, Qt::AltModifier);
    EXPECT_EQ(w.page.rot->pos(), start + QPoint(10, 2));
}

} // namespace
} // namespace tw
