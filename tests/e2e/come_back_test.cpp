// Going round: after a test in the game, from a closed Tarnwick to one area
// moved and the add-on packed again into the game folder, in at most eight
// actions, with the real window, the real runner and a game folder of its own.
#include "support/sittings.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(ComeBack, OneAreaMovedAndRepackedInEightActions) {
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
    AreasPage& t3 = *s.form.t3;
    act([&] { s.form.PageControl1->setCurrentWidget(&t3); });
    QListWidget* list = t3.ListBox1z;
    act([&] { QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center()); });
    const areas::Outline west = t3.outlines().at(0);
    const QPoint middle((west.left + west.right) / 2, (west.top + west.bottom) / 2);
    act([&] { s.drag(middle, middle + QPoint(30, 40)); });  // "West" by 30 and 40 pixels
    act([&] { s.form.PageControl1->setCurrentWidget(s.form.t4); });
    s.messages.answers = {0};  // "Pack anyway": the check finds the stand-in pathmaps, which a real game replaces
    act([&] { s.click(s.form.t4->Button7); });
    EXPECT_TRUE(s.waitFor([&] { return !s.messages.infos.empty() || !s.messages.errors.empty(); }));
    ++actions;  // OK on "Done"
    const std::string folder = place.archives.substr(0, place.archives.size() - 1);
    EXPECT_EQ(s.messages.infos,
              std::vector<std::string>{"Done\n\nThe add-on is packed into DemoMap_001.rfa in the folder " + folder + "."})
        << ::testing::PrintToString(s.messages.errors);
    EXPECT_LE(actions, 8);

    // The archive in the game folder: the moved area, the pathmaps of the
    // first round, and nothing else changed.
    const std::string areasScript = level + "AI/StrategicAreas.con";
    auto after = test::archiveEntries(place.archive());
    const auto line = [](const std::string& script, const std::string& start) {
        const size_t at = script.find(start);
        return at == std::string::npos ? std::string() : script.substr(at, script.find('\r', at) - at);
    };
    const std::string westLine = "aiStrategicArea.create West ", north = "aiStrategicArea.create North ";
    EXPECT_NE(line(after.at(areasScript), westLine), line(before.at(areasScript), westLine));
    EXPECT_EQ(line(after.at(areasScript), north), line(before.at(areasScript), north));
    EXPECT_NE(line(after.at(areasScript), north), "");
    EXPECT_EQ(after.at(areasScript), readBytes(place.addon() + "AI/StrategicAreas.con"));
    after.erase(areasScript);
    auto unchanged = before;
    unchanged.erase(areasScript);
    EXPECT_EQ(after, unchanged);
}

} // namespace
} // namespace tw
