// Console windows of real batch runs: wait for them to end, then close them.
#pragma once

#include "tools/console_window.h"

#include <QApplication>
#include <QTest>

namespace tw::test {

// Returns whether every batch ended with "finished".
inline bool closeConsoles(int timeoutMs = 30000) {
    bool allFinished = true;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* console = qobject_cast<ConsoleWindow*>(w)) {
            (void)QTest::qWaitFor([&] { return !console->isRunning(); }, timeoutMs);  // judged by the last line
            allFinished = allFinished && console->output()->toPlainText().endsWith(QStringLiteral("finished"));
            console->close();
        }
    QApplication::processEvents();
    return allFinished;
}

} // namespace tw::test
