#include "areas/area_set.h"

#include "level/script.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

namespace tw::areas {
namespace {

constexpr std::string_view kCreate = "aiStrategicArea.create ";
constexpr std::string_view kActive = "aiStrategicArea.setActive ";
constexpr std::string_view kNeighbour = "AIStrategicArea.addNeighbour ";
constexpr std::string_view kKind = "aiStrategicArea.addObjectTypeFlag ";
constexpr std::string_view kOrder = "AIStrategicArea.setOrderPosition ";
constexpr std::string_view kSide = "aiStrategicArea.setSide ";

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::optional<double> numberOf(std::string_view text) {
    if (text.empty() || text.size() > 40) return std::nullopt;
    const std::string s(text);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size()) return std::nullopt;
    return v;
}

std::optional<int32_t> wholeOf(std::string_view text) {
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<std::pair<double, double>> pairOf(std::string_view text) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto a = numberOf(text.substr(0, slash)), b = numberOf(text.substr(slash + 1));
    if (!a || !b) return std::nullopt;
    return std::pair{*a, *b};
}

// "aiStrategicArea.create <name> <minX>/<minY> <centreX>/<centreY> <priority>";
// the name may hold blanks (older work files took it as typed).
bool readCreateLine(const std::string& line, AreaSpec& a) {
    if (!startsWith(line, kCreate)) return false;
    std::string_view rest = std::string_view(line).substr(kCreate.size());
    std::string_view fields[3];
    for (int f = 2; f >= 0; --f) {
        const size_t blank = rest.rfind(' ');
        if (blank == std::string_view::npos) return false;
        fields[f] = rest.substr(blank + 1);
        rest = rest.substr(0, blank);
    }
    const auto corner = pairOf(fields[0]), centre = pairOf(fields[1]);
    const auto priority = wholeOf(fields[2]);
    if (rest.empty() || !corner || !centre || !priority) return false;
    a.name = std::string(rest);
    a.box.minX = static_cast<int32_t>(corner->first);
    a.box.minY = static_cast<int32_t>(corner->second);
    a.box.centerX = centre->first;
    a.box.centerY = centre->second;
    a.box.maxX = static_cast<int32_t>(2 * centre->first - a.box.minX);
    a.box.maxY = static_cast<int32_t>(2 * centre->second - a.box.minY);
    a.priority = *priority;
    return true;
}

// Kind, order-position and side lines of one area, in any of their groups.
bool readAreaLine(const std::string& line, AreaSpec& a) {
    if (startsWith(line, kKind)) {
        const std::string_view kind = std::string_view(line).substr(kKind.size());
        bool* flags[] = {&a.kinds.base, &a.kinds.controlPoint, &a.kinds.strongPoint,
                         &a.kinds.airfield, &a.kinds.flank, &a.kinds.center};
        const char* words[] = {"Base", "ControlPoint", "StrongPoint", "airfield", "flank", "center"};
        for (int k = 0; k < 6; ++k)
            if (kind == words[k]) return *flags[k] = true;
        return false;
    }
    if (startsWith(line, kOrder)) {
        const std::string_view order = std::string_view(line).substr(kOrder.size());
        if (startsWith(order, "Car ")) a.light = true;
        else if (startsWith(order, "Tank ")) a.heavy = true;
        return true;  // Infantry: always there
    }
    if (startsWith(line, kSide)) {
        const auto side = wholeOf(std::string_view(line).substr(kSide.size()));
        if (!side || *side < 0 || *side > 2) return false;
        a.side = *side;
        return true;
    }
    return false;
}

} // namespace

AreaSet::AreaSet(std::vector<Area> areas, bool stepShown, Lines checkList, std::vector<bool> ticked, Picture picture,
                 ProposedNeighbours proposed)
    : areas_(std::move(areas)), stepShown_(stepShown), checkList_(std::move(checkList)), ticked_(std::move(ticked)),
      picture_(std::move(picture)), proposed_(std::move(proposed)) {
    ticked_.resize(checkList_.size(), false);
}

