#include "platform/errors.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(FrameworkTexts, ChangeFolderCodes) {
    EXPECT_EQ(msg::ioError(2), "Datei nicht gefunden");
    EXPECT_EQ(msg::ioError(3), "Ung\xC3\xBCltiger Dateiname");
    EXPECT_EQ(msg::ioError(5), "Dateizugriff verweigert");
    EXPECT_EQ(msg::ioError(267), "E/A-Fehler 267");
    EXPECT_EQ(msg::ioError(32), "E/A-Fehler 32");
}

TEST(FrameworkTexts, FilledTemplates) {
    EXPECT_EQ(msg::fileOpen("C:\\x\\init\\terrain.con", "Grund"),
              "Datei C:\\x\\init\\terrain.con kann nicht ge\xC3\xB6" "ffnet werden. Grund");
    EXPECT_EQ(msg::fileCreate("C:\\memory.bf", "Grund"), "Datei \"C:\\memory.bf\" kann nicht erstellt werden. Grund");
    EXPECT_EQ(msg::invalidInteger("abc"), "'abc' ist kein g\xC3\xBCltiger Integerwert");
    EXPECT_EQ(msg::listIndex(-1), "Listenindex \xC3\xBC" "berschreitet das Maximum (-1)");
}

TEST(ParseInteger, AcceptsWhatTheFrameworkAccepts) {
    struct Case {
        std::string text;
        int value;
    };
    const Case cases[] = {{"1", 1},       {"-5", -5},   {"+7", 7},   {"0", 0},
                          {"  12", 12},   {"$10", 16},  {"0x1F", 31}, {"2147483647", 2147483647},
                          {"-2147483648", -2147483647 - 1}};
    for (const auto& c : cases) EXPECT_EQ(parseInteger(c.text), c.value) << c.text;
}

TEST(ParseInteger, RejectsEverythingElseNamingTheText) {
    for (const std::string text : {"", " ", "abc", "12 ", "1.5", "Priority (from 1 - 200)", "-", "2147483648",
                                   "--1", "1e3"}) {
        try {
            parseInteger(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const AppError& e) {
            EXPECT_EQ(e.what(), msg::invalidInteger(text));
        }
    }
}

} // namespace
} // namespace tw

#include "support/scripted.h"

namespace tw {
namespace {

TEST(Guard, FailuresBecomeOneErrorBoxWithThePeriodRule) {
    test::RecordingMessages messages;
    guarded(messages, [] { throw AppError(msg::ioError(2)); });
    guarded(messages, [] { throw AppError(msg::listIndex(-1)); });
    guarded(messages, [] { throw std::runtime_error("plain failure"); });
    guarded(messages, [] { throw 42; });
    guarded(messages, [] {});
    ASSERT_EQ(messages.errors.size(), 4u);
    EXPECT_EQ(messages.errors[0], "Datei nicht gefunden.");
    EXPECT_EQ(messages.errors[1], "Listenindex \xC3\xBC" "berschreitet das Maximum (-1)");
    EXPECT_EQ(messages.errors[2], "plain failure.");
    EXPECT_FALSE(messages.errors[3].empty());
}

} // namespace
} // namespace tw
