// The conversion record as text: read back as written; anything short of a
// whole record of this version is not taken for one.
#include "state/conversion_record.h"

#include <gtest/gtest.h>

namespace tw::state {
namespace {

TEST(ConversionRecordText, ReadBackAsWrittenAndNothingLessIsTaken) {
    ConversionRecord r;
    r.mapSource = "C:\\Maps\\MyMap.rfa";
    r.mapName = "MyMap";
    r.worldSize = 2048;
    r.mapFolder = "C:\\Tools\\bf1942\\levels\\MyMap\\";
    r.ships = true;
    r.mark(Step::FirstPacked, "2026-12-08 21:05");
    r.mark(Step::MapAnalysed, "2026-12-08 21:06");
    r.gamePath = "D:\\Games\\Battlefield 1942\\";
    r.packTarget = "D:\\Games\\Battlefield 1942\\Mods\\bf1942\\Archives\\bf1942\\levels\\MyMap_001";
    r.pathmaps = {"Tank0Level1Map.raw", "Infantry1Level0Map.raw"};
    r.setChecksum("AI.con", checksumOf("ai.con bytes"));
    r.setChecksum("ai.CON", checksumOf("other bytes"));  // one entry, letter case aside
    r.areasWork = "Tarnwick areas in progress, version 1\nlist 0\n\nend\n";
    const std::string text = serialiseRecord(r);
    const ParsedRecord back = parseRecord(text);
    ASSERT_EQ(back.kind, ParsedRecord::Kind::Ok);
    EXPECT_EQ(back.record, r);
    EXPECT_EQ(r.scripts.size(), 1u);
    EXPECT_EQ(r.done, (std::vector<Step>{Step::MapAnalysed, Step::FirstPacked}));
    EXPECT_EQ(parseRecord(serialiseRecord(ConversionRecord{})).record, ConversionRecord{});
    for (size_t cut = 0; cut < text.size(); ++cut)
        EXPECT_EQ(parseRecord(text.substr(0, cut)).kind, ParsedRecord::Kind::Damaged) << cut;

    const struct {
        std::string text;
        ParsedRecord::Kind kind;
    } cases[] = {
        {"Tarnwick conversion, version 2\nanything at all", ParsedRecord::Kind::Newer},
        {"Tarnwick conversion, version 0\n" + text.substr(text.find('\n') + 1), ParsedRecord::Kind::Damaged},
        {std::string(text).insert(text.size() - 4, "x\n"), ParsedRecord::Kind::Damaged},
        {std::string(text).replace(text.find("first-packed"), 12, "first-packer"), ParsedRecord::Kind::Damaged},
        {std::string(text).replace(text.find('\n'), 1, "\r\n"), ParsedRecord::Kind::Damaged},
    };
    for (const auto& c : cases) EXPECT_EQ(parseRecord(c.text).kind, c.kind) << c.text;
    EXPECT_EQ(parseRecord(cases[0].text).version, 2);

    r.gamePath = "D:\\Games\nrun evil.con";
    EXPECT_THROW(serialiseRecord(r), std::exception);
}

} // namespace
} // namespace tw::state
