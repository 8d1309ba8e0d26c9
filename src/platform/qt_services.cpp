#include "platform/qt_services.h"

#include "platform/files.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

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

QString QtDialogs::startFolder(const FileDialogRequest& request) const {
    if (const auto last = lastFolders_.find(request.name); last != lastFolders_.end() && QDir(last->second).exists())
        return last->second;
    const QString first = q(request.firstFolder);
    if (!first.isEmpty() && QDir(first).exists()) return QDir(first).absolutePath();
    return QDir::homePath();
}

std::optional<std::string> QtDialogs::choose(const FileDialogRequest& request) {
    QFileDialog dialog(owner_);
    dialog.setDirectory(startFolder(request));
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
    if (!request.preselected.empty()) {
        dialog.setDirectory(q(folderOf(request.preselected)));
        if (!nameOf(request.preselected).empty()) dialog.selectFile(q(nameOf(request.preselected)));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    lastFolders_[request.name] = QFileInfo(chosen).absolutePath();
    // With the system's own separator: the dialog gives '/' on Windows too.
    return QDir::toNativeSeparators(chosen).toStdString();
}

void QtMessages::error(const std::string& text) {
    QMessageBox::critical(owner_, applicationTitle(), q(text));
}

void QtMessages::info(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), q(text), QMessageBox::Ok, owner_);
    box.exec();
}

int QtMessages::ask(const std::string& text, const std::vector<std::string>& answers) {
    return askWithDefault(text, answers, 0);
}

int QtMessages::askWithDefault(const std::string& text, const std::vector<std::string>& answers, size_t defaultAnswer) {
    QMessageBox box(QMessageBox::Question, applicationTitle(), q(text), QMessageBox::NoButton, owner_);
    std::vector<QPushButton*> buttons;
    for (const std::string& answer : answers) buttons.push_back(box.addButton(q(answer), QMessageBox::ActionRole));
    if (buttons.empty()) return -1;
    box.setEscapeButton(buttons.back());
    box.setDefaultButton(buttons[defaultAnswer < buttons.size() ? defaultAnswer : 0]);
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    return static_cast<int>(buttons.size()) - 1;
}

} // namespace tw
