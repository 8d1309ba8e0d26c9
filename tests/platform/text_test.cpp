#include "platform/text.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

struct SplitCase {
    std::string text;
    Lines lines;
};

TEST(SplitLines, BreaksAtCrLfLfAndCr) {
    const SplitCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {" \r\n\r\n ", {" ", "", " "}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitLines(c.text), c.lines) << "text: " << c.text;
}

TEST(JoinLines, FinalLineEndIsTheCallersChoice) {
    struct Case {
        Lines lines;
        bool finalLineEnd;
        std::string text;
    };
    const Case cases[] = {
        {{}, true, ""},
        {{}, false, ""},
        {{""}, true, "\r\n"},
        {{""}, false, ""},
        {{"a"}, true, "a\r\n"},
        {{"a", "b"}, false, "a\r\nb"},
        {{"a", " ", ""}, true, "a\r\n \r\n\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(joinLines(c.lines, c.finalLineEnd), c.text);
}

TEST(Cp1252, EveryByteSurvivesDecodeAndEncode) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = decodeCp1252(all);
    EXPECT_EQ(encodeCp1252(utf8), all);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(encodeCp1252(decodeCp1252(one)), one) << "byte " << b;
    }
}

TEST(Cp1252, MapsTheCodePagesCharacters) {
    struct Case {
        std::string byte;
        std::string utf8;
    };
    const Case cases[] = {
        {"\x80", "\xE2\x82\xAC"},   // euro sign
        {"\x81", "\xC2\x81"},       // undefined: kept as the C1 control
        {"\x8A", "\xC5\xA0"},       // S with caron
        {"\x9F", "\xC5\xB8"},       // Y with diaeresis
        {"\xE4", "\xC3\xA4"},       // a with diaeresis
        {"\xFF", "\xC3\xBF"},
        {"A", "A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeCp1252(c.byte), c.utf8);
        EXPECT_EQ(encodeCp1252(c.utf8), c.byte);
    }
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(encodeCp1252("a\xE2\x82\xBD" "b"), "a?b");  // rouble sign
    EXPECT_EQ(encodeCp1252("\xF0\x9F\x98\x80"), "?");     // emoji
    EXPECT_EQ(encodeCp1252("x\xC3"), "x?");               // cut-off sequence
    EXPECT_EQ(encodeCp1252("\xC0\x80"), "??");            // overlong form
}

TEST(CaseBlindCompare, WholeLinesNothingTrimmed) {
    struct Case {
        std::string a, b;
        bool equal;
    };
    const Case cases[] = {
        {"ai.createallmaps", "AI.CreateAllMaps", true},
        {"GeometryTemplate.worldSize 2048", "geometrytemplate.worldsize 2048", true},
        {"ai.createallmaps ", "ai.createallmaps", false},
        {" ai.createallmaps", "ai.createallmaps", false},
        {"GameTypes", "Gametypes", true},
        {"\xC3\x84rger", "\xC3\xA4RGER", true},  // A/a with diaeresis
        {"\xC5\xA0", "\xC5\xA1", true},          // S/s with caron
        {"a", "b", false},
    };
    for (const auto& c : cases) EXPECT_EQ(equalsIgnoreCase(c.a, c.b), c.equal) << c.a << " | " << c.b;
}

TEST(PeriodRule, AddsAPeriodOnlyAfterCharactersAboveThePeriod) {
    struct Case {
        std::string message, shown;
    };
    const Case cases[] = {
        {"Listenindex \xC3\xBC" "berschreitet das Maximum (-1)", "Listenindex \xC3\xBC" "berschreitet das Maximum (-1)"},
        {"Datei nicht gefunden", "Datei nicht gefunden."},
        {"E/A-Fehler 267", "E/A-Fehler 267."},
        {"Done.", "Done."},
        {"ends with a blank ", "ends with a blank "},
        {"ends with a dash -", "ends with a dash -"},
        {"ends with a comma,", "ends with a comma,"},
        {"Zugriff verweigert: \xC3\xA4", "Zugriff verweigert: \xC3\xA4."},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(withFinalPeriod(c.message), c.shown);
}

} // namespace
} // namespace tw
