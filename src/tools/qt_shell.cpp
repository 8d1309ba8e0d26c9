#include "tools/qt_shell.h"

#include "platform/files.h"
#include "platform/process.h"
#include "tools/console_window.h"
#include "tools/run_footprint.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <filesystem>

namespace tw {
namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

std::string QtShell::journalFolder() const { return programDir_ + "temp" + trailingSeparator(programDir_); }

void QtShell::runBatch(const std::string& batchName, const std::string& folder,
                       std::function<void(bool)> onFinished) {
    startBatch(batchName, folder, std::move(onFinished));
}

std::function<void()> QtShell::startBatch(const std::string& batchName, const std::string& folder,
                                          std::function<void(bool)> onFinished) {
    const QString workFolder = q(resolvePath(folder).string());
    // What the run would make, noted before it starts, so that stopping it
    // (or the next start after a killed run) can take it away again.
    tools::RunFootprint footprint;
    try {
        footprint = tools::takeFootprint(folder + batchName, folder);
        tools::keepReplacedFiles(footprint);
    } catch (const std::exception&) {
        // A batch file that cannot be read fails in its console.
    }
    static unsigned serial = 0;
    const std::string journal = journalFolder() + "run-" + std::to_string(QCoreApplication::applicationPid()) + "-" +
                                std::to_string(++serial) + ".journal";
    bool journalled = false;
    try {
        writeBytes(journal, tools::journalText(footprint));
        journalled = true;
    } catch (const std::exception&) {
        // Without a temp folder the run goes on without a journal.
    }
    auto finished = [journal, journalled, onFinished = std::move(onFinished)](bool ok) {
        if (journalled) deleteFile(journal);
        if (onFinished) onFinished(ok);
    };
    // Never the command interpreter: the program's own runner carries out
    // the batch file, in the batch file's folder, and checks every line.
    auto* console = new ConsoleWindow(q(batchName), q(programDir_ + platform::executableName("tarnwick-batch")),
                                      {q(batchName)}, workFolder, std::move(finished), nullptr, &messages_,
                                      std::move(footprint));
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
