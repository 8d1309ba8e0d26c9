#include "platform/process.h"
#include "platform/qt_services.h"
#include "tools/qt_shell.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"
#include "tools/batch_run.h"
#include "tools/console_window.h"
#include "platform/files.h"
#include "rfa/archive.h"

#include <QPointer>
#include <QScreen>
#include <filesystem>
#include <map>
#include <set>
#include <optional>

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#else
#include <csignal>
#endif

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
        // A program folder of the test's own, with the runner where it is
        // expected.
        std::string programDir = c.programDir;
        if (programDir == runner) {
            std::filesystem::create_directories(tmp.path() / "Program/temp");
            std::filesystem::copy_file(runner + platform::executableName("tarnwick-batch"),
                                       tmp.dir() + "Program/" + platform::executableName("tarnwick-batch"));
            programDir = tmp.dir() + "Program/";
        }
        test::RecordingMessages messages;
        QtShell shell(programDir, messages);
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
        // The outcome beside the button is shown whole, also in a narrow console.
        console->resize(320, console->height());
        QApplication::processEvents();
        const QLabel* said = console->progressText();
        const QRect needed =
            said->fontMetrics().boundingRect(QRect(0, 0, said->width(), 10000), Qt::TextWordWrap, said->text());
        EXPECT_LE(needed.width(), said->contentsRect().width()) << said->text().toStdString();
        EXPECT_LE(needed.height(), said->contentsRect().height()) << said->text().toStdString();
        console->close();
        QApplication::processEvents();
    }
}

TEST(ConsoleWindow, OpensBesideTheMainWindowNotOverIt) {
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    const QRect mains[] = {
        QRect(screen.left(), screen.top(), screen.width() / 4, screen.height() / 4),       // room to the right
        QRect(screen.right() - 150, screen.top(), 150, screen.height() / 3),              // room to the left
        QRect(screen.left(), screen.top(), screen.width(), screen.height() / 3),          // room below only
    };
    for (const QRect& m : mains) {
        QWidget main;
        main.setObjectName(QStringLiteral("Form1"));
        main.setGeometry(m);
        main.show();
        auto* console = new ConsoleWindow(QStringLiteral("work.bat"), QStringLiteral("/nonexistent/runner"), {},
                                          QString(), {});
        const QRect at = console->geometry();
        EXPECT_FALSE(at.intersects(main.frameGeometry())) << at.x() << "," << at.y() << " " << at.width() << "x" << at.height();
        EXPECT_TRUE(screen.contains(at)) << at.x() << "," << at.y() << " " << at.width() << "x" << at.height() << " in " << screen.width() << "x" << screen.height();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !console->isRunning(); }, 5000));
        console->close();
    }
}

// A console never opens exactly over an open one, still beside the main
// window: not after one in the middle was closed, nor after many.
TEST(ConsoleWindow, ConsolesOpenedOneAfterAnotherDoNotCoverEachOther) {
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    QWidget main;
    main.setObjectName(QStringLiteral("Form1"));
    main.setGeometry(screen.left(), screen.top(), screen.width() / 4, screen.height() / 4);
    main.show();
    std::vector<QPointer<ConsoleWindow>> consoles;
    const auto open = [&] {
        auto* console = new ConsoleWindow(QStringLiteral("work.bat"), QStringLiteral("/nonexistent/runner"), {},
                                          QString(), {});
        console->show();
        consoles.emplace_back(console);
        const QRect at = console->geometry();
        EXPECT_FALSE(at.intersects(main.frameGeometry())) << consoles.size();
        EXPECT_TRUE(screen.contains(at)) << consoles.size() << ": " << at.x() << "," << at.y() << " in "
                                         << screen.width() << "x" << screen.height();
    };
    const auto places = [&] {
        std::multiset<std::pair<int, int>> at;
        for (const auto& c : consoles)
            if (c) at.insert({c->x(), c->y()});
        return at;
    };
    const auto allApart = [&] {
        const auto at = places();
        return std::set<std::pair<int, int>>(at.begin(), at.end()).size() == at.size();
    };
    for (int i = 0; i < 3; ++i) open();
    EXPECT_TRUE(allApart());
    consoles[1]->close();  // a gap in the middle
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    open();
    EXPECT_TRUE(allApart());
    while (consoles.size() < 10) open();
    EXPECT_TRUE(allApart());
    for (auto& console : consoles) {
        if (!console) continue;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !console->isRunning(); }, 5000));
        console->close();
    }
}

