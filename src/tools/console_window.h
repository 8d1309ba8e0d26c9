// A console window for one batch run: shows the runner's output live and a
// last line "finished" or "failed: ...". Non-modal; it stays until the user
// closes it.
#pragma once

#include <QPlainTextEdit>
#include <QProcess>
#include <QWidget>

#include <functional>

namespace tw {

class ConsoleWindow : public QWidget {
    Q_OBJECT
public:
    // Starts `program` with `arguments` in `folder`; `title` names the batch.
    ConsoleWindow(const QString& title, const QString& program, const QStringList& arguments, const QString& folder,
                  std::function<void(bool)> onFinished, QWidget* parent = nullptr);

    QPlainTextEdit* output() const { return output_; }
    bool isRunning() const { return process_->state() != QProcess::NotRunning; }

protected:
    // Closing the window stops a batch that is still running, as closing a
    // console does.
    void closeEvent(QCloseEvent* event) override;

private:
    void append(const QByteArray& bytes);
    void end(bool ok, const QString& outcome);

    QPlainTextEdit* output_;
    QProcess* process_;
    std::function<void(bool)> onFinished_;
    bool ended_ = false;
};

} // namespace tw
