#include "platform/qt_services.h"
#include "tools/qt_shell.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"
#include "tools/console_window.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace tw {
namespace {

using test::TempFolder;

ConsoleWindow* newestConsole() {
    ConsoleWindow* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* c = qobject_cast<ConsoleWindow*>(w); c && c->isVisible()) found = c;
    return found;
}

struct BatchCase {
    std::string script;
    std::string programDir;  // where the runner is looked for
    bool ok;
    QString lastLine;
};

TEST(ConsoleWindow, ShowsTheRunLiveAndEndsWithItsOutcome) {
    TempFolder program;
    const std::string runner = test::makeProgramFolder(program.path());
    const BatchCase cases[] = {
        {"copy \"a.txt\" \"b.txt\"\r\n", runner, true, QStringLiteral("finished")},
        {"copy \"none.txt\" \"b.txt\"\r\n", runner, false,
         QStringLiteral("failed: some lines did not succeed (exit code 1)")},
        {"copy \"a.txt\" \"b.txt\"\r\n", "/nonexistent/", false, QString()},
    };
    for (const BatchCase& c : cases) {
        TempFolder tmp;
        tmp.write("a.txt", "a");
        tmp.write("work.bat", c.script);
        test::RecordingMessages messages;
        QtShell shell(c.programDir, messages);
        std::optional<bool> outcome;
        shell.runBatch("work.bat", tmp.dir(), [&](bool ok) { outcome = ok; });
        ConsoleWindow* console = newestConsole();
        ASSERT_NE(console, nullptr);
        EXPECT_EQ(console->windowTitle(), QStringLiteral("work.bat"));
        EXPECT_FALSE(console->isModal());
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 10000));
        EXPECT_EQ(*outcome, c.ok);
        const QStringList lines = console->output()->toPlainText().split(QLatin1Char('\n'));
        if (c.lastLine.isEmpty()) EXPECT_TRUE(lines.last().startsWith(QStringLiteral("failed: "))) << lines.last().toStdString();
        else EXPECT_EQ(lines.last(), c.lastLine);
        if (c.ok) {
            EXPECT_TRUE(console->output()->toPlainText().contains(QStringLiteral(">copy \"a.txt\" \"b.txt\"")));
            EXPECT_EQ(tmp.read("b.txt"), "a");
        }
        EXPECT_TRUE(console->isVisible());  // it stays until the user closes it
        console->close();
        QApplication::processEvents();
    }
}

} // namespace
} // namespace tw

namespace tw {
namespace {

TEST(FileDialogFilter, DescriptionsWithLetterCaseBlindPatterns) {
    EXPECT_EQ(qtFilter("BF1942.exe |BF1942.exe").toStdString(), "BF1942.exe  ([Bb][Ff]1942.[Ee][Xx][Ee])");
    EXPECT_EQ(qtFilter("Main Init.con (init.con)|init.con").toStdString(),
              "Main Init.con (init.con) ([Ii][Nn][Ii][Tt].[Cc][Oo][Nn])");
    EXPECT_EQ(qtFilter("A (*.jpg;*.png)|*.jpg;*.png|B|*.bmp").toStdString(),
              "A (*.jpg;*.png) (*.[Jj][Pp][Gg] *.[Pp][Nn][Gg]);;B (*.[Bb][Mm][Pp])");
}

} // namespace
} // namespace tw
