// Continuing a conversion: left after each step and continued in a new
// window, every page is as an uninterrupted run left it, and finishing gives
// the same files.
#include "support/sittings.h"
#include "app/stats_page.h"
#include "ui/widgets.h"
#include "support/checksums.h"
#include "support/earlier_numbers.h"
#include "support/process.h"
#include "cli/steps.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tw {
namespace {

using test::Sitting;

// Everything the pages show, control by control, and the state behind them.
std::string snapshot(Sitting& s) {
    std::string out;
    const auto q = [](const QString& t) { return t.toStdString(); };
    for (QWidget* page : {static_cast<QWidget*>(s.form.t1), static_cast<QWidget*>(s.form.t3),
                          static_cast<QWidget*>(s.form.t4), static_cast<QWidget*>(s.form.t6)}) {
        out += q(page->objectName()) + (page->isEnabled() ? " enabled\n" : " disabled\n");
        std::vector<std::string> lines;
        for (QWidget* w : page->findChildren<QWidget*>()) {
            const QString name = w->objectName();
            // The continue box and the status lines are no controls of the
            // wizard's first design, their texts no state of a conversion; the
            // closed properties box keeps what was typed for the last area,
            // which no record holds.
            if (name.isEmpty() || name.startsWith(QStringLiteral("qt_")) || name.contains(QStringLiteral("Continue")) ||
                name == QStringLiteral("ListConversions") || name.startsWith(QStringLiteral("statusLine")) ||
                name.endsWith(QStringLiteral("Status")) ||
                (w->parentWidget() == s.form.t3->areafert && !s.form.t3->areafert->isVisibleTo(page)))
                continue;
            std::string line = q(name) + (w->isEnabled() ? " on" : " off") + (w->isVisibleTo(page) ? " shown" : " hidden");
            if (auto* l = qobject_cast<QLabel*>(w)) line += " [" + q(l->text()) + "]";
            if (auto* e = qobject_cast<QLineEdit*>(w)) line += " [" + q(e->text()) + "]";
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                line += " [" + q(b->text()) + "]" + (b->isChecked() ? " checked" : "");
            if (auto* m = qobject_cast<QPlainTextEdit*>(w)) line += " [" + q(m->toPlainText()) + "]";
            if (auto* bar = qobject_cast<QProgressBar*>(w)) line += " " + std::to_string(bar->value());
            if (auto* list = qobject_cast<QListWidget*>(w))
                for (int i = 0; i < list->count(); ++i)
                    line += " [" + q(list->item(i)->text()) +
                            (list->item(i)->flags() & Qt::ItemIsUserCheckable
                                 ? (list->item(i)->checkState() == Qt::Checked ? " x" : " -")
                                 : "") +
                            "]";
            if (auto* p = qobject_cast<PictureBox*>(w))
                line += " at " + std::to_string(p->x()) + "," + std::to_string(p->y()) + " picture " +
                        std::to_string(qHashBits(p->picture().constBits(), static_cast<size_t>(p->picture().sizeInBytes())));
            lines.push_back(line + "\n");
        }
        std::sort(lines.begin(), lines.end());  // raising a box changes the order of children
        for (const std::string& l : lines) out += l;
    }
    const AreasPage& a = *s.form.t3;
    const auto join = [](const auto& lines) {
        std::string t;
        for (const auto& l : lines) t += std::string(l) + "|";
        return t;
    };
    areas::AreasWork w;
    a.areaSet().toWork(w);
    out += "areas " + join(w.createLines) + " waiting " + join(w.waiting) + " blocks " + join(w.blocks) + " sides " +
           join(w.sides) + "\n";
    for (const Lines& p : w.params) out += "params " + join(p) + "\n";
    for (const Lines& p : w.vparams) out += "vparams " + join(p) + "\n";
    const state::Conversion& st = s.form.state;
    out += "state " + st.AddonDir + " | " + st.MapDir + " | " + st.MapName + " | " + st.GamePath + " | " +
           std::to_string(st.WorldSize) + " | " + std::to_string(st.worldScale()) + " | " + st.PackTarget + " | " +
           std::to_string(a.scratch().ActivePoint) + "\n";
    out += "shown " + s.form.PageControl1->currentWidget()->objectName().toStdString() + "\n";
    return out;
}

class ContinueAfter : public ::testing::TestWithParam<size_t> {};

TEST_P(ContinueAfter, EveryPageAsLeftAndTheSameFilesAtTheEnd) {
    const size_t stop = GetParam();  // the conversion is left after step `stop`
    test::Place place;
    std::string expectedPages;
    std::map<std::string, std::string> expectedFiles;
    {
        Sitting s(place);
        for (size_t step = 0; step < test::kSteps.size(); ++step) {
            test::kSteps[step].run(s);
            if (step == stop) expectedPages = snapshot(s);
        }
        test::finish(s);
        expectedFiles = place.files();
    }
    place.renew();
    {
        Sitting s(place);
        for (size_t step = 0; step <= stop; ++step) test::kSteps[step].run(s);
    }
    Sitting s(place);
    ASSERT_GE(s.form.t1->ListConversions->count(), 1);
    EXPECT_TRUE(s.form.t1->GroupBoxContinue->isVisibleTo(s.form.t1));
    s.continueFirst();
    EXPECT_TRUE(s.messages.errors.empty()) << s.messages.errors[0];
    EXPECT_EQ(snapshot(s), expectedPages) << "left after " << test::kSteps[stop].name;
    for (size_t step = stop + 1; step < test::kSteps.size(); ++step) test::kSteps[step].run(s);
    test::finish(s);
    EXPECT_EQ(place.files(), expectedFiles);
}

INSTANTIATE_TEST_SUITE_P(Steps, ContinueAfter, ::testing::Range<size_t>(0, test::kSteps.size()),
                         [](const auto& info) { return std::string(test::kSteps[info.param].name); });

// The program folder moved after the first packing: "Continue a conversion"
// shows every page as it did at the old place, with the new place's paths,
// the level's picture included, and says nothing.
TEST(ContinueAfterAMove, EveryPageAsBeforeAtTheNewPlace) {
    test::Place place;
    {
        Sitting s(place);
        for (size_t step = 0; step <= 4; ++step) test::kSteps[step].run(s);
    }
    std::string before;
    {
        Sitting s(place);
        s.continueFirst();
        before = snapshot(s) + s.form.t3->picturePath();
    }
    std::filesystem::current_path(place.tmp.path());
    std::filesystem::rename(place.tmp.path() / "Tarnwick", place.tmp.path() / "Moved");
    const std::string old = place.program;
    place.program = place.tmp.dir() + "Moved/";
    for (size_t at = before.find(old); at != std::string::npos; at = before.find(old, at + place.program.size()))
        before.replace(at, old.size(), place.program);
    Sitting s(place);
    ASSERT_EQ(s.form.t1->ListConversions->count(), 1);
    s.continueFirst();
    EXPECT_EQ(s.messages.errors, std::vector<std::string>{});
    EXPECT_EQ(s.messages.infos, std::vector<std::string>{});
    EXPECT_EQ(snapshot(s) + s.form.t3->picturePath(), before);  // the map view's picture included
}

// A record that cannot be continued is told of, and the wizard goes on as
// usual: the map chosen again, "OK" and "Start".
TEST(ContinueRefused, DamagedNewerOrGoneEachSaySoAndTheWizardWorks) {
    enum class Kind { Damaged, Newer, FolderGone };
    const struct {
        Kind kind;
        const char* said;
    } cases[] = {
        {Kind::Damaged, "It was kept as tarnwick-conversion.txt.damaged. Choose the map as usual"},
        {Kind::Newer, "was written by a newer Tarnwick (record version 7; this one reads up to 2)"},
        {Kind::FolderGone, "is gone, so its conversion cannot be continued. Choose the map as usual"},
    };
    for (const auto& c : cases) {
        test::Place place;
        {
            Sitting s(place);
            for (size_t step = 0; step <= 1; ++step) test::kSteps[step].run(s);
        }
        const std::string record = place.addon() + state::kRecordFileName;
        const std::string newer = "Tarnwick conversion, version 7\nwhatever it holds\n";
        if (c.kind == Kind::Damaged) writeBytes(record, "Tarnwick conversion, version 1\nmap-source\n");
        if (c.kind == Kind::Newer) writeBytes(record, newer);
        Sitting s(place);
        if (c.kind != Kind::Damaged) {
            if (c.kind == Kind::FolderGone) std::filesystem::remove_all(place.addon());
            ASSERT_EQ(s.form.t1->ListConversions->count(), 1);
            s.continueFirst();
        }
        const auto& told = c.kind == Kind::FolderGone ? s.messages.errors : s.messages.infos;
        ASSERT_EQ(told.size(), 1u) << ::testing::PrintToString(s.messages.errors);
        EXPECT_NE(told[0].find(c.said), std::string::npos) << told[0];
        EXPECT_TRUE(s.form.t1->GroupBox7->isEnabled());  // nothing was taken over
        EXPECT_EQ(s.form.t1->ListConversions->count(), c.kind == Kind::Newer ? 1 : 0);
        if (c.kind == Kind::Damaged)
            EXPECT_EQ(readBytes(record + ".damaged"), "Tarnwick conversion, version 1\nmap-source\n");
        s.messages.infos.clear();
        s.messages.errors.clear();
        for (size_t step = 0; step <= 1; ++step) test::kSteps[step].run(s);
        EXPECT_TRUE(s.messages.errors.empty()) << s.messages.errors[0];
        EXPECT_TRUE(s.form.t3->isEnabled());
        EXPECT_TRUE(fileExists(place.addon() + "AIPathFinding.con"));
        // A newer record is never saved over; the others are begun afresh.
        EXPECT_EQ(readBytes(record) == newer, c.kind == Kind::Newer);
    }
}

// An add-on whose AIPathFinding.con an earlier Tarnwick numbered by the
// digits in the maps' names: "Continue" asks once; "Mend the map numbers"
// mends only them and keeps the old file in a dated folder, "Leave them"
// changes nothing.
TEST(ContinueMendsMapNumbers, EachEarlierChoiceBothAnswers) {
    test::Place place;
    {
        Sitting s(place);
        for (size_t step = 0; step <= 1; ++step) test::kSteps[step].run(s);
    }
    const std::string file = place.addon() + "AIPathFinding.con";
    const auto contents = [&] {
        auto all = test::folderChecksums(place.addon());
        all.erase(state::kRecordFileName);  // carries the date it was saved
        return all;
    };
    for (const test::EarlierChoice& c : test::earlierChoices())
        for (const int answer : {0, 1}) {
            SCOPED_TRACE(std::to_string(c.ships) + std::to_string(c.landingCrafts) + " answer " +
                         std::to_string(answer));
            const std::string old = joinLines(test::earlierPathFinding(c.ships, c.landingCrafts), true);
            writeBytes(file, old);
            auto before = contents();
            Sitting s(place);
            s.messages.answers = {answer};
            s.continueFirst();
            EXPECT_TRUE(s.messages.errors.empty()) << s.messages.errors[0];
            ASSERT_EQ(s.messages.questions.size(), 1u);
            for (const check::MapNumberFault& f : c.faults)
                EXPECT_NE(s.messages.questions[0].find(check::faultText(f)), std::string::npos) << f.line;
            auto after = contents();
            if (answer == 1) {
                EXPECT_EQ(after, before);
                continue;
            }
            EXPECT_EQ(readBytes(file),
                      joinLines(generator::aiPathFinding(test::kInfantrySeeds, test::kVehicleSeeds, c.ships,
                                                         c.landingCrafts),
                                true));
            std::vector<std::string> kept;
            for (const auto& [path, sum] : after)
                if (path.rfind("tarnwick-replaced-", 0) == 0) kept.push_back(path);
            ASSERT_EQ(kept.size(), 2u) << ::testing::PrintToString(kept);
            EXPECT_EQ(readBytes(place.addon() + kept[1]), old);
            ASSERT_EQ(s.messages.infos.size(), 1u);
            EXPECT_NE(s.messages.infos[0].find(kept[0]), std::string::npos) << s.messages.infos[0];
            for (const std::string& k : kept) after.erase(k);
            std::filesystem::remove_all(place.addon() + kept[0]);
            before.erase("AIPathFinding.con");
            after.erase("AIPathFinding.con");
            EXPECT_EQ(after, before);
        }
}

// Areas written by tarnwick-cli areas are the ones "Continue" shows: the
// page's areas write the file again line for line.
TEST(ContinueAfterCliAreas, ThePageHoldsExactlyTheFilesAreas) {
    test::Place place;
    {
        Sitting s(place);
        for (size_t step = 0; step <= 1; ++step) test::kSteps[step].run(s);
    }
    writeBytes(place.tmp.dir() + "areas.txt", "North 100/600 300/900 120 ControlPoint,Tank 1 South Mill\n"
                                              "South 700/100 900/400 80 Base 2 North\n"
                                              "Mill 400/400 650/560 60 StrongPoint,Car - South North\n");
    for (const std::string& source : {place.tmp.dir() + "areas.txt", std::string("--from-control-points")}) {
        SCOPED_TRACE(source);
        const auto r = test::runProgram(place.program + "tarnwick-cli", {"areas", place.addon(), source, "--replace"});
        ASSERT_EQ(r.code, 0) << r.output;
        Sitting s(place);
        s.continueFirst();
        EXPECT_TRUE(s.messages.errors.empty()) << s.messages.errors[0];
        EXPECT_EQ(joinLines(s.form.t3->areaSet().script(), true),
                  readBytes(place.addon() + "AI/StrategicAreas.con"));
    }
}
// The conversion of an add-on, value by value.
std::string described(const state::Conversion& c) {
    return c.AddonDir + " | " + c.MapDir + " | " + c.MapName + " | " + c.GamePath + " | " +
           std::to_string(c.WorldSize) + " | " + c.PackTarget + " | " + (c.RecordBlocked ? "blocked" : "saved") + "\n" +
           state::serialiseRecord(c.Record);
}

// "Continue a conversion" and the tarnwick-cli commands that take an add-on
// (first-pack, transfer, pack) take up the same conversion, after each step
// that made the add-on and for an add-on of an earlier version (no record;
// the packing state of its first packing).
TEST(OpenConversion, ContinueAndTheCommandsTakeUpTheSameConversion) {
    const struct {
        size_t stop;
        bool earlierVersion;
    } cases[] = {{1, false}, {3, false}, {4, false}, {5, false}, {4, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(test::kSteps[c.stop].name) + (c.earlierVersion ? ", earlier version" : ""));
        test::Place place;
        std::string left;
        int32_t worldSize = 0;
        {
            Sitting s(place);
            for (size_t step = 0; step <= c.stop; ++step) test::kSteps[step].run(s);
            left = described(s.form.state);
            worldSize = s.form.state.WorldSize;
        }
        if (c.earlierVersion) std::filesystem::remove(place.addon() + state::kRecordFileName);
        const state::OpenedConversion opened = state::openConversion(place.program, place.addon());
        EXPECT_EQ(opened.fromRecord, !c.earlierVersion);
        const std::string cli = described(cli::addonState(place.program, place.addon()));
        EXPECT_EQ(cli, described(opened.conversion));
        if (c.earlierVersion) {
            // What the first packing exported is what is taken up, with the
            // world size the add-on's ai.con names.
            EXPECT_EQ(state::packingStateExport(opened.conversion), readLines(place.program + "temp/pathf.bf"));
            EXPECT_EQ(opened.conversion.WorldSize, worldSize);
            continue;
        }
        Sitting s(place);
        s.continueFirst();
        EXPECT_TRUE(s.messages.errors.empty()) << s.messages.errors[0];
        EXPECT_EQ(described(s.form.state), cli);
        // The record written by the sitting before is the one taken up (its
        // step's date aside, the same dates).
        EXPECT_EQ(cli.substr(0, cli.find('\n')), left.substr(0, left.find('\n')));
    }
}

} // namespace
} // namespace tw
