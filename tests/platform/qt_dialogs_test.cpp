// The file dialogs open where the user's files are: the folder of the last
// choice made in the same dialog, else the request's first folder (the
// samples for a map), else the user's home.
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/process.h"
#include "platform/qt_services.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

// Puts HOME back after a test that moves it.
struct KeepHome {
    QByteArray saved = qgetenv("HOME");
    ~KeepHome() { qputenv("HOME", saved); }
};

// Shows the request's dialog, notes the folder it opened in, then chooses
// `answer` in it, or cancels when `answer` is empty.
std::string openedIn(QtDialogs& dialogs, const FileDialogRequest& request, const std::string& answer) {
    std::string folder = "(no dialog)";
    std::function<void()> respond = [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, respond);
            return;
        }
        folder = dialog->directory().absolutePath().toStdString();
        if (answer.empty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(QString::fromStdString(answer));
        static_cast<QDialog*>(dialog)->accept();  // the file dialog checks the choice as on OK
    };
    QTimer::singleShot(0, respond);
    const auto chosen = dialogs.choose(request);
    EXPECT_EQ(chosen.value_or(""), QDir::toNativeSeparators(QString::fromStdString(answer)).toStdString())
        << request.name;
    return folder;
}

TEST(FileDialogs, OpenWhereTheUsersFilesAre) {
    TempFolder tmp;
    KeepHome keep;
    const std::string root = tmp.path().string();
    qputenv("HOME", QByteArray::fromStdString(root + "/home"));
    for (const char* file : {"home/.profile", "Tarnwick/samples/DemoMap.rfa", "Maps/MyMap.rfa",
                             "Games/BF1942/BF1942.exe", "Archives/old.rfa"})
        tmp.write(file, "x");
    const std::string samples = root + "/Tarnwick/samples";
    const FileDialogRequest archive{FileDialogRequest::Kind::Open, "o2", "Archives|*.rfa", {}, samples};
    const FileDialogRequest initCon{FileDialogRequest::Kind::Open, "o1", "Main Init.con (init.con)|init.con", {},
                                    samples};
    const FileDialogRequest game{FileDialogRequest::Kind::Open, "OpenDialog2", "BF1942.exe |BF1942.exe", {}, {}};
    const FileDialogRequest save{FileDialogRequest::Kind::Save, "rfapacks", "Archives|*.rfa", "MyMap_001", {}};
    const FileDialogRequest noSamples{FileDialogRequest::Kind::Open, "fixen1dlg", "Archives|*.rfa", {},
                                      root + "/Tarnwick/none"};
    struct Step {
        const FileDialogRequest& request;
        std::string answer;  // relative to the temporary folder; empty: cancel
        std::string expected;
    };
    const Step steps[] = {
        {archive, "", "/Tarnwick/samples"},  // a map choice starts at the samples
        {game, "", "/home"},                 // anything else at home
        {archive, "Maps/MyMap.rfa", "/Tarnwick/samples"},
        {archive, "", "/Maps"},              // then where the last choice was made
        {initCon, "", "/Tarnwick/samples"},  // each dialog remembers its own
        {game, "Games/BF1942/BF1942.exe", "/home"},
        {game, "", "/Games/BF1942"},
        {save, "Archives/MyMap_001.rfa", "/home"},
        {save, "", "/Archives"},
        {noSamples, "", "/home"},            // without the samples: home
    };
    // Home is HOME on Linux; Windows takes the user's profile whatever HOME says.
    const std::string home = QDir::homePath().toStdString();
    // The dialog names its folder with '/', Windows' own paths have '\\'.
    const auto generic = [](const std::string& p) { return fs::path(p).generic_string(); };
    QtDialogs dialogs;
    for (const Step& s : steps) {
        const std::string answer = s.answer.empty() ? "" : root + "/" + s.answer;
        const std::string expected = std::string(s.expected) == "/home" ? home : root + s.expected;
        EXPECT_EQ(generic(openedIn(dialogs, s.request, answer)), generic(expected))
            << s.request.name << " " << s.answer;
    }
    // A remembered folder that is gone gives way to the first folder.
    fs::remove_all(tmp.path() / "Maps");
    EXPECT_EQ(generic(openedIn(dialogs, archive, "")), generic(samples));
}

// Every dialog of the wizard says where it opens first: the samples for the
// map choices, the user's home (no first folder) for the rest.
TEST(FileDialogs, MapChoicesStartAtTheSamplesTheRestAtHome) {
    TempFolder tmp;
    test::InFolder in(tmp.path());
    test::ScriptedServices scripted("C:\\Tools\\Wizard\\");
    TForm1 form(scripted.services);
    form.t1->Image12Click();  // archive mode
    form.t1->unpack->setChecked(true);
    form.t1->Image12Click();
    form.t3->Label10zClick();
    form.t4->Image9Click();
    form.state.MapName = "MyMap";  // the first packing asks only once a map is known
    form.t4->Label42Click();
    form.t4->Image13Click();
    form.t4->Image14Click();
    form.t4->Button9Click();
    std::vector<std::pair<std::string, std::string>> asked;
    for (const FileDialogRequest& r : scripted.dialogs.requests) asked.emplace_back(r.name, r.firstFolder);
    const std::string samples = "C:\\Tools\\Wizard\\samples";
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, std::string>>{
                         {"o2", samples}, {"o1", samples}, {"OpenPictureDialog1", ""}, {"OpenDialog2", platform::usualGameFolder()},
                         {"rfapacks", ""}, {"fixen1dlg", samples}, {"fixen2dlg", ""}, {"fixenpath", ""}}));
}

} // namespace
} // namespace tw

namespace tw {
namespace {

// A question's box: Enter gives its default answer (the first unless one
// is named), Escape the last.
TEST(QuestionBox, EnterGivesTheDefaultEscapeTheLast) {
    struct Case {
        std::optional<size_t> defaultAnswer;
        Qt::Key key;
        int given;
    };
    const Case cases[] = {{std::nullopt, Qt::Key_Return, 0}, {1, Qt::Key_Return, 1}, {0, Qt::Key_Return, 0},
                          {0, Qt::Key_Escape, 1}};
    for (const Case& c : cases) {
        QtMessages messages;
        std::string defaultText;
        std::function<void()> respond = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                QTimer::singleShot(10, respond);
                return;
            }
            defaultText = box->defaultButton() ? box->defaultButton()->text().toStdString() : "";
            QTest::keyClick(box, c.key);
        };
        QTimer::singleShot(0, respond);
        const std::vector<std::string> answers = {"Pack anyway", "Cancel"};
        const int given = c.defaultAnswer ? messages.askWithDefault("Pack?", answers, *c.defaultAnswer)
                                          : messages.ask("Pack?", answers);
        EXPECT_EQ(given, c.given) << c.key;
        EXPECT_EQ(defaultText, answers[c.defaultAnswer.value_or(0)]);
    }
}

} // namespace
} // namespace tw
