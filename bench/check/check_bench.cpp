// The add-on's check on a large add-on: 200 areas in a grid linked with their
// neighbours, 1000 soldier spawn points (half of them through variables), 200
// vehicle spawns, 50 control points and a full set of pathmaps. Prints the
// median check time as a ratio against reading the same files' bytes,
// measured in the same run, and, without the pathmap library's decoding,
// against the goal of 100 ms.
#include "median_time.h"
#include "areas/proposals.h"
#include "check/addon_check.h"
#include "generator/addon_run.h"
#include "generator/ai_scripts.h"
#include "generator/game_scripts.h"
#include "pathmaps/findings.h"
#include "pathmaps/pathmap_set.h"
#include "platform/files.h"
#include "platform/process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

namespace fs = std::filesystem;
using tw::Lines;

using tw::bench::medianMs;

namespace {

std::string n(double v) { return tw::areas::numberText(v); }

void makeAddon(const std::string& a) {
    constexpr int kWorld = 2048, kSide = 20, kCell = 100;  // 20 x 10 areas
    for (const char* folder : {"AI", "GameTypes", "SinglePlayer", "Pathfinding"}) fs::create_directories(a + folder);
    Lines ai = tw::generator::aiCon(kWorld);
    std::erase(ai, std::string("ai.createallmaps"));
    tw::writeLines(a + "ai.con", ai, true);
    tw::writeLines(a + "Coop.con", tw::generator::coopCon(), true);
    tw::writeLines(a + "GameTypes/Coop.con", tw::generator::gameTypesCoopCon(), true);
    tw::writeLines(a + "SinglePlayerAllied.con", tw::generator::singlePlayerCon(), true);
    tw::writeLines(a + "SinglePlayerAxis.con", tw::generator::singlePlayerCon(), true);
    tw::writeLines(a + "SinglePlayer/Bots.con", tw::generator::botsCon(), false);
    tw::writeLines(a + "SinglePlayer/Skirmish.con", tw::generator::skirmishCon(), true);
    for (const char* name : {"conditions.con", "strategies.con", "prerequisites.con"})
        tw::writeLines(a + "AI/" + name, tw::readLines(std::string(TW_DATA_DIR) + "/templates/" + name), true);

    std::mt19937 gen(1942);
    std::uniform_real_distribution<double> jitter(5, 95);
    // Areas: a grid of 100-metre cells, each linked with the cells beside it.
    std::vector<tw::areas::AreaSpec> areas;
    const auto name = [](int i, int j) { return "Area_" + std::to_string(i) + "_" + std::to_string(j); };
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < kSide; ++i) {
            tw::areas::AreaSpec s;
            s.name = name(i, j);
            s.box = *tw::areas::areaOf(i * 25, 512 - j * 25 - 25, i * 25 + 25, 512 - j * 25, kWorld, 4);
            s.priority = 100;
            s.kinds.controlPoint = true;
            s.kinds.base = (i == 0 && j == 0) || (i == kSide - 1 && j == 9);
            s.side = i == 0 && j == 0 ? 1 : (i == kSide - 1 && j == 9 ? 2 : 0);
            s.light = s.heavy = true;
            if (i > 0) s.neighbours.push_back(name(i - 1, j));
            if (i + 1 < kSide) s.neighbours.push_back(name(i + 1, j));
            if (j > 0) s.neighbours.push_back(name(i, j - 1));
            if (j < 9) s.neighbours.push_back(name(i, j + 1));
            areas.push_back(s);
        }
    tw::writeLines(a + "AI/StrategicAreas.con", tw::areas::scriptOf(areas), true);