Lines AreaSet::names() const {
    Lines out;
    for (const Area& a : areas_) out.push_back(a.spec.name);
    return out;
}

void AreaSet::record(AreaSpec spec) {
    spec.neighbours.clear();
    areas_.push_back({std::move(spec), false});
}

void AreaSet::replace(size_t i, AreaSpec spec) {
    const std::string old = areas_.at(i).spec.name;
    spec.neighbours = areas_[i].spec.neighbours;
    areas_[i].spec = std::move(spec);
    const std::string& now = areas_[i].spec.name;
    if (now == old) return;
    for (Area& a : areas_)
        std::replace(a.spec.neighbours.begin(), a.spec.neighbours.end(), old, now);
    std::replace(checkList_.begin(), checkList_.end(), old, now);
}

void AreaSet::remove(size_t i) {
    const std::string name = areas_.at(i).spec.name;
    const bool wasCurrent = current() == i;
    areas_.erase(areas_.begin() + static_cast<std::ptrdiff_t>(i));
    // A second area of the same name (possible in older work) keeps its place.
    const bool nameLeft = std::any_of(areas_.begin(), areas_.end(), [&](const Area& a) { return a.spec.name == name; });
    if (nameLeft) return;
    for (Area& a : areas_) std::erase(a.spec.neighbours, name);
    for (size_t row = checkList_.size(); row-- > 0;)
        if (checkList_[row] == name) {
            checkList_.erase(checkList_.begin() + static_cast<std::ptrdiff_t>(row));
            ticked_.erase(ticked_.begin() + static_cast<std::ptrdiff_t>(row));
        }
    if (wasCurrent) tickNeighboursOfCurrent();
}

void AreaSet::openStep() {
    stepShown_ = true;
    for (const Area& a : areas_)
        if (!a.linked) {
            checkList_.push_back(a.spec.name);
            ticked_.push_back(false);
        }
}

void AreaSet::tick(size_t row, bool on) {
    if (row < ticked_.size()) ticked_[row] = on;
}

std::optional<size_t> AreaSet::current() const {
    for (size_t i = 0; i < areas_.size(); ++i)
        if (!areas_[i].linked) return i;
    return std::nullopt;
}

bool AreaSet::finishCurrent() {
    const auto at = current();
    if (!at) return false;
    Area& a = areas_[*at];
    a.spec.neighbours.clear();
    for (size_t row = 0; row < checkList_.size(); ++row)
        if (ticked_[row]) a.spec.neighbours.push_back(checkList_[row]);
    a.linked = true;
    tickNeighboursOfCurrent();
    return true;
}

void AreaSet::reopen(size_t i) {
    areas_.at(i).linked = false;
    stepShown_ = true;
    checkList_ = names();
    ticked_.assign(checkList_.size(), false);
    tickNeighboursOfCurrent();
}

void AreaSet::startProposals(std::vector<Proposal> proposals) {
    walk_ = {std::move(proposals), {}, 0};
    walk_.names.assign(walk_.proposals.size(), std::nullopt);
    for (size_t i = 0; i < walk_.proposals.size(); ++i)
        for (const Area& a : areas_)
            if (equalsIgnoreCase(a.spec.name, walk_.proposals[i].name)) walk_.names[i] = a.spec.name;
}

std::optional<size_t> AreaSet::nextProposal() {
    while (walk_.at < walk_.proposals.size() && walk_.names[walk_.at]) ++walk_.at;
    if (walk_.at < walk_.proposals.size()) return walk_.at;
    walk_ = {};
    return std::nullopt;
}

void AreaSet::skipProposal() {
    if (walk_.at < walk_.proposals.size()) ++walk_.at;
}

bool AreaSet::proposalRecorded(const std::string& name) {
    if (walk_.at >= walk_.proposals.size()) return false;
    walk_.names[walk_.at] = name;
    for (size_t i = 0; i < walk_.proposals.size(); ++i) {
        if (!walk_.names[i]) continue;
        Lines names;
        for (const size_t n : walk_.proposals[i].neighbours)
            if (n < walk_.names.size() && walk_.names[n]) names.push_back(*walk_.names[n]);
        auto it = std::find_if(proposed_.begin(), proposed_.end(),
                               [&](const auto& entry) { return entry.first == *walk_.names[i]; });
        if (it == proposed_.end()) proposed_.emplace_back(*walk_.names[i], names);
        else it->second = names;
    }
    ++walk_.at;
    return true;
}

