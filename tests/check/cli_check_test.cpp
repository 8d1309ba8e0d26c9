// tarnwick-cli check on the sample's add-on, as the command line makes it,
// and on broken copies of it.
#include "platform/files.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

TEST(TarnwickCliCheck, TheSampleAndThreeBrokenAddons) {
    test::TempFolder tmp;
    const std::string program = test::makeProgramFolder(tmp.path() / "T");
    const auto cli = [&](const std::vector<std::string>& arguments, const test::RunOptions& options = {}) {
        return test::runProgram(program + "tarnwick-cli", arguments, options);
    };
    const test::RunOptions outputOnly = {.keep = test::RunOptions::Keep::Output};
    const std::string addon = program + "bf1942/levels/DemoMap_001/";
    ASSERT_EQ(cli({"addon", "DemoMap/init.con", "--ships", "--landingcrafts"}, {.folder = program + "samples"}).code, 0);
    ASSERT_EQ(cli({"areas", addon, "--from-control-points"}).code, 0);

    // The clean add-on: only information (the pathmaps are yet to be made).
    const auto clean = cli({"check", addon});
    EXPECT_EQ(clean.code, 0) << clean.output;
    for (const std::string& line : splitLines(clean.output)) EXPECT_EQ(line.rfind("information ", 0), 0u) << line;

    const auto broken = [&](const char* name, const std::function<void(const std::string&)>& change) {
        const std::string copy = tmp.dir() + name + "/";
        // The folders without their trailing separator: Windows copies nothing from one.
        fs::copy(fs::path(addon).parent_path(), fs::path(copy).parent_path(), fs::copy_options::recursive);
        change(copy);
        return copy;
    };
    const std::string duplicate = broken("Duplicate", [](const std::string& a) {
        std::string text = readBytes(a + "AI/StrategicAreas.con");
        for (size_t at; (at = text.find("CP_Hill")) != std::string::npos;) text.replace(at, 7, "CP_Bridge");
        writeBytes(a + "AI/StrategicAreas.con", text);
    });
    const std::string missing = broken("Missing", [](const std::string& a) { fs::remove(resolvePath(a + "ai.con")); });
    const std::string oneWay = broken("OneWay", [](const std::string& a) {
        Lines lines = readLines(a + "AI/StrategicAreas.con");
        lines.erase(lines.begin() + 42);  // CP_Bridge's "AIStrategicArea.addNeighbour CP_Village"
        writeLines(a + "AI/StrategicAreas.con", lines, true);
    });

    const auto dup = cli({"check", duplicate});
    EXPECT_EQ(dup.code, 1);
    EXPECT_NE(dup.output.find("error area-name-duplicate AI/StrategicAreas.con:10 A second area is named \"CP_Bridge\""),
              std::string::npos)
        << dup.output;
    const auto gone = cli({"check", missing});
    EXPECT_EQ(gone.code, 1);
    EXPECT_EQ(gone.output.rfind("error script-missing AI.con The add-on has no AI.con", 0), 0u) << gone.output;

    // A warning alone ends with 0; the JSON reads back whole.
    const auto json = cli({"check", oneWay, "--json"}, outputOnly);
    EXPECT_EQ(json.code, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json.output), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.output;
    ASSERT_TRUE(doc.isArray());
    const QJsonArray array = doc.array();
    ASSERT_GE(array.size(), 1);
    const QJsonObject first = array.at(0).toObject();
    EXPECT_EQ(first.value("severity").toString().toStdString(), "warning");
    EXPECT_EQ(first.value("code").toString().toStdString(), "neighbour-one-way");
    EXPECT_EQ(first.value("file").toString().toStdString(), "AI/StrategicAreas.con");
    EXPECT_EQ(first.value("line").toInt(), 34);
    EXPECT_EQ(first.value("area").toString().toStdString(), "CP_Village");
    EXPECT_TRUE(first.value("message").toString().startsWith("\"CP_Village\" names \"CP_Bridge\""));
    for (int i = 1; i < array.size(); ++i) EXPECT_EQ(array.at(i).toObject().value("severity").toString().toStdString(), "information");

    // A blank in an area's name (its create line only): the cause first, what
    // follows from it right after it, linked to it.
    const std::string blank = broken("Blank", [](const std::string& a) {
        std::string text = readBytes(a + "AI/StrategicAreas.con");
        text.replace(text.find("create CP_Village "), 18, "create CP Village ");
        writeBytes(a + "AI/StrategicAreas.con", text);
    });
    const auto lines = splitLines(cli({"check", blank}).output);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("error area-name-bad AI/StrategicAreas.con:", 0), 0u) << lines[0];
    const std::string cause = lines[0].substr(20, lines[0].find(' ', 20) - 20);
    EXPECT_NE(lines[1].find("(follows from area-name-bad at " + cause + ")"), std::string::npos) << lines[1];
    const auto blankJson = cli({"check", blank, "--json"}, outputOnly);
    const QJsonArray listed = QJsonDocument::fromJson(QByteArray::fromStdString(blankJson.output)).array();
    ASSERT_GE(listed.size(), 3);
    EXPECT_FALSE(listed.at(0).toObject().contains("cause"));
    EXPECT_EQ(listed.at(0).toObject().value("code").toString().toStdString(), "area-name-bad");
    EXPECT_EQ(listed.at(1).toObject().value("cause").toInt(-1), 0);
    for (int i = 0; i < listed.size(); ++i)
        EXPECT_EQ(listed.at(i).toObject().contains("cause"), lines[i].find("(follows from ") != std::string::npos) << i;

    EXPECT_EQ(cli({"check"}).code, 2);
    EXPECT_EQ(cli({"check", addon, "--nonsense"}).code, 2);
    EXPECT_EQ(cli({"check", tmp.dir() + "Nowhere"}).code, 1);
}

} // namespace
} // namespace tw
