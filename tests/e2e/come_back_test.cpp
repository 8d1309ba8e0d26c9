// Going round: after a test in the game, from a closed Tarnwick to a changed
// add-on packed again into the game folder, in at most eight actions, with
// the real window, the real runner and a game folder of its own.
#include "support/sittings.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(ComeBack, ChangeAndRepackInEightActions) {
    test::Place place;
    {
        test::Sitting first(place);
        for (const test::Step& step : test::kSteps) step.run(first);
        test::finish(first);
    }
    const auto before = test::archiveEntries(place.archive());
    const std::string level = "bf1942/levels/DemoMap/";
    ASSERT_TRUE(before.count(level + "Pathfinding/Tank0Level1Map.raw"));

    int actions = 1;  // starting Tarnwick
    test::Sitting s(place);
    const auto act = [&](const std::function<void()>& action) {
        action();
        ++actions;
    };
    act([&] { s.continueFirst(); });
    MapPage& t1 = *s.form.t1;
    act([&] { QTest::mouseClick(t1.ListBox1->viewport(), Qt::LeftButton, {},
                                t1.ListBox1->visualItemRect(t1.ListBox1->item(2)).center()); });  // COOP.con
    act([&] { t1.Memo6->setPlainText(t1.Memo6->toPlainText().replace(QStringLiteral("1 100"), QStringLiteral("1 150"))); });
    act([&] { s.click(t1.Button3); });
    act([&] { s.form.PageControl1->setCurrentWidget(s.form.t4); });
    s.messages.answers = {0};  // "Pack anyway": the check finds the stand-in pathmaps, which a real game replaces
    act([&] { s.click(s.form.t4->Button7); });
    EXPECT_TRUE(s.waitFor([&] { return !s.messages.infos.empty() || !s.messages.errors.empty(); }));
    ++actions;  // OK on "Done"
    EXPECT_EQ(s.messages.infos, std::vector<std::string>{"Done"}) << ::testing::PrintToString(s.messages.errors);
    EXPECT_LE(actions, 8);

    // The archive in the game folder: the change, the pathmaps of the first
    // round, and nothing else changed.
    auto after = test::archiveEntries(place.archive());
    EXPECT_NE(after.at(level + "Coop.con").find("1 150"), std::string::npos);
    EXPECT_EQ(after.at(level + "Coop.con"), readBytes(place.addon() + "Coop.con"));
    after.erase(level + "Coop.con");
    auto unchanged = before;
    unchanged.erase(level + "Coop.con");
    EXPECT_EQ(after, unchanged);
}

} // namespace
} // namespace tw
