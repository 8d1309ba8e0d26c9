// Console windows of real batch runs: wait for them to end, then close them.
#pragma once

#include "tools/console_window.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

#include <vector>

namespace tw::test {

// Returns whether every batch ended with "finished".
inline bool closeConsoles(int timeoutMs = 30000) {
    bool allFinished = true;
    // A console that ended well may close itself meanwhile.
    std::vector<QPointer<ConsoleWindow>> consoles;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* console = qobject_cast<ConsoleWindow*>(w)) consoles.emplace_back(console);
    for (const QPointer<ConsoleWindow>& console : consoles) {
        (void)QTest::qWaitFor([&] { return !console || !console->isRunning(); }, timeoutMs);  // judged by the last line
        if (!console) continue;  // closed itself: it had finished
        allFinished = allFinished && console->output()->toPlainText().endsWith(QStringLiteral("finished"));
        console->close();
    }
    QApplication::processEvents();
    return allFinished;
}

} // namespace tw::test
