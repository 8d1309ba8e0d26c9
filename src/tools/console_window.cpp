#include "tools/console_window.h"

#include "platform/qt_process.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace tw {
namespace {
// The button that keeps a console open counts down to its closing.
QString keepOpenText(int seconds) { return QStringLiteral("Keep open (%1 s)").arg(seconds); }
} // namespace

ConsoleWindow::ConsoleWindow(const QString& title, const QString& program, const QStringList& arguments,
                             const QString& folder, std::function<void(bool)> onFinished, QWidget* parent,
                             Messages* messages, tools::RunFootprint footprint)
    : QWidget(parent, Qt::Window), onFinished_(std::move(onFinished)), messages_(messages),
      footprint_(std::move(footprint)) {
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

    process_ = new QProcess(this);
    process_->setWorkingDirectory(folder);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    // The archive tools report their progress when asked to.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TARNWICK_PROGRESS"), QStringLiteral("1"));
    process_->setProcessEnvironment(environment);
    // A batch does not outlive a wizard that is killed: its journal lets the
    // next start clean up after it, which must not race a run still going.
    platform::endWithThisProgram(*process_);
    connect(process_, &QProcess::readyRead, this, [this] { append(process_->readAll()); });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        append(process_->readAll());
        if (stopping_) return;  // stop() ends the run itself, after its clean-up
        if (status != QProcess::NormalExit) {
            // A runner that died mid-line (killed, crashed) leaves its half
            // work behind: taken away as when the user stops it.
            tools::undoRun(footprint_, !othersRunning());
            end(false, QStringLiteral("failed: the runner stopped unexpectedly; what it had half made was removed"));
        }
        else {
            tools::dropKeptFiles(footprint_);  // it ended by itself: what it replaced stays replaced
            if (code != 0) end(false, QStringLiteral("failed: some lines did not succeed (exit code %1)").arg(code));
            else end(true, QStringLiteral("finished"));
        }
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            tools::dropKeptFiles(footprint_);
            end(false, QStringLiteral("failed: %1 could not be started (%2)")
                           .arg(process_->program(), process_->errorString()));
        }
    });
    process_->start(program, arguments);
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
    tools::undoRun(footprint_, !othersRunning());
    end(false, QStringLiteral("failed: stopped by the user; what it had half made was removed"));
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
    pending_ += bytes;
    // Lines end with LF or CR LF; a part after a lone CR is a progress report
    // that replaces the one before, as on a console, and is not kept.
    QString lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < pending_.size(); ++i) {
        const char c = pending_[i];
        if (c != '\n' && c != '\r') continue;
        if (c == '\r' && i + 1 == pending_.size() && !ended_) break;  // CR LF or a lone CR: not known yet
        const QByteArray part = pending_.mid(start, i - start);
        const bool crlf = c == '\r' && i + 1 < pending_.size() && pending_[i + 1] == '\n';
        const bool loneCr = c == '\r' && !crlf;
        if (progressPart_) {
            if (!part.isEmpty()) showProgress(QString::fromLocal8Bit(part));
        } else if (!(loneCr && part.isEmpty())) {
            lines += QString::fromLocal8Bit(part) + QLatin1Char('\n');
        }
        if (crlf) ++i;
        progressPart_ = loneCr;
        start = i + 1;
    }
    pending_ = pending_.mid(start);
    if (progressPart_ && !pending_.isEmpty() && !pending_.contains('\r'))
        showProgress(QString::fromLocal8Bit(pending_));  // an unfinished report, shown as it stands
    if (lines.isEmpty()) return;
    output_->moveCursor(QTextCursor::End);
    output_->insertPlainText(lines);
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void ConsoleWindow::showProgress(const QString& text) {
    progressText_->setText(text.trimmed());
    static const QRegularExpression percent(QStringLiteral("(\\d{1,3})%"));
    const auto match = percent.match(text);
    if (!match.hasMatch()) return;
    progress_->setValue(std::min(100, match.captured(1).toInt()));
    progress_->show();
}

// Every console window of the program, for othersRunning.
std::set<const ConsoleWindow*>& ConsoleWindow::all() {
    static std::set<const ConsoleWindow*> consoles;
    return consoles;
}

bool ConsoleWindow::othersRunning() const {
    for (const ConsoleWindow* c : all())
        if (c != this && c->isRunning()) return true;
    return false;
}

ConsoleWindow::~ConsoleWindow() { all().erase(this); }

void ConsoleWindow::end(bool ok, const QString& outcome) {
    if (ended_) return;
    ended_ = true;
    if (!pending_.isEmpty()) append("\n");
    output_->appendPlainText(QStringLiteral("\n") + outcome);
    if (ok && progress_->isVisible()) progress_->setValue(100);
    progressText_->setText(outcome);
    if (onFinished_) onFinished_(ok);
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
