#include "platform/qt_services.h"

#include "platform/files.h"
#include "tools/console_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace tw {
namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString applicationTitle() { return QCoreApplication::applicationName(); }

} // namespace

QString qtFilter(const std::string& filter) {
    const QStringList parts = q(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Each letter of a pattern matches both cases, as file names do on
        // Windows: "BF1942.exe" also finds a game's "bf1942.exe" in a Wine
        // prefix, "*.rfa" finds "MAP.RFA".
        QString patterns;
        for (const QChar c : parts[i + 1]) {
            if (c == QLatin1Char(';')) patterns += QLatin1Char(' ');
            else if (c.isLetter() && c.toLower() != c.toUpper())
                patterns += QLatin1Char('[') + c.toUpper() + c.toLower() + QLatin1Char(']');
            else patterns += c;
        }
        entries << parts[i] + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return entries.join(QStringLiteral(";;"));
}

std::optional<std::string> QtDialogs::choose(const FileDialogRequest& request) {
    QFileDialog dialog(owner_);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);  // the patterns spell out both letter cases
    dialog.setNameFilter(qtFilter(request.filter));
    if (request.kind == FileDialogRequest::Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!request.proposedName.empty()) dialog.selectFile(q(request.proposedName));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void QtMessages::error(const std::string& text) {
    QMessageBox::critical(owner_, applicationTitle(), q(text));
}

void QtMessages::info(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), q(text), QMessageBox::Ok, owner_);
    box.exec();
}

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