// Each console's frame lies wholly in the screen's room, beside the main
// window (as placed at 204, 121) and off it, apart from the others; where a
// side has room for a whole console it keeps its size.
TEST(ConsoleWindow, FramesStayOnSmallScreensBesideTheMainWindow) {
    const QSize border(8, 30);
    const QRect mainFrame(QPoint(204, 121), QSize(760, 621) + border);
    const QSize want = QSize(640, 320) + border, least = QSize(160, 120) + border;
    for (const QSize screen : {QSize(1024, 768), QSize(1366, 768), QSize(1920, 1080)})
        for (const int count : {1, 3, 10}) {
            const QRect room(QPoint(0, 0), screen - QSize(0, 30));  // a task bar below
            std::vector<QPoint> taken;
            for (int i = 0; i < count; ++i) {
                const QRect f = consoleFrame(room, mainFrame, want, least, taken);
                const std::string where = std::to_string(screen.width()) + "x" + std::to_string(screen.height()) +
                                          ", console " + std::to_string(i + 1) + " of " + std::to_string(count);
                EXPECT_TRUE(room.contains(f)) << where;
                EXPECT_FALSE(f.intersects(mainFrame)) << where;
                EXPECT_TRUE(f.width() >= least.width() && f.height() >= least.height()) << where;
                if (screen.width() >= 1920) EXPECT_EQ(f.size(), want) << where;
                EXPECT_EQ(std::count(taken.begin(), taken.end(), f.topLeft()), 0) << where;
                taken.push_back(f.topLeft());
            }
        }
}

// A console whose batch ended well closes itself after its countdown unless
// "Keep open" is clicked; a failed one stays open.
TEST(ConsoleWindow, AGoodEndClosesItselfUnlessKeptOpen) {
    TempFolder program;
    const std::string runner = test::makeProgramFolder(program.path());
    ConsoleWindow::closeAfterSeconds = 1;
    const struct {
        const char* what;
        const char* script;
        bool keep;
        bool stays;
    } cases[] = {
        {"finished", "copy \"a.txt\" \"b.txt\"\r\n", false, false},
        {"finished, kept open", "copy \"a.txt\" \"b.txt\"\r\n", true, true},
        {"failed", "copy \"none.txt\" \"b.txt\"\r\n", false, true},
    };
    for (const auto& c : cases) {
        TempFolder tmp;
        tmp.write("a.txt", "a");
        tmp.write("work.bat", c.script);
        test::RecordingMessages messages;
        QtShell shell(runner, messages);
        std::optional<bool> outcome;
        shell.runBatch("work.bat", tmp.dir(), [&](bool ok) { outcome = ok; });
        QPointer<ConsoleWindow> console = newestConsole();
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 10000)) << c.what;
        EXPECT_EQ(console->keepOpenButton()->isVisibleTo(console), *outcome) << c.what;
        if (*outcome) EXPECT_EQ(console->keepOpenButton()->text(), QStringLiteral("Keep open (1 s)")) << c.what;
        if (c.keep) QTest::mouseClick(console->keepOpenButton(), Qt::LeftButton);
        QTest::qWait(1500);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(!console.isNull(), c.stays) << c.what;
        if (console) console->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ConsoleWindow::closeAfterSeconds = 8;
}

// Every file below a folder with its bytes.
std::map<std::string, std::string> contents(const std::filesystem::path& root) {
    std::map<std::string, std::string> all;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        all[std::filesystem::relative(e.path(), root).string()] =
            e.is_regular_file() ? readBytes(e.path().string()) : "<folder>";
    return all;
}

// A program folder whose unpack.bat copies an archive of many files beside
// it, unpacks it and deletes the copy, as the map selection's batch does.
struct LongUnpack {
    LongUnpack() {
        for (int i = 0; i < 2000; ++i)
            tmp.write("src/d" + std::to_string(i % 30) + "/f" + std::to_string(i) + ".con", std::string(200, 'x'));
        tmp.write("src/big.dds", std::string(12 << 20, 'b'));
        rfa::packFolder(tmp.dir() + "src", "bf1942/levels/Big", tmp.dir() + "Big.rfa");
        std::filesystem::remove_all(tmp.path() / "src");
        tmp.write("Program/bf1942/levels/Big/mine.con", "the user's own file");
        std::filesystem::create_directories(tmp.path() / "Program/temp");
        std::filesystem::copy_file(TW_BUILT_BATCH, program + platform::executableName("tarnwick-batch"));
        tmp.write("Program/unpack.bat", "copy \"" + tmp.dir() + "Big.rfa\" \"" + program + "Big.rfa\"\r\n"
                                        "rfaunpack.exe Big.rfa \r\ndel \"" + program + "Big.rfa\"\r\n");
    }
    ConsoleWindow* start(std::optional<bool>& outcome) {
        shell.runBatch("unpack.bat", program, [&](bool ok) { outcome = ok; });
        return newestConsole();
    }
    TempFolder tmp;
    std::string program = tmp.dir() + "Program/";
    test::RecordingMessages messages;
    QtShell shell{program, messages};
};

