#include "tools/console_window.h"

#include "platform/qt_process.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace tw {
namespace {
// The button that keeps a console open counts down to its closing.
QString keepOpenText(int seconds) { return QStringLiteral("Keep open (%1 s)").arg(seconds); }

QString q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::vector<std::string> texts(const QStringList& list) {
    std::vector<std::string> all;
    for (const QString& s : list) all.push_back(s.toStdString());
    return all;
}
} // namespace

ConsoleWindow::ConsoleWindow(const QString& title, const QString& program, const QStringList& arguments,
                             const QString& folder, std::function<void(bool)> onFinished, QWidget* parent,
                             Messages* messages)
    : ConsoleWindow(title,
                    std::make_unique<tools::BatchJob>(program.toStdString(), texts(arguments), folder.toStdString()),
                    [onFinished = std::move(onFinished)](const tools::BatchOutcome& outcome) {
                        if (onFinished) onFinished(outcome.succeeded());
                    },
                    messages, parent) {}

ConsoleWindow::ConsoleWindow(const QString& title, std::unique_ptr<tools::BatchJob> job,
                             std::function<void(const tools::BatchOutcome&)> onEnded, Messages* messages,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), onEnded_(std::move(onEnded)), messages_(messages), job_(std::move(job)) {
    setObjectName(QStringLiteral("ConsoleWindow"));
    all().insert(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    resize(640, 320);
    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("output"));
    output_->setReadOnly(true);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    output_->setStyleSheet(QStringLiteral("QPlainTextEdit { background-color: black; color: #c0c0c0; }"));
    progressText_ = new QLabel(this);
    progressText_->setObjectName(QStringLiteral("progressText"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(160);
    progress_->setMinimumWidth(40);
    progress_->hide();
    // A narrow console keeps its buttons: the text gives way.
    progressText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // ... onto more lines rather than cut off by the bar and the button.
    progressText_->setWordWrap(true);
    keepOpenButton_ = new QPushButton(QStringLiteral("Keep open"), this);
    keepOpenButton_->setObjectName(QStringLiteral("keepOpenButton"));
    keepOpenButton_->hide();

    countdown_ = new QTimer(this);
    countdown_->setInterval(1000);
    connect(countdown_, &QTimer::timeout, this, [this] {
        if (--secondsLeft_ <= 0) {
            countdown_->stop();
            close();
        } else {
            keepOpenButton_->setText(keepOpenText(secondsLeft_));
        }
    });
    connect(keepOpenButton_, &QPushButton::clicked, this, [this] {
        countdown_->stop();
        keepOpenButton_->hide();
    });
    closeButton_ = new QPushButton(QStringLiteral("Close"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    closeButton_->setDefault(true);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(6, 4, 6, 6);
    bottom->addWidget(progressText_, 1);
    bottom->addWidget(progress_);
    bottom->addWidget(closeButton_);
    // "Keep open" and its countdown stand in a row of their own, so a
    // narrow console has room for them.
    auto* keepRow = new QHBoxLayout;
    keepRow->setContentsMargins(6, 4, 6, 0);
    keepRow->addStretch(1);
    keepRow->addWidget(keepOpenButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(output_, 1);
    layout->addLayout(keepRow);
    layout->addLayout(bottom);
    placeBesideMainWindow();

    // What the runner prints: its lines kept, its progress shown in place.
    job_->output().onLine = [this](const std::string& line) { showLine(line); };
    job_->output().onProgress = [this](const tools::ProgressReport& report, bool) { showProgress(report); };

    process_ = new QProcess(this);
    process_->setWorkingDirectory(q(job_->workFolder()));
    process_->setProcessChannelMode(QProcess::MergedChannels);
    // The archive tools report their progress when asked to.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString variable = QString::fromLatin1(tools::BatchJob::progressVariable());
    environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    process_->setProcessEnvironment(environment);
    // A batch does not outlive a wizard that is killed: its journal lets the
    // next start clean up after it, which must not race a run still going.
    platform::endWithThisProgram(*process_);
    connect(process_, &QProcess::readyRead, this, [this] { append(process_->readAll()); });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        append(process_->readAll());
        if (stopping_) return;  // stop() ends the run itself, after its clean-up
        // A runner that died mid-line (killed, crashed) leaves its half work
        // behind: taken away as when the user stops it.
        end(status != QProcess::NormalExit ? job_->died() : job_->exited(code));
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) end(job_->notStarted(process_->errorString().toStdString()));
    });
    QStringList arguments;
    for (const std::string& a : job_->arguments()) arguments << q(a);
    process_->start(q(job_->program()), arguments);
}

std::string ConsoleWindow::closeQuestion(const std::string& what) {
    return what + " is still running.\n\nWait: it goes on, and the window closes by itself when it has finished.\n"
                  "Stop now: it is stopped, and what it had half made is removed; nothing you had before is "
                  "touched.";
}

void ConsoleWindow::stop() {
    if (!isRunning()) return;
    stopping_ = true;
    process_->kill();
    process_->waitForFinished(5000);
    end(job_->stopped());
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    if (isRunning()) {
        const int answer = messages_ ? messages_->ask(closeQuestion("The batch " + windowTitle().toStdString()),
                                                      {"Wait", "Stop now", "Cancel"})
                                     : 1;
        // The batch may have ended while the question was open.
        if (answer == 2 || (answer == 0 && isRunning())) {
            closeWhenEnded_ = answer == 0;  // "Cancel" takes back an earlier "Wait"
            event->ignore();
            return;
        }
        if (answer == 1) {
            if (!isRunning()) {
                // It ended while the question was open: nothing to stop, and
                // its last line tells how it ended.
                if (messages_)
                    messages_->info("The batch " + windowTitle().toStdString() + " had already ended (" +
                                    progressText_->text().toStdString() +
                                    ") when \"Stop now\" was chosen: there was nothing left to stop.");
                event->ignore();
                return;
            }
            stop();
        }
    }
    QWidget::closeEvent(event);
}

void ConsoleWindow::append(const QByteArray& bytes) {
    job_->output().take(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (lines_.isEmpty()) return;
    output_->moveCursor(QTextCursor::End);
    output_->insertPlainText(lines_);
    lines_.clear();
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void ConsoleWindow::showLine(const std::string& line) {
    lines_ += QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size())) + QLatin1Char('\n');
}

void ConsoleWindow::showProgress(const tools::ProgressReport& report) {
    progressText_->setText(QString::fromLocal8Bit(report.text.data(), static_cast<qsizetype>(report.text.size())));
    if (report.percent < 0) return;
    progress_->setValue(report.percent);
    progress_->show();
}

// Every console window of the program, for their places.
std::set<const ConsoleWindow*>& ConsoleWindow::all() {
    static std::set<const ConsoleWindow*> consoles;
    return consoles;
}

ConsoleWindow::~ConsoleWindow() {
    all().erase(this);
    // A run still going when its window goes is killed with its process;
    // its journal lets the next start clean up after it.
    process_->disconnect(this);
}

void ConsoleWindow::end(const tools::BatchOutcome& result) {
    if (ended_) return;
    ended_ = true;
    append({});  // the last lines, which the run's end let out
    const bool ok = result.succeeded();
    const QString outcome = q(result.line());
    output_->appendPlainText(QStringLiteral("\n") + outcome);
    if (ok && progress_->isVisible()) progress_->setValue(100);
    progressText_->setText(outcome);
    if (onEnded_) onEnded_(result);
    // "Wait" closes the window at a good end; a failure stays readable.
    if (closeWhenEnded_ && ok) {
        close();
        return;
    }
    // Consoles of good runs do not pile up: this one closes itself soon,
    // unless the user keeps it.
    if (ok) {
        secondsLeft_ = std::max(1, closeAfterSeconds);
        keepOpenButton_->setText(keepOpenText(secondsLeft_));
        keepOpenButton_->show();
        countdown_->start();
    }
}

QRect consoleFrame(const QRect& room, const std::optional<QRect>& mainFrame, QSize want, QSize minimum,
                   const std::vector<QPoint>& taken) {
    // Within `within`, from `corner` on: the first place along the diagonal
    // (steps of 28 pixels, down and right, or up and left) that no open
    // console takes.
    const auto place = [&](const QRect& within, QSize size, QPoint corner, int direction) {
        size = size.boundedTo(within.size());
        const auto at = [&](int step) {
            const int by = direction * 28 * step;
            return QPoint(std::clamp(corner.x() + by, within.left(), within.right() + 1 - size.width()),
                          std::clamp(corner.y() + by, within.top(), within.bottom() + 1 - size.height()));
        };
        for (int step = 0; step < 64; ++step)
            if (std::find(taken.begin(), taken.end(), at(step)) == taken.end()) return QRect(at(step), size);
        return QRect(at(0), size);  // every place taken: the first
    };
    const auto corner = [&] {
        return place(room, want, QPoint(room.right() + 1 - want.width(), room.bottom() + 1 - want.height()), -1);
    };
    if (!mainFrame) return corner();
    const QRect& m = *mainFrame;
    const int gap = 8;
    const QRect sides[] = {
        QRect(QPoint(m.right() + 1 + gap, room.top()), room.bottomRight()),
        QRect(room.topLeft(), QPoint(m.left() - 1 - gap, room.bottom())),
        QRect(QPoint(room.left(), m.bottom() + 1 + gap), room.bottomRight()),
    };
    const QRect* best = nullptr;
    for (const QRect& side : sides) {
        if (side.width() >= want.width() && side.height() >= want.height()) {
            best = &side;
            break;
        }
        if (side.width() >= minimum.width() && side.height() >= minimum.height() &&
            (!best || side.width() * side.height() > best->width() * best->height()))
            best = &side;
    }
    if (!best) return corner();
    const QSize size = want.boundedTo(best->size());
    // Level with the main window's top, or its left edge below it, where the side allows.
    if (best == &sides[2]) return place(*best, size, QPoint(m.left(), best->top()), 1);
    const int left = best == &sides[1] ? best->right() + 1 - size.width() : best->left();
    return place(*best, size, QPoint(left, m.top()), 1);
}

void placeBeside(QWidget& window, const QWidget& main, QSize want, QSize minimum) {
    const QScreen* screen = main.screen();
    if (!screen) return;
    const QSize border = main.frameGeometry().size() - main.size();
    const QRect frame =
        consoleFrame(screen->availableGeometry(), main.frameGeometry(), want + border, minimum + border, {});
    window.resize(frame.size() - border);
    window.move(frame.topLeft());
}

// Beside the main window, not over it, and wholly inside the screen's room,
// frame included.
void ConsoleWindow::placeBesideMainWindow() {
    QWidget* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("Form1") && w->isVisible()) main = w;
    const QScreen* screen = main ? main->screen() : QApplication::primaryScreen();
    if (!screen) return;
    std::vector<QPoint> taken;
    for (const ConsoleWindow* c : all())
        if (c != this && c->isVisible()) taken.push_back(c->frameGeometry().topLeft());
    // This window's border is not known before it is shown: the main
    // window's tells it.
    const QSize border = main ? main->frameGeometry().size() - main->size() : QSize(0, 0);
    // The least it can be, its countdown row and progress bar shown.
    keepOpenButton_->setText(keepOpenText(88));
    keepOpenButton_->setVisible(true);
    progress_->setVisible(true);
    const QSize least = minimumSizeHint().expandedTo(QSize(160, 120)) + border;
    keepOpenButton_->setVisible(false);
    progress_->setVisible(false);
    const QRect frame = consoleFrame(screen->availableGeometry(),
                                     main ? std::optional<QRect>(main->frameGeometry()) : std::nullopt,
                                     size() + border, least, taken);
    resize(frame.size() - border);
    move(frame.topLeft());
}

} // namespace tw