    Lines templates, points, soldiers, soldierTemplates, objects;
    for (int k = 0; k < 50; ++k) {
        const int i = (k * 7) % kSide, j = (k * 3) % 10;
        templates.insert(templates.end(), {"ObjectTemplate.create ControlPoint CP_" + std::to_string(k),
                                           "ObjectTemplate.setTeam " + std::to_string(k == 0 ? 1 : k == 1 ? 2 : 0),
                                           "ObjectTemplate.radius 20"});
        points.insert(points.end(), {"Object.create CP_" + std::to_string(k),
                                     "Object.absolutePosition " + n(i * kCell + 50) + "/80/" + n(j * kCell + 50)});
    }
    for (int s = 0; s < 1000; ++s) {
        const double x = (s % kSide) * kCell + jitter(gen), z = (s / kSide % 10) * kCell + jitter(gen);
        const std::string value = n(x) + "/81/" + n(z);
        soldierTemplates.insert(soldierTemplates.end(),
                                {"objectTemplate.create SpawnPoint S_" + std::to_string(s), "objectTemplate.setGroup 1"});
        soldiers.push_back("object.create S_" + std::to_string(s));
        if (s % 2) {
            soldiers.push_back("var v_s" + std::to_string(s) + " = " + value);
            soldiers.push_back("  object.absolutePosition v_s" + std::to_string(s));
        } else {
            soldiers.push_back("Object.absolutePosition " + value);
        }
    }
    for (int v = 0; v < 200; ++v)
        objects.insert(objects.end(), {"Object.create V_" + std::to_string(v),
                                       "Object.absolutePosition " + n(jitter(gen) * 20) + "/80/" + n(jitter(gen) * 10)});
    tw::writeLines(a + "SinglePlayer/ControlPointTemplates.con", templates, true);
    tw::writeLines(a + "SinglePlayer/ControlPoints.con", points, true);
    tw::writeLines(a + "SinglePlayer/SoldierSpawns.con", soldiers, true);
    tw::writeLines(a + "SinglePlayer/SoldierSpawnTemplates.con", soldierTemplates, true);
    tw::writeLines(a + "SinglePlayer/ObjectSpawns.con", objects, true);
    tw::writeLines(a + "SinglePlayer/ObjectSpawnTemplates.con", {"rem vehicles"}, true);
    tw::writeLines(a + "SinglePlayer/spawnPointManagerSettings.con", {"spawnPointManager.groupTeam 1 1"}, true);
    const auto soldierRead = tw::generator::readSpawnPoints(soldiers), objectRead = tw::generator::readSpawnPoints(objects);
    const Lines pathFinding = tw::generator::aiPathFinding(tw::generator::infantrySpawnLine(soldierRead.points),
                                                     tw::generator::vehicleSpawnList(objectRead.points), false, false);
    tw::writeLines(a + "AIPathFinding.con", pathFinding, true);
    // Pathmaps: free ground with a blocked edge, every level made from it.
    auto set = tw::pathmaps::PathmapSet::open(a);
    for (size_t m = 0; m < set.maps().size(); ++m) {
        tw::pathmaps::Bitmap& base = set.editBase(m);
        for (int i = 0; i < base.side(); ++i) {
            base.set(i, 0, true);
            base.set(0, i, true);
        }
    }
    set.save();
}

} // namespace

int main() {
    constexpr int kRuns = 21;
    constexpr double kGoalMs = 100;
    const fs::path root = fs::temp_directory_path() / ("tw-check-bench-" + std::to_string(tw::platform::processId()));
    const std::string addon = (root / "Big_001").string() + "/";
    makeAddon(addon);

    std::vector<tw::check::Finding> findings;
    const double checkMs = medianMs([&] { findings = tw::check::checkAddon(addon); }, kRuns);
    // The pathmap library's part (it decodes every pathmap), measured alone.
    const double pathmapsMs = medianMs([&] { tw::pathmaps::checkFolder(addon); }, kRuns);
    size_t bytes = 0;
    const double readMs = medianMs(
        [&] {
            bytes = 0;
            for (const auto& e : fs::recursive_directory_iterator(addon))
                if (e.is_regular_file()) bytes += tw::readBytes(e.path().string()).size();
        },
        kRuns);
    fs::remove_all(root);

    std::printf("findings: %zu errors, %zu warnings, %zu information\n",
                tw::check::countOf(findings, tw::check::Severity::Error),
                tw::check::countOf(findings, tw::check::Severity::Warning),
                tw::check::countOf(findings, tw::check::Severity::Information));
    for (const auto& f : findings)
        if (f.severity != tw::check::Severity::Information) std::printf("  %s\n", tw::check::findingLine(f).c_str());
    std::printf("reading the add-on's %zu bytes (reference): %8.2f ms\n", bytes, readMs);
    const double ownMs = std::max(0.0, checkMs - pathmapsMs);
    std::printf("the whole check:                             %8.2f ms = %.1f x the reference\n", checkMs,
                checkMs / readMs);
    std::printf("  of it the pathmap library (decoding):      %8.2f ms\n", pathmapsMs);
    std::printf("  the rest:                                  %8.2f ms = %.1f x the reference\n", ownMs, ownMs / readMs);
    std::printf("goal without decoding: %.0f ms = %.1f x the reference; the check takes %.2f of it\n", kGoalMs,
                kGoalMs / readMs, ownMs / kGoalMs);
    return ownMs <= kGoalMs ? 0 : 1;
}