void AreaSet::showAllNames() {
    stepShown_ = true;
    checkList_ = names();
    ticked_.assign(checkList_.size(), false);
}

// Unticks the list, then ticks the current area's neighbours: a name given
// twice ticks two entries of that name.
void AreaSet::tickNeighboursOfCurrent() {
    ticked_.assign(checkList_.size(), false);
    const auto at = current();
    if (!at) return;
    for (const std::string& n : areas_[*at].spec.neighbours)
        for (size_t row = 0; row < checkList_.size(); ++row)
            if (!ticked_[row] && checkList_[row] == n) {
                ticked_[row] = true;
                break;
            }
}

Lines AreaSet::script() const {
    std::vector<AreaSpec> specs;
    for (const Area& a : areas_) specs.push_back(a.spec);
    return scriptOf(specs);
}

void AreaSet::toWork(AreasWork& w) const {
    w.listEntries.clear();
    w.createLines.clear();
    w.waiting.clear();
    w.params.clear();
    w.vparams.clear();
    w.sides.clear();
    w.blocks.clear();
    w.outlines.clear();
    for (const Area& area : areas_) {
        const AreaSpec& a = area.spec;
        w.listEntries.push_back(listEntry(a.name, a.box, a.priority));
        w.createLines.push_back(createLine(a.name, a.box, a.priority));
        w.createLines.push_back(" ");
        const Lines kinds = kindLines(a.kinds), orders = orderLines(a.box.centerX, a.box.centerY, a.light, a.heavy);
        if (area.linked) {
            const Lines block = areaBlock(a.name, a.neighbours, kinds, orders, sideLine(a.side));
            w.blocks.insert(w.blocks.end(), block.begin(), block.end());
        } else {
            w.waiting.push_back(a.name);
            w.params.push_back(kinds);
            w.vparams.push_back(orders);
            w.sides.push_back(sideLine(a.side));
        }
        w.outlines.push_back({a.box.left, a.box.top, a.box.right, a.box.bottom, a.side, a.name});
    }
    w.neighbourStep = stepShown_;
    w.checkList = checkList_;
    w.ticked = ticked_;
    w.picture = picture_.path;
    w.pictureFitted = picture_.fitted;
    w.proposedNeighbours = proposed_;
}

std::optional<AreaSet> AreaSet::fromWork(const AreasWork& w) {
    const size_t n = w.listEntries.size();
    if (w.createLines.size() != 2 * n || w.outlines.size() != n || w.ticked.size() != w.checkList.size())
        return std::nullopt;
    // The finished blocks, each ending with an empty line.
    std::vector<Lines> blocks;
    for (size_t at = 0; at < w.blocks.size();) {
        const auto end = std::find(w.blocks.begin() + static_cast<std::ptrdiff_t>(at), w.blocks.end(), "");
        if (end == w.blocks.end()) return std::nullopt;
        blocks.emplace_back(w.blocks.begin() + static_cast<std::ptrdiff_t>(at), end);
        at = static_cast<size_t>(end - w.blocks.begin()) + 1;
    }
    AreaSet set;
    size_t block = 0, waiting = 0;
    for (size_t i = 0; i < n; ++i) {
        Area area;
        AreaSpec& a = area.spec;
        if (!readCreateLine(w.createLines[2 * i], a)) return std::nullopt;
        const Outline& o = w.outlines[i];
        a.box.left = o.left;
        a.box.top = o.top;
        a.box.right = o.right;
        a.box.bottom = o.bottom;
        const std::string active = std::string(kActive) + a.name;
        if (block < blocks.size() && !blocks[block].empty() && blocks[block][0] == active) {
            area.linked = true;
            for (size_t l = 1; l < blocks[block].size(); ++l) {
                const std::string& line = blocks[block][l];
                if (startsWith(line, kNeighbour)) a.neighbours.push_back(line.substr(kNeighbour.size()));
                else if (!readAreaLine(line, a)) return std::nullopt;
            }
            ++block;
        } else if (waiting < w.waiting.size() && w.waiting[waiting] == a.name) {
            for (const Lines* group : {&w.params[waiting], &w.vparams[waiting]})
                for (const std::string& line : *group)
                    if (!readAreaLine(line, a)) return std::nullopt;
            if (!w.sides[waiting].empty() && !readAreaLine(w.sides[waiting], a)) return std::nullopt;
            ++waiting;
        } else {
            return std::nullopt;
        }
        set.areas_.push_back(std::move(area));
    }
    set.stepShown_ = w.neighbourStep;
    set.checkList_ = w.checkList;
    set.ticked_ = w.ticked;
    set.picture_ = {w.picture, w.pictureFitted};
    set.proposed_ = w.proposedNeighbours;
    // Only what these areas write again line for line is taken.
    AreasWork again = w;
    set.toWork(again);
    if (block != blocks.size() || waiting != w.waiting.size() || again != w) return std::nullopt;
    return set;
}