TEST(ConsoleWindow, ShowsTheProgressOfALongUnpackAndHasACloseButton) {
    LongUnpack u;
    std::optional<bool> outcome;
    ConsoleWindow* console = u.start(outcome);
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(console->closeButton()->text(), QStringLiteral("Close"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 30000));
    EXPECT_TRUE(*outcome);
    EXPECT_TRUE(console->progress()->isVisibleTo(console));
    EXPECT_EQ(console->progress()->value(), 100);
    EXPECT_EQ(console->progressText()->text(), QStringLiteral("finished"));
    const QString text = console->output()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Extracted 2001 files from Big.rfa"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("MB ("))) << text.toStdString();  // progress is not kept as lines
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));
    QPointer<ConsoleWindow> alive(console);
    QTest::mouseClick(console->closeButton(), Qt::LeftButton);  // an ended batch closes without a question
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(u.messages.questions.empty());
}

// Ends a process from outside: on Windows as a crash ends it (an exit code
// that is a failure status).
bool killFromOutside(qint64 pid) {
#ifdef _WIN32
    const HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    const bool ended = process && ::TerminateProcess(process, 0xC0000005);
    if (process) ::CloseHandle(process);
    return ended;
#else
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
#endif
}

// A runner that dies mid-run (killed from outside, crashed) leaves nothing
// half made behind either.
TEST(ConsoleWindow, ARunnerThatDiesMidRunLeavesNothingHalfMade) {
    LongUnpack u;
    const auto before = contents(u.tmp.path());
    std::optional<bool> outcome;
    ConsoleWindow* console = u.start(outcome);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(u.program + "Big.rfa"); }, 10000));
    ASSERT_TRUE(killFromOutside(console->processId()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 10000));
    EXPECT_FALSE(*outcome);
    EXPECT_TRUE(console->output()->toPlainText().endsWith(QStringLiteral("what it had half made was removed")))
        << console->output()->toPlainText().toStdString();
    EXPECT_EQ(contents(u.tmp.path()), before);
    console->close();
}

// "Wait" closes the console only at a good end: a failure stays readable,
// and "Cancel" asked afterwards takes the "Wait" back.
TEST(ConsoleWindow, WaitClosesOnlyAtAGoodEndAndCancelTakesItBack) {
    struct Case {
        const char* what;
        std::vector<int> answers;  // to the close question, asked once per answer
        bool fails;
    };
    for (const Case& c : {Case{"wait, then it fails", {0}, true}, Case{"wait, then cancel", {0, 2}, false}}) {
        LongUnpack u;
        if (c.fails) u.tmp.write("Program/unpack.bat", u.tmp.read("Program/unpack.bat") + "del \"not-there.rfa\"\r\n");
        std::optional<bool> outcome;
        ConsoleWindow* console = u.start(outcome);
        ASSERT_NE(console, nullptr);
        QPointer<ConsoleWindow> alive(console);
        for (const int answer : c.answers) {
            u.messages.answers.push_back(answer);
            QTest::mouseClick(console->closeButton(), Qt::LeftButton);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 30000)) << c.what;
        EXPECT_EQ(*outcome, !c.fails) << c.what;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(alive.isNull()) << c.what;
        EXPECT_TRUE(alive->isVisible()) << c.what;
        alive->close();
    }
}

