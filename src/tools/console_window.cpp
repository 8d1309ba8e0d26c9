#include "tools/console_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tw {

ConsoleWindow::ConsoleWindow(const QString& title, const QString& program, const QStringList& arguments,
                             const QString& folder, std::function<void(bool)> onFinished, QWidget* parent)
    : QWidget(parent, Qt::Window), onFinished_(std::move(onFinished)) {
    setObjectName(QStringLiteral("ConsoleWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    resize(640, 320);
    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("output"));
    output_->setReadOnly(true);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    output_->setStyleSheet(QStringLiteral("QPlainTextEdit { background-color: black; color: #c0c0c0; }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(output_);

    process_ = new QProcess(this);
    process_->setWorkingDirectory(folder);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    connect(process_, &QProcess::readyRead, this, [this] { append(process_->readAll()); });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        append(process_->readAll());
        if (status != QProcess::NormalExit) end(false, QStringLiteral("failed: the runner stopped unexpectedly"));
        else if (code != 0) end(false, QStringLiteral("failed: some lines did not succeed (exit code %1)").arg(code));
        else end(true, QStringLiteral("finished"));
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(false, QStringLiteral("failed: %1 could not be started (%2)")
                           .arg(process_->program(), process_->errorString()));
    });
    process_->start(program, arguments);
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    if (isRunning()) {
        process_->kill();
        process_->waitForFinished(2000);
        end(false, QStringLiteral("failed: the window was closed before the batch had finished"));
    }
    QWidget::closeEvent(event);
}

void ConsoleWindow::append(const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    output_->moveCursor(QTextCursor::End);
    output_->insertPlainText(QString::fromLocal8Bit(bytes));
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void ConsoleWindow::end(bool ok, const QString& outcome) {
    if (ended_) return;
    ended_ = true;
    output_->appendPlainText(QStringLiteral("\n") + outcome);
    if (onFinished_) onFinished_(ok);
}

} // namespace tw
