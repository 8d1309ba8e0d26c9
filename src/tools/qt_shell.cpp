#include "tools/qt_shell.h"

#include "platform/files.h"
#include "tools/batch_service.h"
#include "tools/console_window.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <filesystem>

namespace tw {
namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

std::string QtShell::journalFolder() const { return tools::journalFolder(programDir_); }

void QtShell::runBatch(const std::string& batchName, const std::string& folder,
                       std::function<void(bool)> onFinished) {
    startBatch(batchName, folder, std::move(onFinished));
}

std::function<void()> QtShell::startBatch(const std::string& batchName, const std::string& folder,
                                          std::function<void(bool)> onFinished) {
    return startBatchRun(batchName, folder, [onFinished = std::move(onFinished)](BatchEnd end) {
        if (onFinished) onFinished(end == BatchEnd::Succeeded);
    });
}

std::function<void()> QtShell::startBatchRun(const std::string& batchName, const std::string& folder,
                                             std::function<void(BatchEnd)> onEnded) {
    static unsigned serial = 0;
    auto job = std::make_unique<tools::BatchJob>(programDir_, folder, batchName, std::to_string(++serial));
    // Never the command interpreter: the program's own runner carries out
    // the batch file, in the batch file's folder, and checks every line.
    auto* console = new ConsoleWindow(q(batchName), std::move(job),
                                      [onEnded = std::move(onEnded)](const tools::BatchOutcome& outcome) {
                                          if (!onEnded) return;
                                          onEnded(outcome.succeeded() ? BatchEnd::Succeeded
                                                  : outcome.stopped() ? BatchEnd::Stopped
                                                                      : BatchEnd::Failed);
                                      },
                                      &messages_);
    std::erase_if(consoles_, [](const QPointer<ConsoleWindow>& c) { return c.isNull(); });
    consoles_.push_back(console);
    console->show();
    return [console = QPointer<ConsoleWindow>(console)] {
        if (console) console->stop();
    };
}

bool QtShell::batchesRunning() const {
    for (const auto& c : consoles_)
        if (c && c->isRunning()) return true;
    return false;
}

void QtShell::stopBatches() {
    for (const auto& c : std::vector<QPointer<ConsoleWindow>>(consoles_))
        if (c) c->stop();
}

void QtShell::openDocument(const std::string& fileName, const std::string& folder) {
    // Where no program is set up for the file nothing is said: the page
    // that asks names the file and offers the wizard's own editor.
    QDesktopServices::openUrl(QUrl::fromLocalFile(q(resolvePath(folder + fileName).string())));
}

void QtShell::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(q(url)));
}

} // namespace tw
