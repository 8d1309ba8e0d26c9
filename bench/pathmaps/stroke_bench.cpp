// A brush stroke in the pathmap window on a 4096-metre world (a 4096 x 4096
// base level): the stroke with its repaint of what changed, against a
// repaint of the whole view measured in the same run, and against the goal
// of 16 ms (one frame). Runs on the offscreen platform.
#include "median_time.h"
#include "pathmaps/formats.h"
#include "pathmaps/pathmap_window.h"
#include "platform/files.h"
#include "platform/services.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>


using tw::bench::medianMs;

namespace {

struct Quiet : tw::Dialogs, tw::Messages, tw::Shell {
    std::optional<std::string> choose(const tw::FileDialogRequest&) override { return std::nullopt; }
    void error(const std::string&) override {}
    void info(const std::string&) override {}
    void runBatch(const std::string&, const std::string&, std::function<void(bool)>) override {}
    void openDocument(const std::string&, const std::string&) override {}
    void openUrl(const std::string&) override {}
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tarnwick-stroke-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Pathfinding");
    const std::string dir = folder.string() + "/";
    tw::writeBytes(dir + "ai.con", "aiSettings.setWorldMapSize 4096 4096\r\n");
    tw::writeBytes(dir + "AIPathFinding.con", "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n"
                                              "ai.addSearchType Tank 0 0\r\nai.setMapSpawnPoints 0 100/100\r\n");
    tw::pathmaps::Bitmap level(4096);
    for (int z = 2000; z < 2100; ++z)
        for (int x = 0; x < 4096; ++x) level.set(x, z, true);
    tw::writeBytes(dir + "Pathfinding/Tank0Level0Map.raw", tw::pathmaps::encodeLevelMap(level, 0));

    Quiet quiet;
    tw::Services services{dir, quiet, quiet, quiet};
    tw::PathmapWindow window(services);
    window.resize(1366, 740);
    window.show();
    window.open(dir, "", {});
    QApplication::processEvents();

    constexpr int kRuns = 15;
    window.brushMetres->setValue(24);
    // A stroke of 40 metres across open ground, then its repaint.
    const double strokeMs = medianMs(
        [&](int i) {
            const double z = 500 + 30 * i;
            window.brushStroke({{1000, z}, {1020, z}, {1040, z}}, i % 2 == 0);
            QApplication::processEvents();
        },
        kRuns);
    const double wholeMs = medianMs(
        [&](int) {
            window.view->repaint();
        },
        kRuns);
    std::printf("brush stroke with its repaint:  %8.2f ms\n", strokeMs);
    std::printf("repaint of the whole view:      %8.2f ms\n", wholeMs);
    std::printf("stroke / whole repaint: %.2f; stroke = %.2f of the 16 ms goal\n", strokeMs / wholeMs, strokeMs / 16);
    std::filesystem::remove_all(folder);
    return 0;
}
