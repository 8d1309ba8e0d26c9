#include "tools/qt_shell.h"

#include "platform/files.h"
#include "tools/console_window.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace tw {
namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

void QtShell::runBatch(const std::string& batchName, const std::string& folder,
                       std::function<void(bool)> onFinished) {
    const QString workFolder = q(resolvePath(folder).string());
#ifdef _WIN32
    auto* console = new ConsoleWindow(q(batchName), QStringLiteral("cmd.exe"), {QStringLiteral("/c"), q(batchName)},
                                      workFolder, std::move(onFinished));
#else
    // Without the Windows command interpreter the program's own runner
    // carries out the batch file, in the batch file's folder.
    auto* console = new ConsoleWindow(q(batchName), q(programDir_ + "tarnwick-batch"), {q(batchName)}, workFolder,
                                      std::move(onFinished));
#endif
    console->show();
}

void QtShell::openDocument(const std::string& fileName, const std::string& folder) {
    const std::string path = resolvePath(folder + fileName).string();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(q(path))))
        messages_.info("No application is set up to open this file. It lies here:\n" + path);
}

void QtShell::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(q(url)));
}

} // namespace tw
