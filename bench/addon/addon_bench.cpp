// The add-on run on a generated level with 100 000 spawn lines (50 000 in
// each spawn file). Prints the median time of several runs and its ratio
// to a reference measured in the same run: copying the level's conquest
// files, the least the run must do with them.
#include "state/conversion.h"
#include "generator/addon_run.h"
#include "platform/files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

std::string spawnFile(const char* kind, int count, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> pos(0, 2048);
    std::string text = "rem *** generated spawns ***\r\nif v_arg1 == host\r\n";
    char line[128];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "Object.create %s%d\r\nObject.absolutePosition %.3f/%.2f/%.3f\r\n", kind, i,
                      pos(gen), pos(gen) / 20, pos(gen));
        text += line;
    }
    return text + "endIf\r\n";
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / "tarnwick-addon-bench";
    fs::remove_all(root);
    const std::string program = (root / "Tarnwick").string() + "/";
    fs::create_directories(program + "bf1942/levels");
    for (const char* t : {"conditions.con", "strategies.con", "prerequisites.con"})
        write(program + "temp/con files/" + t, "rem template\r\n");
    const fs::path map = root / "Maps/Big";
    write(map / "init/terrain.con", "GeometryTemplate.worldSize 2048\r\n");
    write(map / "conquest/SoldierSpawns.con", spawnFile("Soldier", 50000, 1));
    write(map / "conquest/ObjectSpawns.con", spawnFile("Vehicle", 50000, 2));
    for (const char* f : {"ControlPoints.con", "ControlPointTemplates.con", "ObjectSpawnTemplates.con",
                          "SoldierSpawnTemplates.con", "spawnPointManagerSettings.con"})
        write(map / "conquest" / f, "rem small\r\n");

    fs::create_directories(root / "ref");
    const fs::path saved = fs::current_path();
    std::vector<double> runs, refs;
    for (int i = 0; i < 7; ++i) {
        tw::state::Conversion state;
        state.MapDir = map.string() + "/";
        state.MapName = "Big";
        state.WorldSize = 2048;
        auto t0 = Clock::now();
        tw::generator::runAddon(state, program, {});
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());

        t0 = Clock::now();
        for (const auto& e : fs::directory_iterator(map / "conquest"))
            tw::copyFile(e.path().string(), (root / "ref" / e.path().filename()).string() + ".copy");
        refs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    fs::current_path(saved);
    const double run = median(runs), ref = median(refs);
    std::printf("add-on run, 100000 spawn lines: %.1f ms (goal < 100 ms); copying the conquest files: %.1f ms; "
                "ratio %.2f\n", run, ref, run / ref);
    fs::remove_all(root);
    return 0;
}
