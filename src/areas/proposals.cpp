#include "areas/proposals.h"

#include "level/ai_con.h"
#include "platform/level_files.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace tw::areas {
namespace {

// A name the script can carry as one word: letters, digits and '_'.
std::string oneWord(const std::string& name) {
    std::string out;
    for (const char c : name) out += std::isalnum(static_cast<unsigned char>(c)) || c == '_' ? c : '_';
    return out.empty() ? std::string("ControlPoint") : out;
}

} // namespace

std::vector<std::pair<size_t, size_t>> neighbourPairs(const std::vector<std::pair<double, double>>& p) {
    const size_t n = p.size();
    std::vector<double> d(n * n);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            const double dx = p[i].first - p[j].first, dy = p[i].second - p[j].second;
            d[i * n + j] = dx * dx + dy * dy;
        }
    // Each point's others, nearest first: a witness between i and j is
    // nearer to i than j is, so the search stops early.
    std::vector<std::vector<std::pair<double, size_t>>> nearest(n);
    for (size_t i = 0; i < n; ++i) {
        auto& order = nearest[i];
        order.reserve(n);
        for (size_t k = 0; k < n; ++k)
            if (k != i) order.emplace_back(d[i * n + k], k);
        std::sort(order.begin(), order.end());
    }
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            const double dij = d[i * n + j];
            bool between = false;
            for (const auto& [dik, k] : nearest[i]) {
                if (dik >= dij) break;
                if (k != j && d[j * n + k] < dij) {
                    between = true;
                    break;
                }
            }
            if (!between) pairs.emplace_back(i, j);
        }
    return pairs;
}

std::vector<Proposal> proposeAreas(const std::vector<ControlPoint>& points, int32_t worldSize, int32_t worldScale) {
    std::vector<Proposal> out;
    if (worldScale <= 0) return out;
    // The neighbour search keeps a table of every pair.
    if (points.size() > kMaxControlPoints)
        throw AppError("This level has " + std::to_string(points.size()) + " control points; areas are proposed for " +
                       std::to_string(kMaxControlPoints) + " at the most");
    // Names: a template used by several points numbers them all; a name
    // still taken (without regard to case) gets a further number.
    std::unordered_map<std::string, size_t> uses, seen;
    std::unordered_set<std::string> taken;
    for (const ControlPoint& cp : points) ++uses[foldCase(cp.templateName)];
    for (size_t i = 0; i < points.size(); ++i) {
        const ControlPoint& cp = points[i];
        const std::string folded = foldCase(cp.templateName);
        std::string name = oneWord(cp.templateName);
        if (uses[folded] > 1) name.append(1, '_').append(std::to_string(++seen[folded]));
        const std::string wanted = name;
        for (int extra = 2; taken.count(foldCase(name)) != 0; ++extra)
            name = std::string(wanted).append(1, '_').append(std::to_string(extra));
        taken.insert(foldCase(name));

        // The square in whole pixels of the map view, covering at least the
        // side in metres, clipped to the view.
        const double half = std::max(kMinimumSide, 2 * cp.radius) / 2;
        const double scale = worldScale;
        const auto clip = [](double v) { return static_cast<int>(std::clamp(v, 0.0, 512.0)); };
        Proposal p;
        p.name = name;
        p.left = clip(std::floor((cp.x - half) / scale));
        p.right = clip(std::ceil((cp.x + half) / scale));
        p.top = clip(std::floor((worldSize - (cp.y + half)) / scale));
        p.bottom = clip(std::ceil((worldSize - (cp.y - half)) / scale));
        // A point beyond the map's edge still gets an area, one pixel wide.
        if (p.left >= p.right) {
            if (p.right == 0) p.right = 1;
            else p.left = p.right - 1;
        }
        if (p.top >= p.bottom) {
            if (p.bottom == 0) p.bottom = 1;
            else p.top = p.bottom - 1;
        }
        p.base = cp.fixedTeam;
        p.priority = p.base ? kBasePriority : kControlPointPriority;
        p.side = cp.team;
        out.push_back(std::move(p));
    }
    std::vector<std::pair<double, double>> xy;
    for (const ControlPoint& cp : points) xy.emplace_back(cp.x, cp.y);
    for (const auto& [i, j] : neighbourPairs(xy)) {
        out[i].neighbours.push_back(j);
        out[j].neighbours.push_back(i);
    }
    for (Proposal& p : out) std::sort(p.neighbours.begin(), p.neighbours.end());
    return out;
}

AreaSpec specOf(const Proposal& p, const std::vector<Proposal>& all, int32_t worldSize, int32_t worldScale) {
    AreaSpec s;
    s.name = p.name;
    s.box = *areaOf(p.left, p.top, p.right, p.bottom, worldSize, worldScale);
    s.priority = p.priority;
    s.kinds.base = p.base;
    s.kinds.controlPoint = !p.base;
    s.light = s.heavy = true;
    s.side = p.side;
    for (const size_t n : p.neighbours) s.neighbours.push_back(all[n].name);
    return s;
}

Lines scriptOf(const std::vector<AreaSpec>& areas) {
    Lines creates, blocks;
    for (const AreaSpec& a : areas) {
        creates.push_back(createLine(a.name, a.box, a.priority));
        creates.push_back(" ");
    }
    for (const AreaSpec& a : areas) {
        const Lines block = areaBlock(a.name, a.neighbours, kindLines(a.kinds),
                                      orderLines(a.box.centerX, a.box.centerY, a.light, a.heavy), sideLine(a.side));
        blocks.insert(blocks.end(), block.begin(), block.end());
    }
    return strategicAreasCon(creates, blocks);
}

int32_t addonWorldSize(const std::string& addonDir) {
    const auto size = level::readAiCon(readLevelLines(addonDir + "ai.con")).worldMapSize;
    if (size && size->value) {
        const double v = *size->value;
        if (v >= 512 && v <= 65536 && std::fmod(v, 512) == 0) return static_cast<int32_t>(v);
    }
    throw AppError("The add-on's ai.con names no world size: " + addonDir + "ai.con");
}

} // namespace tw::areas
