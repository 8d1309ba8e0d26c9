#include "areas/area_script.h"

#include <gtest/gtest.h>

namespace tw::areas {
namespace {

TEST(AreaOutline, PixelsToWorldMetres) {
    struct Case {
        int gx, gy, rx, ry;
        int32_t size, scale;
        int left, right, top, bottom;
        int32_t minX, minY, maxX, maxY;
        double cx, cy;
    };
    const Case cases[] = {
        {100, 300, 150, 260, 2048, 4, 100, 150, 260, 300, 400, 848, 600, 1008, 500, 928},
        {200, 220, 150, 180, 1024, 2, 150, 200, 180, 220, 300, 584, 400, 664, 350, 624},
        {-3, 10, 20, 40, 4096, 8, -3, 20, 10, 40, -24, 3776, 160, 4016, 68, 3896},
        {10, 0, 20, 30, 2048, 4, 10, 20, 0, 30, 40, 1928, 80, 2048, 60, 1988},
    };
    for (const Case& c : cases) {
        const auto b = areaOf(c.gx, c.gy, c.rx, c.ry, c.size, c.scale);
        ASSERT_TRUE(b.has_value());
        EXPECT_EQ((std::vector<int>{b->left, b->right, b->top, b->bottom}),
                  (std::vector<int>{c.left, c.right, c.top, c.bottom}));
        EXPECT_EQ((std::vector<int32_t>{b->minX, b->minY, b->maxX, b->maxY}),
                  (std::vector<int32_t>{c.minX, c.minY, c.maxX, c.maxY}));
        EXPECT_EQ(b->centerX, c.cx);
        EXPECT_EQ(b->centerY, c.cy);
    }
    EXPECT_FALSE(areaOf(100, 300, 100, 200, 2048, 4).has_value());  // same column
    EXPECT_FALSE(areaOf(100, 300, 150, 300, 2048, 4).has_value());  // same row
}

TEST(AreaLines, EntryCreateKindsOrdersAndSide) {
    const AreaBox hill = *areaOf(100, 300, 150, 260, 2048, 4);
    EXPECT_EQ(listEntry("Hill", hill, 50), "Hill [ 400;848 / 500;928 ] ==> Prio. [50]");
    EXPECT_EQ(createLine("Hill", hill, 50), "aiStrategicArea.create Hill 400/848 500/928 50");
    EXPECT_EQ(createLine("Your area - name here", hill, -7),
              "aiStrategicArea.create Your area - name here 400/848 500/928 -7");
    Kinds all;
    all.center = all.flank = all.airfield = all.strongPoint = all.controlPoint = all.base = true;
    EXPECT_EQ(kindLines(all), (Lines{"aiStrategicArea.addObjectTypeFlag Base", "aiStrategicArea.addObjectTypeFlag ControlPoint",
                                     "aiStrategicArea.addObjectTypeFlag StrongPoint", "aiStrategicArea.addObjectTypeFlag airfield",
                                     "aiStrategicArea.addObjectTypeFlag flank", "aiStrategicArea.addObjectTypeFlag center"}));
    EXPECT_EQ(kindLines({}), Lines{});
    EXPECT_EQ(orderLines(4, 100, false, false), (Lines{"AIStrategicArea.setOrderPosition Infantry -6/90"}));
    EXPECT_EQ(orderLines(500, 928, true, true),
              (Lines{"AIStrategicArea.setOrderPosition Infantry 490/918", "AIStrategicArea.setOrderPosition Car 490/918",
                     "AIStrategicArea.setOrderPosition Tank 490/918"}));
    EXPECT_EQ(sideLine(-1), "");
    EXPECT_EQ(sideLine(0), "aiStrategicArea.setSide 0");
    EXPECT_EQ(numberText(1.5), "1.5");
    EXPECT_EQ(numberText(-6), "-6");
}

TEST(StrategicAreasCon, TheWorkedExampleOfTwoAreas) {
    const AreaBox hill = *areaOf(100, 300, 150, 260, 2048, 4);
    AreaBox bridge{};
    bridge.minX = 1000;
    bridge.minY = 200;
    bridge.centerX = 1100;
    bridge.centerY = 300;
    Kinds hillKinds;
    hillKinds.base = hillKinds.controlPoint = true;
    Lines blocks = areaBlock("Hill", {"Bridge"}, kindLines(hillKinds), orderLines(500, 928, true, false), sideLine(1));
    const Lines bridgeBlock = areaBlock("Bridge", {"Hill"}, {}, orderLines(1100, 300, false, true), sideLine(2));
    blocks.insert(blocks.end(), bridgeBlock.begin(), bridgeBlock.end());
    const Lines file = strategicAreasCon({createLine("Hill", hill, 50), " ", createLine("Bridge", bridge, 100), " "}, blocks);
    EXPECT_EQ(file.size(), 23u);
    EXPECT_EQ(joinLines(file, true),
              "rem *** RizU done by quorvin_tal's Tarnwick ... https://tarnwick.example.org\r\n"
              "aiStrategicArea.create Hill 400/848 500/928 50\r\n"
              " \r\n"
              "aiStrategicArea.create Bridge 1000/200 1100/300 100\r\n"
              " \r\n"
              "\r\n"
              " \r\n"
              " \r\n"
              "aiStrategicArea.setActive Hill\r\n"
              "AIStrategicArea.addNeighbour Bridge\r\n"
              "aiStrategicArea.addObjectTypeFlag Base\r\n"
              "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
              "AIStrategicArea.setOrderPosition Infantry 490/918\r\n"
              "AIStrategicArea.setOrderPosition Car 490/918\r\n"
              "aiStrategicArea.setSide 1\r\n"
              "\r\n"
              "aiStrategicArea.setActive Bridge\r\n"
              "AIStrategicArea.addNeighbour Hill\r\n"
              "AIStrategicArea.setOrderPosition Infantry 1090/290\r\n"
              "AIStrategicArea.setOrderPosition Tank 1090/290\r\n"
              "aiStrategicArea.setSide 2\r\n"
              "\r\n"
              "\r\n");
}

TEST(StrategicAreasCon, OneAreaWithoutSide) {
    const AreaBox box = *areaOf(0, 10, 5, 0, 1024, 2);
    const Lines file = strategicAreasCon({createLine("Solo", box, 1), " "},
                                         areaBlock("Solo", {}, {}, orderLines(box.centerX, box.centerY, false, false), sideLine(-1)));
    EXPECT_EQ(joinLines(file, true),
              "rem *** RizU done by quorvin_tal's Tarnwick ... https://tarnwick.example.org\r\n"
              "aiStrategicArea.create Solo 0/1004 5/1014 1\r\n"
              " \r\n"
              "\r\n"
              " \r\n"
              " \r\n"
              "aiStrategicArea.setActive Solo\r\n"
              "AIStrategicArea.setOrderPosition Infantry -5/1004\r\n"
              "\r\n"
              "\r\n");
}

} // namespace
} // namespace tw::areas
