// A console window for one batch run: shows the runner's output live, the
// progress of a long archive step, and a last line "finished" or
// "failed: ...". Non-modal; it opens beside the main window, wholly on the
// screen. A batch that ended well closes its console after a few seconds,
// counted down on a "Keep open" button that keeps it; a failed or stopped one
// stays until the user closes it. Closing it while the batch runs asks first:
// wait for the end (the window then closes by itself) or stop the batch now.
#pragma once

#include "platform/services.h"
#include "tools/batch_service.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace tw {

// Where a console's frame goes: inside `available` (the screen's room),
// beside `mainFrame` (right of it, else left, else below) and off it where a
// side has room for `minimum`, made as large as `want` allows there; never
// exactly over one of `taken` (the frames' top left corners of the consoles
// open), stepping along the diagonal instead. Without a main window, or
// without room beside it, the bottom right corner of the room.
QRect consoleFrame(const QRect& available, const std::optional<QRect>& mainFrame, QSize want, QSize minimum,
                   const std::vector<QPoint>& taken);

// Moves the top-level `window` (not shown yet) beside `main` as consoleFrame
// places a console, as large as `want` where the screen allows and not
// smaller than `minimum`; the main window's border stands for this one's.
void placeBeside(QWidget& window, const QWidget& main, QSize want, QSize minimum);

class ConsoleWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the run `job` and starts it; `title` names the batch. `messages`
    // asks the close question.
    ConsoleWindow(const QString& title, std::unique_ptr<tools::BatchJob> job,
                  std::function<void(const tools::BatchOutcome&)> onEnded, Messages* messages = nullptr,
                  QWidget* parent = nullptr);
    // Starts `program` with `arguments` in `folder`, a run without footprint.
    ConsoleWindow(const QString& title, const QString& program, const QStringList& arguments, const QString& folder,
                  std::function<void(bool)> onFinished, QWidget* parent = nullptr, Messages* messages = nullptr);

    ~ConsoleWindow() override;

    QPlainTextEdit* output() const { return output_; }
    QLabel* progressText() const { return progressText_; }
    QProgressBar* progress() const { return progress_; }
    QPushButton* closeButton() const { return closeButton_; }
    // Shown with the countdown after a good end; a click keeps the window open.
    QPushButton* keepOpenButton() const { return keepOpenButton_; }
    // How long a console that ended well stays, in seconds.
    static inline int closeAfterSeconds = 8;
    bool isRunning() const { return process_->state() != QProcess::NotRunning; }
    qint64 processId() const { return process_->processId(); }

    // Stops the batch now and removes what it had half made; the run ends
    // as failed ("stopped").
    void stop();

    // The question asked when a running batch is to be closed; the answers
    // are "Wait", "Stop now" and "Cancel".
    static std::string closeQuestion(const std::string& what);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void append(const QByteArray& bytes);
    void showLine(const std::string& line);
    void showProgress(const tools::ProgressReport& report);
    void end(const tools::BatchOutcome& outcome);
    void placeBesideMainWindow();
    static std::set<const ConsoleWindow*>& all();

    QPlainTextEdit* output_;
    QLabel* progressText_;
    QProgressBar* progress_;
    QPushButton* closeButton_;
    QPushButton* keepOpenButton_;
    QTimer* countdown_;
    int secondsLeft_ = 0;
    QProcess* process_;
    std::function<void(const tools::BatchOutcome&)> onEnded_;
    Messages* messages_;
    std::unique_ptr<tools::BatchJob> job_;
    QString lines_;  // lines of the output not shown yet
    bool ended_ = false;
    bool stopping_ = false;
    bool closeWhenEnded_ = false;
};

} // namespace tw