namespace {

using level::scriptNumber;
using level::scriptPair;
Lines wordsOf(const std::string& text) { return level::scriptWords(text); }

} // namespace

AreaScript readAreaScript(const Lines& script) {
    AreaScript out;
    std::unordered_map<std::string, size_t> first;  // folded name: first area of that name
    std::optional<size_t> active;
    std::optional<size_t> lostBy;  // the problem that left the lines after it without an area
    const auto problem = [&](size_t line, std::string what, AreaScript::Tie tie = {}) {
        out.problems.emplace_back(line, std::move(what));
        out.ties.push_back(std::move(tie));
        return out.problems.size() - 1;
    };
    level::walkScript(script, [&](const level::ScriptLine& line, const level::ScriptVariables&) {
        const std::string key = foldCase(line.command);
        const Lines w = wordsOf(line.argument);
        if (key == "aistrategicarea.create") {
            // name x1/z1 xc/zc value [land|sea]; a name with blanks in it
            // still shows as the words before the numbers.
            size_t end = w.size();
            if (end >= 5 && (equalsIgnoreCase(w[end - 1], "land") || equalsIgnoreCase(w[end - 1], "sea"))) --end;
            const auto c1 = end >= 4 ? scriptPair(w[end - 3]) : std::nullopt;
            const auto c2 = end >= 4 ? scriptPair(w[end - 2]) : std::nullopt;
            const auto value = end >= 4 ? scriptNumber(w[end - 1]) : std::nullopt;
            if (!c1 || !c2 || !value) {
                lostBy = problem(line.number,
                                 "The line does not read as \"aiStrategicArea.create <name> <x>/<z> <centre x>/<centre z> "
                                 "<value>\".",
                                 {true, w.empty() ? std::string() : w[0], std::nullopt, {}});
                active.reset();
                return;
            }
            ScriptArea a;
            for (size_t i = 0; i + 3 < end; ++i) a.name += (i ? " " : "") + w[i];
            a.line = line.number;
            a.x1 = c1->first;
            a.z1 = c1->second;
            a.centreX = c2->first;
            a.centreZ = c2->second;
            a.x2 = 2 * c2->first - c1->first;
            a.z2 = 2 * c2->second - c1->second;
            a.value = *value;
            out.areas.push_back(std::move(a));
            first.emplace(foldCase(out.areas.back().name), out.areas.size() - 1);
            active = out.areas.size() - 1;
            lostBy.reset();
        } else if (key == "aistrategicarea.setactive") {
            const auto it = first.find(foldCase(line.argument));
            if (it == first.end()) {
                lostBy = problem(line.number,
                                 "\"" + line.argument + "\" is made active, but no area of that name is created before it.",
                                 {false, line.argument, std::nullopt, {}});
                active.reset();
            } else {
                active = it->second;
                lostBy.reset();
            }
        } else if (key == "aistrategicarea.addneighbour" || key == "aistrategicarea.addobjecttypeflag" ||
                   key == "aistrategicarea.setside" || key == "aistrategicarea.setorderposition") {
            if (!active && lostBy) {
                problem(line.number,
                        "The line belongs to no area: the area line before it (line " +
                            std::to_string(out.problems[*lostBy].first) + ") does not give one.",
                        {false, {}, lostBy, key + (w.empty() ? std::string() : " " + foldCase(w[0]))});
                return;
            }
            if (!active) {
                problem(line.number, "The line belongs to no area: no aiStrategicArea.setActive or create line comes "
                                     "before it.");
                return;
            }
            ScriptArea& a = out.areas[*active];
            if (key == "aistrategicarea.addneighbour") {
                if (line.argument.empty()) problem(line.number, "The neighbour line names no area.");
                else a.neighbours.emplace_back(line.argument, line.number);
            } else if (key == "aistrategicarea.addobjecttypeflag") {
                if (w.size() != 1) problem(line.number, "The kind line should name one kind.");
                else a.kinds.insert(foldCase(w[0]));
            } else if (key == "aistrategicarea.setside") {
                const auto v = w.size() == 1 ? scriptNumber(w[0]) : std::nullopt;
                if (!v || (*v != 0 && *v != 1 && *v != 2)) problem(line.number, "The side should be 0, 1 or 2.");
                else a.side = static_cast<int>(*v);
            } else if (const auto at = w.size() == 2 ? scriptPair(w[1]) : std::nullopt) {
                a.orders.push_back({w[0], at->first, at->second, line.number});
            } else {
                problem(line.number, "The line does not read as \"AIStrategicArea.setOrderPosition <unit> <x>/<z>\".");
            }
        } else if (key.compare(0, 16, "aistrategicarea.") != 0 && key.compare(0, 14, "ailandingzone.") != 0) {
            problem(line.number, "\"" + line.command + "\" is no command of a strategic-area script.");
        }
    });
    return out;
}