// The batch ends while the close question is open: "Stop now" then stops
// and removes nothing, says so, and leaves the console to be read.
TEST(ConsoleWindow, StopNowAfterTheBatchHasEndedStopsNothing) {
    LongUnpack u;
    std::optional<bool> outcome;
    ConsoleWindow* console = u.start(outcome);
    ASSERT_NE(console, nullptr);
    QPointer<ConsoleWindow> alive(console);
    u.messages.answers.push_back(1);
    u.messages.whileAsking = [&] { (void)QTest::qWaitFor([&] { return outcome.has_value(); }, 30000); };
    QTest::mouseClick(console->closeButton(), Qt::LeftButton);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(*outcome);
    ASSERT_EQ(u.messages.infos.size(), 1u);
    EXPECT_NE(u.messages.infos[0].find("had already ended (finished)"), std::string::npos) << u.messages.infos[0];
    EXPECT_TRUE(std::filesystem::exists(u.program + "bf1942/levels/Big/big.dds"));  // the unpack's work stays
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(alive.isNull());
    EXPECT_TRUE(alive->isVisible());
    u.messages.whileAsking = nullptr;
    alive->close();
    EXPECT_EQ(u.messages.questions.size(), 1u);  // an ended batch closes without a question
}

TEST(ConsoleWindow, ClosingARunningBatchAsksThenWaitsOrStops) {
    struct Case {
        int answer;  // 0 wait, 1 stop now, 2 cancel
    };
    for (const Case c : {Case{0}, Case{1}, Case{2}}) {
        LongUnpack u;
        const auto before = contents(u.tmp.path());
        std::optional<bool> outcome;
        ConsoleWindow* console = u.start(outcome);
        ASSERT_NE(console, nullptr);
        QPointer<ConsoleWindow> alive(console);
        // Stopped once it has made something: the copy beside the program.
        if (c.answer == 1) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(u.program + "Big.rfa"); }, 10000));
        }
        u.messages.answers.push_back(c.answer);
        QTest::mouseClick(console->closeButton(), Qt::LeftButton);
        ASSERT_EQ(u.messages.questions.size(), 1u) << c.answer;
        EXPECT_NE(u.messages.questions[0].find("The batch unpack.bat is still running"), std::string::npos);
        if (c.answer == 1) {
            ASSERT_TRUE(outcome.has_value());
            EXPECT_FALSE(*outcome);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(alive.isNull());
            // Nothing the stopped run made is left: no copy, no files, no
            // temporary files; the user's own file is as it was.
            EXPECT_EQ(contents(u.tmp.path()), before);
            continue;
        }
        EXPECT_TRUE(console->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 30000));
        EXPECT_TRUE(*outcome);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(alive.isNull(), c.answer == 0) << c.answer;  // "Wait": it closes by itself at the end
        if (alive) alive->close();
        EXPECT_EQ(u.tmp.read("Program/bf1942/levels/Big/mine.con"), "the user's own file");
        EXPECT_FALSE(std::filesystem::exists(u.program + "Big.rfa"));
    }
}

// A run knows how it ended, however it was stopped: through its handle or
// with "Stop now" in its console; a stopped run is no failed one.
TEST(ConsoleWindow, ARunStoppedInItsConsoleEndsAsStopped) {
    using Outcome = tools::BatchRun::Outcome;
    enum class How { ToItsEnd, ByItsHandle, StopNowInItsConsole };
    const struct {
        const char* what;
        bool failingLine;
        How how;
        Outcome outcome;
    } cases[] = {
        {"to its end", false, How::ToItsEnd, Outcome::Succeeded},
        {"a failing line", true, How::ToItsEnd, Outcome::Failed},
        {"stopped by its handle", false, How::ByItsHandle, Outcome::Stopped},
        {"\"Stop now\" in its console", false, How::StopNowInItsConsole, Outcome::Stopped},
    };
    for (const auto& c : cases) {
        LongUnpack u;
        if (c.failingLine) u.tmp.write("Program/unpack.bat", "copy \"none.rfa\" \"Big.rfa\"\r\n");
        const auto run = tools::BatchRun::start(u.shell, u.program, "unpack.bat");
        ConsoleWindow* console = newestConsole();
        ASSERT_NE(console, nullptr) << c.what;
        QPointer<ConsoleWindow> alive(console);
        if (c.how != How::ToItsEnd)
            ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(u.program + "Big.rfa"); }, 10000));
        if (c.how == How::ByItsHandle) run->stop();
        if (c.how == How::StopNowInItsConsole) {
            u.messages.answers.push_back(1);
            QTest::mouseClick(console->closeButton(), Qt::LeftButton);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !run->running(); }, 30000)) << c.what;
        EXPECT_EQ(run->outcome(), c.outcome) << c.what;
        if (alive) alive->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
