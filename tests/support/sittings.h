// Sittings of one conversion of the sample level over a program folder of
// their own, with the real batch runner: the steps a user takes, in order.
#pragma once

#include "app/main_window.h"
#include "areas/areas_page.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "rfa/reader.h"
#include "support/consoles.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"
#include "tools/qt_shell.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <map>

namespace tw::test {

inline std::map<std::string, std::string> archiveEntries(const std::string& archive) {
    std::map<std::string, std::string> files;
    if (!fileExists(archive)) return files;
    rfa::ArchiveReader reader(archive);
    for (const auto& e : reader.entries()) {
        std::string& text = files[e.name];
        reader.read(e, [&](const unsigned char* d, size_t n) { text.append(reinterpret_cast<const char*>(d), n); });
    }
    return files;
}

// The program folder, the game folder with its pathmaps, and the archives'
// folder, always at the same place so that two runs write the same paths.
struct Place {
    TempFolder tmp;
    InFolder in{tmp.path()};  // the add-on run changes the current folder
    std::string program, game, archives;
    Place() { renew(); }
    void renew() {
        namespace fs = std::filesystem;
        for (const char* f : {"Tarnwick", "Game"}) fs::remove_all(tmp.path() / f);
        program = makeProgramFolder(tmp.path() / "Tarnwick");
        game = tmp.dir() + "Game/";
        archives = game + "Mods/bf1942/Archives/bf1942/levels/";  // where the game finds add-ons
        fs::create_directories(archives);
        const std::string pathmaps = game + "bf1942/levels/DemoMap/Pathfinding/";
        fs::create_directories(pathmaps);
        writeBytes(game + "BF1942.exe", "not really the game");
        writeBytes(pathmaps + "Tank0Level1Map.raw", std::string(4096, '\x11'));
        writeBytes(pathmaps + "Tank0Level0Map8Bit.raw", std::string(1024, '\x33'));
    }
    std::string addon() const { return program + "bf1942/levels/DemoMap_001/"; }
    std::string archive() const { return archives + "DemoMap_001.rfa"; }
    // What a conversion leaves: the add-on's files (its record aside, which
    // carries dates), the packed archive's entries and the program's files.
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(addon()))
            if (e.is_regular_file() && e.path().filename() != state::kRecordFileName)
                out["addon/" + std::filesystem::relative(e.path(), addon()).string()] = readBytes(e.path().string());
        for (const auto& [name, bytes] : archiveEntries(archive())) out["archive/" + name] = bytes;
        for (const char* f : {"temp/pathf.bf", "pack.bat", "memory.bf"})
            out[f] = fileExists(program + f) ? readBytes(program + f) : "(none)";
        return out;
    }
};

// Batch files run for real; documents are only noted, so that no test opens
// the user's editor.
class NotingShell : public Shell {
public:
    NotingShell(const std::string& programDir, Messages& messages) : real_(programDir, messages) {}
    void runBatch(const std::string& name, const std::string& folder, std::function<void(bool)> done) override {
        real_.runBatch(name, folder, std::move(done));
    }
    std::function<void()> startBatch(const std::string& name, const std::string& folder,
                                     std::function<void(bool)> done) override {
        return real_.startBatch(name, folder, std::move(done));
    }
    std::function<void()> startBatchRun(const std::string& name, const std::string& folder,
                                        std::function<void(BatchEnd)> ended) override {
        return real_.startBatchRun(name, folder, std::move(ended));
    }
    bool batchesRunning() const override { return real_.batchesRunning(); }
    void stopBatches() override { real_.stopBatches(); }
    void openDocument(const std::string& file, const std::string& folder) override { documents.push_back(folder + file); }
    void openUrl(const std::string& url) override { documents.push_back(url); }
    std::vector<std::string> documents;

private:
    QtShell real_;
};

// One start of the wizard.
struct Sitting {
    explicit Sitting(const Place& place)
        : where(place), shell(place.program, messages), services{place.program, dialogs, messages, shell},
          form(services) {
        form.show();
    }
    ~Sitting() { closeConsoles(); }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void clickBox(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }
    void drag(QPoint from, QPoint to) {
        QWidget* map = form.t3->e;
        QTest::mousePress(map, Qt::LeftButton, {}, from);
        QTest::mouseMove(map, (from + to) / 2);
        QTest::mouseRelease(map, Qt::LeftButton, {}, to);
    }
    void area(QPoint from, QPoint to, const char* name) {
        form.PageControl1->setCurrentWidget(form.t3);
        drag(from, to);
        AreasPage& a = *form.t3;
        a.Edit2z->setText(QString::fromLatin1(name));
        a.Edit3z->setText(QStringLiteral("70"));
        a.Team1->setChecked(true);
        click(a.Label9z);
    }
    void tick(int row) { form.t3->CheckListBox1->item(row)->setCheckState(Qt::Checked); }
    // The first entry of "Continue a conversion", clicked.
    void continueFirst() {
        QListWidget* list = form.t1->ListConversions;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    }
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30000); }

    const Place& where;
    ScriptedDialogs dialogs;
    RecordingMessages messages;
    NotingShell shell;
    Services services;
    TForm1 form;
};

struct Step {
    const char* name;
    void (*run)(Sitting&);
};

// The conversion, step by step; a sitting may end after any of them.
inline const std::array<Step, 6> kSteps = {{
    {"MapChosen",
     [](Sitting& s) {
         s.clickBox(s.form.t1->unpack);
         s.dialogs.answer(s.where.program + "samples/DemoMap/init.con");
         s.click(s.form.t1->Image12);
         s.click(s.form.t1->Button1);
     }},
    {"Started", [](Sitting& s) { s.click(s.form.t1->Button2); }},
    {"AreasHalfDrawn", [](Sitting& s) { s.area({30, 40}, {90, 100}, "West"); }},
    {"NeighboursHalfDone",
     [](Sitting& s) {
         s.area({200, 100}, {260, 150}, "North");
         s.click(s.form.t3->Image2z);
         s.tick(1);
         s.click(s.form.t3->Label16z);
     }},
    {"FirstPacked",
     [](Sitting& s) {
         s.form.PageControl1->setCurrentWidget(s.form.t3);
         s.tick(0);
         s.click(s.form.t3->Label16z);
         PackingPage& t4 = *s.form.t4;
         s.dialogs.answer(s.where.game + "BF1942.exe");
         s.click(t4.Image9);
         s.click(t4.Button5);
         s.dialogs.answer(s.where.archives + "DemoMap_001");
         s.click(t4.Label42);
         EXPECT_TRUE(s.waitFor([&] { return t4.packbar->value() == 100 && !t4.busy(); }));
         EXPECT_TRUE(closeConsoles());
     }},
    {"PathmapsTransferred", [](Sitting& s) { s.click(s.form.t4->Button6); }},
}};

// "Pack", and "Done".
inline void finish(Sitting& s) {
    // The stand-in pathmaps are no real ones, so the check before "Pack"
    // finds errors: "Pack anyway".
    s.messages.answers = {0};
    s.click(s.form.t4->Button7);
    EXPECT_TRUE(s.waitFor([&] { return !s.messages.infos.empty() && s.messages.infos.back().rfind("Done\n\n", 0) == 0; }))
        << ::testing::PrintToString(s.messages.errors);
    EXPECT_TRUE(closeConsoles());
}

} // namespace tw::test
