// Areas proposed from 500 control points on a 4096-metre map: reading the
// two control-point files, the squares and the neighbours. Prints the median
// of several runs for each stage and the whole against the goal of 50 ms.
#include "median_time.h"
#include "areas/proposals.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>


using tw::bench::medianMs;

namespace {

} // namespace

int main() {
    constexpr int kPoints = 500, kTemplates = 40, kRuns = 15;
    constexpr double kGoalMs = 50;
    std::mt19937 gen(1942);
    std::uniform_real_distribution<double> pos(0, 4096);
    tw::Lines templates, points;
    for (int t = 0; t < kTemplates; ++t) {
        templates.push_back("ObjectTemplate.create ControlPoint CP_" + std::to_string(t));
        templates.push_back("ObjectTemplate.setTeam " + std::to_string(t % 3));
        templates.push_back("ObjectTemplate.radius " + std::to_string(10 + t));
        templates.push_back("ObjectTemplate.unableToChangeTeam " + std::to_string(t < 2 ? 1 : 0));
    }
    for (int i = 0; i < kPoints; ++i) {
        points.push_back("Object.create CP_" + std::to_string(i % kTemplates));
        points.push_back("Object.absolutePosition " + std::to_string(pos(gen)) + "/80/" + std::to_string(pos(gen)));
    }

    std::vector<tw::areas::ControlPoint> read;
    std::vector<tw::areas::Proposal> proposals;
    const double readMs = medianMs([&] { read = tw::areas::readControlPoints(points, templates); }, kRuns);
    const double proposeMs = medianMs([&] { proposals = tw::areas::proposeAreas(read, 4096, 8); }, kRuns);
    std::vector<std::pair<double, double>> xy;
    for (const auto& cp : read) xy.emplace_back(cp.x, cp.y);
    const double neighboursMs = medianMs([&] { tw::areas::neighbourPairs(xy); }, kRuns);
    size_t links = 0;
    for (const auto& p : proposals) links += p.neighbours.size();

    std::printf("control points: %zu, proposals: %zu, neighbour links: %zu\n", read.size(), proposals.size(), links / 2);
    std::printf("reading the files:          %8.2f ms\n", readMs);
    std::printf("neighbours alone:           %8.2f ms\n", neighboursMs);
    std::printf("proposals with neighbours:  %8.2f ms\n", proposeMs);
    std::printf("reading + proposals: %.2f ms = %.2f of the %.0f ms goal\n", readMs + proposeMs,
                (readMs + proposeMs) / kGoalMs, kGoalMs);
    return 0;
}
