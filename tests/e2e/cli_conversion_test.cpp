// The README's whole conversion without the window, run as it stands there,
// against the same conversion clicked through the wizard: every archive has
// the same entries with the same bytes.
#include "app/main_window.h"
#include "app/splash_window.h"
#include "areas/areas_page.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "rfa/reader.h"
#include "support/consoles.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"
#include "tools/qt_shell.h"

#include <QDeadlineTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace tw {
namespace {

std::map<std::string, std::string> contents(const std::string& archive) {
    rfa::ArchiveReader reader(archive);
    std::map<std::string, std::string> files;
    for (const auto& e : reader.entries()) {
        std::string& text = files[e.name];
        reader.read(e, [&](const unsigned char* d, size_t n) { text.append(reinterpret_cast<const char*>(d), n); });
    }
    return files;
}

// The README's conversion script: the shell block after its marker.
std::string readmeScript() {
    const std::string readme = readBytes(std::string(TW_SOURCE_DIR) + "/README.md");
    const size_t marker = readme.find("<!-- conversion script");
    const size_t start = readme.find("```sh\n", marker);
    const size_t end = readme.find("```", start + 6);
    if (marker == std::string::npos || start == std::string::npos || end == std::string::npos) return {};
    return readme.substr(start + 6, end - start - 6);
}

// A program folder as the build makes it, with the sample's stand-in game
// folder (samples/Game): the pathmaps the game would generate for the sample.
std::string programFolder(const fs::path& where) {
    const std::string program = test::makeProgramFolder(where);
    fs::copy(TW_SAMPLE_GAME, program + "samples/Game", fs::copy_options::recursive);
    return program;
}

class BatchShell : public Shell {
public:
    BatchShell(const std::string& programDir, Messages& messages) : real_(programDir, messages) {}
    void runBatch(const std::string& name, const std::string& folder, std::function<void(bool)> done) override {
        real_.runBatch(name, folder, std::move(done));
    }
    void openDocument(const std::string&, const std::string&) override {}
    void openUrl(const std::string&) override {}
    bool batchesRunning() const override { return real_.batchesRunning(); }

private:
    QtShell real_;
};

struct Wizard {
    explicit Wizard(const std::string& programDir)
        : shell(programDir, messages), services{programDir, dialogs, messages, shell}, form(services) {
        form.setSplash(&splash);
        form.show();
        QTest::mouseClick(splash.Image1, Qt::LeftButton);
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    // As long as a batch runs, however slowly a loaded machine runs it (up
    // to ten minutes, so that a hung run fails instead of hanging); once
    // none runs, 30 s more for what follows its end.
    bool waitFor(const std::function<bool()>& condition) {
        QDeadlineTimer idle(30000);
        (void)QTest::qWaitFor(
            [&] {
                if (condition()) return true;
                if (shell.batchesRunning()) idle.setRemainingTime(30000);
                return idle.hasExpired();
            },
            600000);
        return condition();
    }
    bool infoSaid(const std::string& text) {
        return waitFor([&] { return !messages.infos.empty() && messages.infos.back() == text; });
    }
    test::ScriptedDialogs dialogs;
    test::RecordingMessages messages;
    BatchShell shell;
    Services services;
    TForm1 form;
    TForm2 splash;
};

// The same conversion through the window: the sample archive, "OK",
// "Start", the areas proposed from the control points, the packing page.
void convertInTheWizard(const std::string& program, const std::string& game, const std::string& out) {
    Wizard w(program);
    MapPage& t1 = *w.form.t1;
    w.dialogs.answer(program + "samples/DemoMap.rfa");
    w.click(t1.Image12);
    ASSERT_TRUE(w.waitFor([&] { return fileExists(program + "bf1942/levels/DemoMap/init/terrain.con"); }));
    EXPECT_TRUE(test::closeConsoles());
    w.click(t1.Button1);
    w.click(t1.Button2);
    ASSERT_TRUE(w.messages.errors.empty()) << w.messages.errors[0];

    AreasPage& t3 = *w.form.t3;
    w.form.PageControl1->setCurrentWidget(&t3);
    w.click(t3.LabelPropose);
    while (t3.areafert->isVisible()) w.click(t3.Label9z);  // each proposal as it stands
    ASSERT_EQ(t3.ListBox1z->count(), 5);
    w.click(t3.Image2z);
    for (int i = 0; i < 5; ++i) w.click(t3.Label16z);  // the proposed neighbours
    ASSERT_EQ(w.form.PageControl1->currentWidget(), w.form.t4);

    PackingPage& t4 = *w.form.t4;
    w.dialogs.answer(game + "BF1942.exe");
    w.click(t4.Image9);
    w.click(t4.Button5);
    w.dialogs.answer(out + "DemoMap_001.rfa");
    w.click(t4.Label42);
    ASSERT_TRUE(w.waitFor([&] { return t4.packbar->value() == 100; })) << ::testing::PrintToString(w.messages.errors);
    EXPECT_TRUE(test::closeConsoles());
    w.click(t4.Button6);
    w.click(t4.Button7);
    ASSERT_TRUE(w.infoSaid("Done\n\nThe add-on is packed into DemoMap_001.rfa in the folder " +
                           out.substr(0, out.size() - 1) + "."))
        << ::testing::PrintToString(w.messages.errors);
    EXPECT_TRUE(test::closeConsoles());

    w.dialogs.answer(out + "DemoMap.rfa");
    w.click(t4.Image13);
    w.dialogs.answer(out + "DemoMap_001.rfa");
    w.click(t4.Image14);
    w.click(t4.Button10);
    EXPECT_TRUE(test::closeConsoles());
    w.messages.infos.clear();
    w.click(t4.Button8);
    ASSERT_TRUE(w.infoSaid("Done")) << ::testing::PrintToString(w.messages.errors);
    EXPECT_TRUE(test::closeConsoles());
    EXPECT_TRUE(w.messages.errors.empty()) << w.messages.errors[0];
}

TEST(ConversionWithoutTheWindow, TheReadmeScriptMakesTheWizardsArchives) {
    test::TempFolder tmp;
    test::InFolder in(tmp.path());
    const std::string script = readmeScript();
    ASSERT_NE(script.find("tarnwick-cli\" merge"), std::string::npos) << script;
    const std::string cli = programFolder(tmp.path() / "cli");
    const std::string cliOut = tmp.dir() + "cli-out/";
    writeBytes(tmp.dir() + "conversion.sh", script);
    const auto run = test::runCommand("T='" + cli + "' OUT='" + cliOut + "' sh '" + tmp.dir() + "conversion.sh'");
    ASSERT_EQ(run.code, 0) << run.output;

    const std::string wizard = programFolder(tmp.path() / "wizard");
    const std::string wizardOut = tmp.dir() + "wizard-out/";
    fs::create_directories(wizardOut);
    fs::copy_file(wizard + "samples/DemoMap.rfa", wizardOut + "DemoMap.rfa");
    convertInTheWizard(wizard, wizard + "samples/Game/", wizardOut);

    for (const char* archive : {"DemoMap_001.rfa", "DemoMap.rfa"}) {
        const auto made = contents(cliOut + archive), clicked = contents(wizardOut + archive);
        EXPECT_EQ(made.size(), clicked.size()) << archive;
        for (const auto& [name, bytes] : clicked)
            EXPECT_TRUE(made.count(name) && made.at(name) == bytes) << archive << ": " << name;
        EXPECT_TRUE(made.count("bf1942/levels/DemoMap/Pathfinding/Tank0Level1Map.raw")) << archive;
        EXPECT_TRUE(made.count("bf1942/levels/DemoMap/AI/StrategicAreas.con")) << archive;
    }
}

} // namespace
} // namespace tw
