// "Start" over an add-on whose scripts the user changed asks first: keep the
// changes, replace them (copied into a dated folder first) or cancel.
#include "app/main_window.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "support/program_folder.h"
#include "support/sittings.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace tw {
namespace {

// "OK" and "Start" on the sample level in a window of its own.
void startOver(test::ScriptedServices& s, const std::string& program, bool ships) {
    TForm1 form(s.services);
    form.show();
    QTest::mouseClick(form.t1->unpack, Qt::LeftButton, {}, QPoint(8, 8));
    s.dialogs.answer(program + "samples/DemoMap/init.con");
    QTest::mouseClick(form.t1->Image12, Qt::LeftButton);
    QTest::mouseClick(form.t1->Button1, Qt::LeftButton);
    form.t1->shipp->setChecked(ships);
    QTest::mouseClick(form.t1->Button2, Qt::LeftButton);
}

TEST(StartOverChangedScripts, AsksAndKeepsReplacesOrCancels) {
    enum class Edit { None, Edited, EditedReadOnly };
    enum Answer { Keep = 0, Replace = 1, Cancel = 2 };
    struct Case {
        Edit edit;
        Answer answer;
        bool asked, aiConIsMine, runs;  // the question; ai.con after; the run wrote the rest
        bool copied, failed;
    };
    const Case cases[] = {
        {Edit::None, Keep, false, false, true, false, false},
        {Edit::Edited, Keep, true, true, true, false, false},
        {Edit::Edited, Replace, true, false, true, true, false},
        {Edit::Edited, Cancel, true, true, false, false, false},
        {Edit::EditedReadOnly, Keep, true, true, true, false, false},
        {Edit::EditedReadOnly, Replace, true, true, false, false, true},
        {Edit::EditedReadOnly, Cancel, true, true, false, false, false},
    };
    for (const Case& c : cases) {
        const std::string what = "case " + std::to_string(&c - cases);
        test::TempFolder tmp;
        test::InFolder in(tmp.path());
        const std::string program = test::makeProgramFolder(tmp.path() / "Tarnwick");
        const std::string addon = program + "bf1942/levels/DemoMap_001/";
        test::ScriptedServices first(program);
        startOver(first, program, false);
        const std::string generated = readBytes(addon + "ai.con");
        const std::string withoutShips = readBytes(addon + "AIPathFinding.con");
        const std::string mine = generated + "rem my own line\r\n";
        if (c.edit != Edit::None) writeBytes(addon + "ai.con", mine);
        if (c.edit == Edit::EditedReadOnly) fs::permissions(addon + "ai.con", fs::perms::owner_read);

        test::ScriptedServices again(program);
        again.messages.answers.push_back(c.answer);
        startOver(again, program, true);  // with ships: AIPathFinding.con tells whether the run wrote

        ASSERT_EQ(again.messages.questions.size(), c.asked ? 1u : 0u) << what;
        if (c.asked) {
            EXPECT_NE(again.messages.questions[0].find("\n    AI.con\n"), std::string::npos) << what;
            EXPECT_EQ(again.messages.questions[0].find("Coop.con"), std::string::npos) << what;
        }
        EXPECT_EQ(readBytes(addon + "ai.con"), c.aiConIsMine ? mine : generated) << what;
        EXPECT_EQ(readBytes(addon + "AIPathFinding.con") != withoutShips, c.runs) << what;
        std::vector<fs::path> copies;
        for (const auto& e : fs::directory_iterator(addon))
            if (e.path().filename().string().rfind("tarnwick-replaced-", 0) == 0) copies.push_back(e.path());
        ASSERT_EQ(copies.size(), c.copied ? 1u : 0u) << what;
        if (c.copied) {
            const std::string folder = copies[0].string() + "/";
            EXPECT_EQ(readBytes(folder + "ai.con"), mine) << what;
            std::vector<fs::path> inside;
            for (const auto& e : fs::recursive_directory_iterator(folder))
                if (e.is_regular_file()) inside.push_back(e.path());
            EXPECT_EQ(inside.size(), 1u) << what;
            EXPECT_EQ(again.messages.infos,
                      std::vector<std::string>{"Your changed scripts were copied to " + folder +
                                               " before Tarnwick replaced them."})
                << what;
        }
        EXPECT_EQ(again.messages.errors.size(), c.failed ? 1u : 0u) << what;
        if (c.failed) {
            EXPECT_NE(again.messages.errors[0].find("read-only"), std::string::npos) << what;
        }
        fs::permissions(addon + "ai.con", fs::perms::owner_read | fs::perms::owner_write);
    }
}

// The neighbour step's end writes StrategicAreas.con: one edited by hand
// since "Start" is asked about the same way.
TEST(StrategicAreasEditedByHand, AskedBeforeTheAreasAreWritten) {
    enum Answer { Keep = 0, Replace = 1, Cancel = 2 };
    const std::string mine = "rem areas of my own\r\n";
    for (const Answer answer : {Keep, Replace, Cancel}) {
        test::Place place;
        test::Sitting s(place);
        for (size_t step = 0; step <= 3; ++step) test::kSteps[step].run(s);  // one area's neighbours still to go
        const std::string script = place.addon() + "AI/StrategicAreas.con";
        writeBytes(script, mine);
        s.messages.answers.push_back(answer);
        s.form.PageControl1->setCurrentWidget(s.form.t3);
        s.tick(0);
        s.click(s.form.t3->Label16z);
        ASSERT_EQ(s.messages.questions.size(), 1u) << answer;
        EXPECT_NE(s.messages.questions[0].find("\n    AI/StrategicAreas.con\n"), std::string::npos);
        const bool written = answer == Replace;
        EXPECT_EQ(readBytes(script) == mine, !written) << answer;
        EXPECT_EQ(readBytes(script).find("aiStrategicArea.create West") != std::string::npos, written) << answer;
        EXPECT_EQ(s.form.t3->areaSet().current().has_value(), answer == Cancel) << answer;  // Cancel: still to do
        std::vector<std::string> copies;
        for (const auto& e : fs::directory_iterator(place.addon()))
            if (e.path().filename().string().rfind("tarnwick-replaced-", 0) == 0)
                copies.push_back(readBytes(e.path().string() + "/AI/StrategicAreas.con"));
        EXPECT_EQ(copies, written ? std::vector<std::string>{mine} : std::vector<std::string>{}) << answer;
    }
}

// "Start" over an add-on whose conversion has its areas asks: continue it,
// start afresh after copying its work into a dated folder, or change nothing.
TEST(StartOverAConversionWithAreas, AsksToContinueStartAfreshOrCancel) {
    enum Answer { Continue = 0, Afresh = 1, Cancel = 2 };
    for (const Answer answer : {Continue, Afresh, Cancel}) {
        test::Place place;
        const std::string addon = place.addon();
        std::map<std::string, std::string> before;
        {
            test::Sitting s(place);
            for (size_t step = 0; step <= 3; ++step) test::kSteps[step].run(s);
            s.tick(0);
            s.click(s.form.t3->Label16z);  // the areas are written
            for (const char* f : {"tarnwick-conversion.txt", "ai.con", "AI/StrategicAreas.con"})
                before[f] = readBytes(addon + f);
        }
        ASSERT_NE(before["AI/StrategicAreas.con"], "");
        test::Sitting s(place);
        s.messages.answers.push_back(answer);
        test::kSteps[0].run(s);
        EXPECT_EQ(readBytes(addon + "tarnwick-conversion.txt"), before["tarnwick-conversion.txt"]) << "after OK";
        test::kSteps[1].run(s);
        ASSERT_EQ(s.messages.questions.size(), 1u) << answer;
        EXPECT_NE(s.messages.questions[0].find("with recorded areas"), std::string::npos) << s.messages.questions[0];
        std::vector<std::string> copies;
        for (const auto& e : fs::directory_iterator(addon))
            if (e.path().filename().string().rfind("tarnwick-replaced-", 0) == 0) copies.push_back(e.path().string() + "/");
        ASSERT_EQ(copies.size(), answer == Afresh ? 1u : 0u) << answer;
        if (answer == Afresh) {
            for (const auto& [file, bytes] : before) EXPECT_EQ(readBytes(copies[0] + file), bytes) << file;
            EXPECT_EQ(s.messages.infos, std::vector<std::string>{
                                            "The earlier conversion's areas, StrategicAreas.con, ai.con and "
                                            "tarnwick-conversion.txt were copied to " + copies[0] +
                                            " before the add-on was made anew."});
            EXPECT_EQ(readBytes(addon + "AI/StrategicAreas.con"), "");
            EXPECT_EQ(s.form.t3->areaSet().size(), 0u);
            EXPECT_TRUE(s.form.state.Record.areas.empty());
        } else {
            for (const auto& [file, bytes] : before) EXPECT_EQ(readBytes(addon + file), bytes) << file << " " << answer;
            EXPECT_EQ(s.messages.infos, std::vector<std::string>{}) << answer;
        }
        // "Continue that conversion" does what "Continue a conversion" does.
        EXPECT_EQ(s.form.t3->areaSet().size(), answer == Continue ? 2u : 0u) << answer;
        EXPECT_EQ(s.form.state.Record.has(state::Step::AreasWritten), answer == Continue) << answer;
        EXPECT_EQ(s.messages.errors, std::vector<std::string>{}) << answer;
    }
}

// "Start" again, with "Replace them": the list of conversions on view shows
// the conversion's new date, not the one it was opened with.
TEST(StartOverChangedScripts, TheListOfConversionsShowsTheNewDate) {
    test::Place place;
    {
        test::Sitting s(place);
        for (size_t step = 0; step <= 1; ++step) test::kSteps[step].run(s);
    }
    const std::string record = place.addon() + "tarnwick-conversion.txt";
    std::string text = readBytes(record);
    const size_t saved = text.find("\nsaved ");
    ASSERT_NE(saved, std::string::npos);
    text.replace(saved, text.find('\n', saved + 1) - saved, "\nsaved 2020-01-01 00:00");
    writeBytes(record, text);
    writeBytes(place.addon() + "ai.con", readBytes(place.addon() + "ai.con") + "rem mine\r\n");
    test::Sitting s(place);
    ASSERT_EQ(s.form.t1->ListConversions->count(), 1);
    EXPECT_NE(s.form.t1->ListConversions->item(0)->text().toStdString().find("2020-01-01 00:00"), std::string::npos);
    s.messages.answers.push_back(1);  // "Replace them"
    for (size_t step = 0; step <= 1; ++step) test::kSteps[step].run(s);
    ASSERT_EQ(s.form.t1->ListConversions->count(), 1);
    const std::string listed = s.form.t1->ListConversions->item(0)->text().toStdString();
    EXPECT_EQ(listed.find("2020-01-01"), std::string::npos) << listed;
    EXPECT_NE(listed.find("add-on made   -   " + state::loadRecord(place.addon()).record.savedAt), std::string::npos)
        << listed;
}

// The first packing proposes a name with ".rfa" and never replaces an
// archive at its target without asking, proposed or typed; "Replace it"
// keeps the old one beside it first.
TEST(FirstPackingTarget, AnExistingArchiveIsAskedAboutAndCopiedFirst) {
    enum Answer { Replace = 0, Cancel = 1, NotAsked = 2 };
    const struct {
        const char* chosen;  // below the test's folder
        bool existing;
        Answer answer;
    } cases[] = {
        {"Archives/MyMap_001.rfa", false, NotAsked},
        {"Archives/MyMap_001.RFA", true, Replace},  // typed, in other letters
        {"Archives/MyMap_001", true, Cancel},       // typed without extension
    };
    for (const auto& c : cases) {
        test::TempFolder tmp;
        test::ScriptedServices s(tmp.dir() + "Tools/");
        TForm1 form(s.services);
        form.state.MapName = "MyMap";
        form.state.LevelDir = tmp.dir() + "Tools/bf1942/levels/MyMap_001/";
        const std::string archive = tmp.dir() + "Archives/MyMap_001.rfa";
        if (c.existing) tmp.write("Archives/MyMap_001.rfa", "packed with its pathmaps");
        else fs::create_directories(tmp.path() / "Archives");
        fs::create_directories(tmp.path() / "Tools");
        s.dialogs.answer(tmp.dir() + c.chosen);
        if (c.answer != NotAsked) s.messages.answers.push_back(c.answer);
        QTest::mouseClick(form.t4->Label42, Qt::LeftButton);
        EXPECT_EQ(s.dialogs.requests.at(0).proposedName, "MyMap_001.rfa");
        EXPECT_EQ(s.messages.questions.size(), c.answer == NotAsked ? 0u : 1u) << c.chosen;
        const bool started = c.answer != Cancel;
        EXPECT_EQ(s.shell.batches.size(), started ? 1u : 0u) << c.chosen;
        EXPECT_EQ(form.state.PackTarget, started ? tmp.dir() + "Archives/MyMap_001" : "") << c.chosen;
        if (c.existing) EXPECT_EQ(tmp.read("Archives/MyMap_001.rfa"), "packed with its pathmaps") << c.chosen;
        EXPECT_EQ(fileExists(archive + ".bak") ? readBytes(archive + ".bak") : "(none)",
                  c.answer == Replace ? "packed with its pathmaps" : "(none)")
            << c.chosen;
        s.shell.stopBatches();
    }
}

} // namespace
} // namespace tw