AreaSet AreaSet::fromScript(const Lines& script) {
    AreaSet set;
    for (const ScriptArea& s : readAreaScript(script).areas) {
        AreaSpec a;
        a.name = s.name;
        const auto whole = [](double v) {
            return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
        };
        a.box.minX = whole(s.x1);
        a.box.minY = whole(s.z1);
        a.box.centerX = s.centreX;
        a.box.centerY = s.centreZ;
        a.box.maxX = whole(2 * s.centreX - a.box.minX);
        a.box.maxY = whole(2 * s.centreZ - a.box.minY);
        a.priority = whole(s.value);
        const std::pair<const char*, bool*> kinds[] = {{"base", &a.kinds.base},         {"controlpoint", &a.kinds.controlPoint},
                                                       {"strongpoint", &a.kinds.strongPoint}, {"airfield", &a.kinds.airfield},
                                                       {"flank", &a.kinds.flank},       {"center", &a.kinds.center}};
        for (const auto& [word, flag] : kinds) *flag = s.kinds.count(word) != 0;
        for (const ScriptArea::Order& o : s.orders) {
            if (equalsIgnoreCase(o.type, "Car")) a.light = true;
            else if (equalsIgnoreCase(o.type, "Tank")) a.heavy = true;
        }
        a.side = s.side;
        for (const auto& [name, line] : s.neighbours) a.neighbours.push_back(name);
        set.areas_.push_back({std::move(a), true});
    }
    return set;
}

void AreaHistory::changed(AreaSet before) {
    undo_.push_back(std::move(before));
    redo_.clear();
}

std::optional<AreaSet> AreaHistory::undo(AreaSet now) {
    if (undo_.empty()) return std::nullopt;
    AreaSet back = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(std::move(now));
    return back;
}

std::optional<AreaSet> AreaHistory::redo(AreaSet now) {
    if (redo_.empty()) return std::nullopt;
    AreaSet again = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(std::move(now));
    return again;
}

void AreaHistory::clear() {
    undo_.clear();
    redo_.clear();
}

} // namespace tw::areas
