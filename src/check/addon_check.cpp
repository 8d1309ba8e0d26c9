#include "check/addon_check.h"

#include "areas/area_name.h"
#include "areas/area_set.h"
#include "areas/proposals.h"
#include "check/map_numbers.h"
#include "generator/addon_run.h"
#include "level/ai_con.h"
#include "level/pathfinding_con.h"
#include "level/script.h"
#include "pathmaps/findings.h"
#include "pathmaps/pathmap_set.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/level_files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

namespace tw::check {
namespace {

using level::ScriptLine;
using level::ScriptVariables;

Lines words(const std::string& text) { return level::scriptWords(text); }

std::optional<double> number(std::string_view text) { return level::scriptNumber(text); }

// A map number as written: a whole number from 0 on, else -1 (no map).
int indexOf(const std::string& text) {
    const auto v = number(text);
    return v && *v >= 0 && *v <= 1e6 && std::floor(*v) == *v ? static_cast<int>(*v) : -1;
}

// "x/y/z" as x and z.
std::optional<WorldPosition> positionOf(const std::string& text) {
    std::string joined;
    for (const std::string& w : words(text)) joined += w;
    const size_t a = joined.find('/'), b = a == std::string::npos ? a : joined.find('/', a + 1);
    if (b == std::string::npos || joined.find('/', b + 1) != std::string::npos) return std::nullopt;
    const auto x = number(std::string_view(joined).substr(0, a)), y = number(std::string_view(joined).substr(a + 1, b - a - 1)),
               z = number(std::string_view(joined).substr(b + 1));
    if (!x || !y || !z) return std::nullopt;
    return WorldPosition{*x, *z};
}

std::string joined(const std::vector<std::string>& names, const char* last = " and ") {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? last : ", ";
        out += names[i];
    }
    return out;
}

struct Area {
    std::string name;
    size_t line = 0;
    bool hasBox = false;
    double x1 = 0, z1 = 0, x2 = 0, z2 = 0;
    std::vector<std::pair<std::string, size_t>> neighbours;
    std::set<std::string> kinds;  // folded
    int side = -1;
    struct Order {
        std::string type;
        WorldPosition at;
        size_t line;
    };
    std::vector<Order> orders;  // setOrderPosition lines
};

class Checker {
public:
    Checker(std::string addon, std::string level) : addon_(std::move(addon)), level_(std::move(level)) {}

    std::vector<Finding> run() {
        worldSize();
        scripts();
        areas();
        strategies();
        pathmaps();
        spawns();
        linkCauses();
        orderByCause(out_);
        return std::move(out_);
    }

private:
    std::string addon_, level_;
    int32_t worldSize_ = 0;
    std::vector<Finding> out_;
    std::vector<Area> areas_;
    std::unordered_map<std::string, size_t> areaIndex_;  // folded name: first area of that name
    std::set<size_t> misnumbered_;                        // lines of AIPathFinding.con with a map-number fault
    struct SearchType {
        std::string word;
        int map;  // its map's position, as meant
        size_t line;
    };
    std::vector<SearchType> types_;  // ai.addSearchType lines
    bool aiConRead_ = false;
    std::optional<level::AiCon> aiCon_;  // see aiCon()

    // What ties a finding to its cause, noted by the checks (finding indexes
    // into out_) and linked at the end.
    std::map<size_t, std::string> unreadableCreate_;  // a create line the check cannot read: its name
    std::map<size_t, size_t> blankName_;               // an area the game cannot read for the blank in its name
    std::map<size_t, std::string> soughtName_;         // a line that names an area in vain: that name
    std::map<size_t, size_t> lostLine_;                // a line left without its area: what left it so
    std::map<size_t, std::set<std::string>> lostCommands_;  // what left lines so: their commands (folded)
    std::map<size_t, std::vector<size_t>> island_;     // an island: its areas and those of the route it misses
    std::map<size_t, size_t> uncoveredBy_;             // a control point only an unreadable area covers
    std::map<size_t, std::string> uncoveredPoint_;     // an uncovered control point: its name
    std::map<size_t, int> sideWithoutBase_;
    std::map<size_t, std::string> unusedKind_;        // a kind no area carries (folded)

    Finding& add(Severity severity, const char* code, std::string message, std::string file = {}, size_t line = 0) {
        Finding f;
        f.severity = severity;
        f.code = code;
        f.message = std::move(message);
        f.file = std::move(file);
        f.line = line;
        out_.push_back(std::move(f));
        return out_.back();
    }

    // The file's lines, or nothing when it is missing; a file that cannot be
    // read is a finding.
    std::optional<Lines> read(const std::string& relative) {
        const std::string path = addon_ + relative;
        if (!fileExists(path)) return std::nullopt;
        try {
            return readLevelLines(path);
        } catch (const std::exception& e) {
            add(Severity::Error, "file-unreadable",
                std::string(e.what()) + ". Replace the file with a readable text file.", relative);
            return std::nullopt;
        }
    }

    // The add-on's ai.con as read once: nothing when it is missing or
    // cannot be read.
    const std::optional<level::AiCon>& aiCon() {
        if (!aiConRead_) {
            aiConRead_ = true;
            if (const auto lines = read("ai.con")) aiCon_ = level::readAiCon(*lines);
        }
        return aiCon_;
    }

    void worldSize() {
        if (!aiCon() || !aiCon()->worldMapSize) return;
        const auto v = aiCon()->worldMapSize->value;
        if (v && *v >= 256 && *v <= 65536) worldSize_ = static_cast<int32_t>(*v);
    }

    bool insideWorld(WorldPosition p) const {
        return worldSize_ <= 0 || (p.x >= 0 && p.z >= 0 && p.x <= worldSize_ && p.z <= worldSize_);
    }

    // --- Scripts -------------------------------------------------------

    bool reachable(std::string target) const {
        std::replace(target.begin(), target.end(), '\\', '/');
        while (!target.empty() && target.front() == '/') target.erase(0, 1);
        const std::string name = nameOf(target);
        if (name.find('.') == std::string::npos) target += ".con";
        return fileExists(addon_ + target) || (!level_.empty() && fileExists(level_ + target));
    }

    void scripts() {
        for (const std::string& entry : generator::editableScripts())
            if (!fileExists(addon_ + entry))
                add(Severity::Error, "script-missing",
                    "The add-on has no " + entry + ", which the game runs. Start the add-on run again, or copy the "
                    "file back from a backup.",
                    entry);
        for (const char* file : {"ai.con", "Coop.con", "GameTypes/Coop.con", "SinglePlayerAllied.con",
                                 "SinglePlayerAxis.con", "Singleplayer/Bots.con", "Singleplayer/Skirmish.con"}) {
            std::vector<level::RunLine> runs;
            if (equalsIgnoreCase(file, "ai.con")) {
                if (!aiCon()) continue;
                runs = aiCon()->runs;
            } else if (const auto lines = read(file)) {
                runs = level::runLinesOf(*lines);
            } else {
                continue;
            }
            for (const level::RunLine& run : runs) {
                if (!run.relative || run.target.empty() || reachable(run.target)) continue;
                add(Severity::Error, "run-target-missing",
                    "\"" + run.command + " " + run.target + "\" names no file of the add-on" +
                        (level_.empty() ? std::string() : " or of its level") +
                        ". Correct the name in the script editor, or add the file.",
                    file, run.line);
            }
        }
    }

    // --- Areas ---------------------------------------------------------

    size_t areaLine(size_t line, const std::string& what) {
        add(Severity::Error, "area-line",
            what + " Correct the line, or write the areas again on the Areas page.", "AI/StrategicAreas.con", line);
        return out_.size() - 1;
    }

    // The game reads an area's name as one word: one with a blank in it
    // breaks its create line, so the area is not there for the game.
    static bool unreadable(const Area& a) { return a.name.find_first_of(" \t") != std::string::npos; }

    void readAreas(const Lines& lines) {
        const areas::AreaScript script = areas::readAreaScript(lines);
        std::vector<size_t> found;  // a problem's finding
        for (size_t i = 0; i < script.problems.size(); ++i) {
            found.push_back(areaLine(script.problems[i].first, script.problems[i].second));
            const areas::AreaScript::Tie& tie = i < script.ties.size() ? script.ties[i] : areas::AreaScript::Tie{};
            if (tie.lostBy && *tie.lostBy < found.size()) {
                lostLine_[found.back()] = found[*tie.lostBy];
                lostCommands_[found[*tie.lostBy]].insert(tie.command);
            } else if (!tie.name.empty()) {
                (tie.create ? unreadableCreate_ : soughtName_)[found.back()] = tie.name;
            }
        }
        for (const areas::ScriptArea& s : script.areas) {
            Area a;
            a.name = s.name;
            a.line = s.line;
            a.hasBox = true;
            a.x1 = s.x1;
            a.z1 = s.z1;
            a.x2 = s.x2;
            a.z2 = s.z2;
            a.neighbours = s.neighbours;
            a.kinds = s.kinds;
            a.side = s.side;
            for (const auto& o : s.orders) a.orders.push_back({o.type, WorldPosition{o.x, o.z}, o.line});
            areas_.push_back(std::move(a));
            areaIndex_.emplace(foldCase(areas_.back().name), areas_.size() - 1);
        }
    }

    void areas() {
        const auto lines = read("AI/StrategicAreas.con");
        if (!lines) return;  // already a missing script
        readAreas(*lines);
        const std::string file = "AI/StrategicAreas.con";
        if (areas_.empty()) {
            add(Severity::Error, "areas-none",
                "The add-on has no strategic areas, so the bots have nowhere to go. Draw them on the Areas page.",
                file);
            return;
        }
        std::set<std::string> seen;
        for (const Area& a : areas_) {
            const std::string fault = areaNameFault(a.name);
            if (!fault.empty()) {
                add(Severity::Error, "area-name-bad", fault, file, a.line).area = a.name;
                if (unreadable(a)) blankName_[out_.size() - 1] = static_cast<size_t>(&a - areas_.data());
            }
            if (!seen.insert(foldCase(a.name)).second)
                add(Severity::Error, "area-name-duplicate",
                    "A second area is named \"" + a.name + "\"; the game takes both for one. Rename one of them on "
                    "the Areas page.",
                    file, a.line)
                    .area = a.name;
            if (a.x2 <= a.x1 || a.z2 <= a.z1) {
                add(Severity::Error, "area-size",
                    "The area \"" + a.name + "\" has no positive size: its centre must lie north-east of its "
                    "corner. Draw it again on the Areas page.",
                    file, a.line)
                    .area = a.name;
            } else if (!insideWorld({a.x1, a.z1}) || !insideWorld({a.x2, a.z2})) {
                add(Severity::Error, "area-outside",
                    "The area \"" + a.name + "\" reaches beyond the " + std::to_string(worldSize_) +
                        "-metre world. Draw it again inside the map on the Areas page.",
                    file, a.line)
                    .area = a.name;
            }
            if (a.kinds.empty() && areaIndex_.at(foldCase(a.name)) == static_cast<size_t>(&a - areas_.data()))
                add(Severity::Warning, "area-no-kind",
                    "The area \"" + a.name + "\" has no kind (Base, ControlPoint, ...), so no strategy values it. "
                    "Give it one on the Areas page.",
                    file, a.line)
                    .area = a.name;
        }
        neighbours(file);
        controlPoints();
        bases(file);
    }

    void neighbours(const std::string& file) {
        const size_t n = areas_.size();
        std::vector<std::set<size_t>> links(n);
        for (size_t i = 0; i < n; ++i) {
            const Area& a = areas_[i];
            if (areaIndex_.at(foldCase(a.name)) != i) continue;  // a duplicate's links go with the first
            for (const auto& [name, line] : a.neighbours) {
                const std::string folded = foldCase(name);
                const auto it = areaIndex_.find(folded);
                if (folded == foldCase(a.name)) {
                    // Stock levels have such lines; the game passes over them.
                    add(Severity::Warning, "neighbour-self",
                        "The area \"" + a.name + "\" names itself as its neighbour, which leads nowhere. Untick it "
                        "in the neighbour step on the Areas page.",
                        file, line)
                        .area = a.name;
                } else if (it == areaIndex_.end()) {
                    add(Severity::Error, "neighbour-unknown",
                        "The area \"" + a.name + "\" names \"" + name + "\" as its neighbour, but no area has that "
                        "name. Correct the neighbours on the Areas page.",
                        file, line)
                        .area = a.name;
                    soughtName_[out_.size() - 1] = name;
                } else {
                    links[i].insert(it->second);
                }
            }
        }
        for (size_t i = 0; i < n; ++i)
            for (const size_t j : links[i])
                if (!links[j].count(i)) {
                    const auto at = std::find_if(areas_[i].neighbours.begin(), areas_[i].neighbours.end(),
                                                 [&](const auto& nb) { return equalsIgnoreCase(nb.first, areas_[j].name); });
                    add(Severity::Warning, "neighbour-one-way",
                        "\"" + areas_[i].name + "\" names \"" + areas_[j].name + "\" as its neighbour, but not the "
                        "other way round, so bots may route only one way. Tick \"" + areas_[i].name +
                            "\" among the neighbours of \"" + areas_[j].name + "\" too.",
                        file, at->second)
                        .area = areas_[i].name;
                }
        // Islands: groups no neighbour link joins to the group of the first area.
        std::vector<std::vector<size_t>> adjacent(n);  // links either way
        for (size_t i = 0; i < n; ++i)
            for (const size_t j : links[i]) {
                adjacent[i].push_back(j);
                adjacent[j].push_back(i);
            }
        std::vector<int> group(n, -1);
        int groups = 0;
        std::vector<std::vector<size_t>> members;
        for (size_t start = 0; start < n; ++start) {
            if (group[start] >= 0 || areaIndex_.at(foldCase(areas_[start].name)) != start) continue;
            members.emplace_back();
            std::vector<size_t> todo{start};
            group[start] = groups;
            while (!todo.empty()) {
                const size_t k = todo.back();
                todo.pop_back();
                members.back().push_back(k);
                for (const size_t m : adjacent[k]) {
                    if (group[m] >= 0) continue;
                    group[m] = groups;
                    todo.push_back(m);
                }
            }
            ++groups;
        }
        for (size_t g = 1; g < members.size(); ++g) {
            std::sort(members[g].begin(), members[g].end());
            std::vector<std::string> names;
            for (const size_t k : members[g]) names.push_back("\"" + areas_[k].name + "\"");
            add(Severity::Error, "areas-island",
                std::string(names.size() == 1 ? "The area " : "The areas ") + joined(names) +
                    (names.size() == 1 ? " is" : " are") + " linked to no route from \"" + areas_[members[0][0]].name +
                    "\", so bots never get there. Give " + (names.size() == 1 ? "it" : "them") +
                    " a neighbour among the other areas on the Areas page.",
                file, areas_[members[g][0]].line)
                .area = areas_[members[g][0]].name;
            std::vector<size_t>& involved = island_[out_.size() - 1];
            involved = members[g];
            involved.insert(involved.end(), members[0].begin(), members[0].end());
        }
    }

    void controlPoints() {
        std::vector<level::ControlPoint> points;
        try {
            points = level::readAddonControlPoints(addon_);
        } catch (const std::exception&) {
            return;  // unreadable files are found by the spawn checks
        }
        for (const level::ControlPoint& cp : points) {
            const auto covers = [&](const Area& a) { return a.x1 <= cp.x && cp.x <= a.x2 && a.z1 <= cp.y && cp.y <= a.z2; };
            const auto by = std::find_if(areas_.begin(), areas_.end(), covers);
            const auto readableBy = std::find_if(areas_.begin(), areas_.end(),
                                                 [&](const Area& a) { return !unreadable(a) && covers(a); });
            if (readableBy != areas_.end()) continue;
            Finding& f = add(Severity::Warning, "control-point-uncovered",
                             "The control point " + cp.templateName +
                                 " lies in no area, so the bots do not go for it. Draw an area around it on the "
                                 "Areas page.");
            f.at = WorldPosition{cp.x, cp.y};
            if (by != areas_.end()) uncoveredBy_[out_.size() - 1] = static_cast<size_t>(by - areas_.begin());
            uncoveredPoint_[out_.size() - 1] = cp.templateName;
        }
    }

    void bases(const std::string& file) {
        for (const int side : {1, 2}) {
            const bool has = std::any_of(areas_.begin(), areas_.end(), [&](const Area& a) {
                return a.side == side && a.kinds.count("base") && !unreadable(a);
            });
            if (has) continue;
            add(Severity::Warning, "side-no-base",
                "Side " + std::to_string(side) + " has no area of the kind Base. Mark its base area as Base "
                "with side " + std::to_string(side) + " on the Areas page.",
                file);
            sideWithoutBase_[out_.size() - 1] = side;
        }
    }

    // --- Causes --------------------------------------------------------

    // A name as it was meant, whatever broke it: letter case, blanks and
    // underscores aside ("CP Village" for "CP_Village").
    static std::string meant(const std::string& name) {
        std::string out;
        for (const char c : foldCase(name))
            if (c != ' ' && c != '\t' && c != '_') out += c;
        return out;
    }

    std::optional<size_t> rootOf(size_t i) const {
        for (size_t steps = 0; steps <= out_.size() && out_[i].cause; ++steps) i = *out_[i].cause;
        return out_[i].cause ? std::nullopt : std::optional<size_t>(i);
    }

    // Links what follows from an area the game cannot read (its lines, the
    // neighbours and the route it breaks, the flags it was to cover) to it.
    void linkCauses() {
        std::map<std::string, size_t> broken;  // the name meant: its cause
        std::map<size_t, size_t> areaCause;    // an unreadable area: its cause
        for (const auto& [finding, name] : unreadableCreate_)
            if (!name.empty()) broken.emplace(meant(name), finding);
        for (const auto& [finding, area] : blankName_) {
            // Meant as one name, or as its first word (which the game takes).
            const std::string& name = areas_[area].name;
            broken.emplace(meant(name), finding);
            broken.emplace(meant(name.substr(0, name.find_first_of(" \t"))), finding);
            areaCause.emplace(area, finding);
        }
        const auto link = [&](size_t finding, size_t cause) {
            if (finding != cause && !out_[finding].cause) out_[finding].cause = cause;
        };
        for (const auto& [finding, name] : soughtName_)
            if (const auto it = broken.find(meant(name)); it != broken.end()) link(finding, it->second);
        for (const auto& [finding, by] : lostLine_) link(finding, by);
        for (size_t i = 0; i < out_.size(); ++i) {
            const auto area = out_[i].area.empty() ? areaIndex_.end() : areaIndex_.find(foldCase(out_[i].area));
            if (area == areaIndex_.end()) continue;
            if (const auto cause = areaCause.find(area->second); cause != areaCause.end()) link(i, cause->second);
        }
        for (const auto& [finding, area] : uncoveredBy_)
            if (const auto cause = areaCause.find(area); cause != areaCause.end()) link(finding, cause->second);
        // The wizard names an area after the control point it proposed it
        // for: an unreadable area of that name was to cover it.
        for (const auto& [finding, name] : uncoveredPoint_)
            if (const auto it = broken.find(meant(name)); it != broken.end()) link(finding, it->second);
        for (const auto& [finding, side] : sideWithoutBase_) {
            for (const auto& [area, cause] : areaCause)
                if (areas_[area].side == side && areas_[area].kinds.count("base")) link(finding, cause);
            for (const auto& [cause, commands] : lostCommands_)
                if (commands.count("aistrategicarea.addobjecttypeflag base") || commands.count("aistrategicarea.setside"))
                    link(finding, cause);
        }
        for (const auto& [finding, kind] : unusedKind_) {
            for (const auto& [area, cause] : areaCause)
                if (areas_[area].kinds.count(kind)) link(finding, cause);
            for (const auto& [cause, commands] : lostCommands_)
                if (commands.count("aistrategicarea.addobjecttypeflag " + kind)) link(finding, cause);
        }
        // An island that an unreadable area, or a link lost with it, cuts off.
        std::map<size_t, std::set<size_t>> touched;  // cause: the areas it concerns
        for (const auto& [area, cause] : areaCause) touched[cause].insert(area);
        for (size_t i = 0; i < out_.size(); ++i) {
            if (!out_[i].cause || out_[i].area.empty()) continue;
            const auto root = rootOf(i);
            const auto area = areaIndex_.find(foldCase(out_[i].area));
            if (root && area != areaIndex_.end()) touched[*root].insert(area->second);
        }
        for (const auto& [finding, involved] : island_)
            for (const auto& [cause, areas] : touched)
                if (std::any_of(involved.begin(), involved.end(), [&](size_t a) { return areas.count(a) != 0; })) {
                    link(finding, cause);
                    break;
                }
    }

    // --- Strategies ----------------------------------------------------

    void strategies() {
        struct Named {
            std::string name;
            size_t line;
        };
        const auto collect = [&](const char* file, const char* command, std::vector<Named>& into) {
            if (const auto lines = read(file))
                level::walkScript(*lines, [&](const ScriptLine& line, const ScriptVariables&) {
                    const Lines w = words(line.argument);
                    if (equalsIgnoreCase(line.command, command) && !w.empty()) into.push_back({w[0], line.number});
                });
        };
        std::vector<Named> strategyNames, prerequisiteNames, conditionNames, prerequisiteUses, conditionUses;
        std::vector<std::pair<Named, std::string>> modifiers;  // flag, strategy
        collect("AI/strategies.con", "aiStrategy.createStrategy", strategyNames);
        collect("AI/strategies.con", "aiStrategy.setPrerequisite", prerequisiteUses);
        collect("AI/prerequisites.con", "aiStrategy.createPrerequisite", prerequisiteNames);
        collect("AI/prerequisites.con", "aiStrategy.addCondition", conditionUses);
        collect("AI/conditions.con", "aiStrategy.createConstantCondition", conditionNames);
        if (const auto lines = read("AI/strategies.con")) {
            std::string current;
            level::walkScript(*lines, [&](const ScriptLine& line, const ScriptVariables&) {
                const Lines w = words(line.argument);
                if (equalsIgnoreCase(line.command, "aiStrategy.createStrategy") && !w.empty()) current = w[0];
                else if (equalsIgnoreCase(line.command, "aiStrategy.setStrategicObjectsModifier") && !w.empty())
                    modifiers.push_back({{w[0], line.number}, current});
            });
        }
        const auto known = [](const std::vector<Named>& names, const std::string& name) {
            return std::any_of(names.begin(), names.end(), [&](const Named& n) { return equalsIgnoreCase(n.name, name); });
        };
        if (aiCon())
            for (const level::AiCon::Strategy& added : aiCon()->strategies) {
                if (known(strategyNames, added.name)) continue;
                add(Severity::Error, "strategy-missing",
                    "The strategy \"" + added.name + "\" is added for side " + added.side +
                        ", but AI/strategies.con does not create it. Remove the line or create the strategy.",
                    "ai.con", added.line);
            }
        for (const Named& use : prerequisiteUses)
            if (!known(prerequisiteNames, use.name))
                add(Severity::Error, "prerequisite-missing",
                    "The prerequisite \"" + use.name + "\" is not created in AI/prerequisites.con. Create it there "
                    "or name one that is.",
                    "AI/strategies.con", use.line);
        for (const Named& use : conditionUses)
            if (!known(conditionNames, use.name))
                add(Severity::Error, "condition-missing",
                    "The condition \"" + use.name + "\" is not created in AI/conditions.con. Create it there or "
                    "name one that is.",
                    "AI/prerequisites.con", use.line);
        // Kinds the strategies value that no area carries; the game also
        // computes a few kinds of its own.
        if (areas_.empty()) return;
        std::set<std::string> reported;
        for (const auto& [flag, strategy] : modifiers) {
            const std::string folded = foldCase(flag.name);
            if (folded == "front" || folded == "safe" || folded == "enemy" || folded == "neutral") continue;
            const bool carried = std::any_of(areas_.begin(), areas_.end(),
                                             [&](const Area& a) { return a.kinds.count(folded) != 0 && !unreadable(a); });
            if (carried || !reported.insert(folded).second) continue;
            add(Severity::Information, "area-kind-unused",
                "The strategy \"" + strategy + "\" values areas of the kind " + flag.name +
                    ", but no area has that kind; the strategy then goes by its other kinds. Mark areas as " +
                    flag.name + " on the Areas page if the map has such places.",
                "AI/strategies.con", flag.line);
            unusedKind_[out_.size() - 1] = folded;
        }
    }

    // --- Pathmaps ------------------------------------------------------

    void pathmaps() {
        const auto lines = read("AIPathFinding.con");
        if (!lines) return;
        struct Map {
            std::string name;
            int minLevel = 0, maxLevel = 2;
        };
        std::vector<Map> maps;
        struct Seeds {
            int index;  // -1: no map number
            std::string written;
            size_t line;
            bool point;  // holds a point
        };
        std::vector<Seeds> seeds;
        for (const level::PathFindingLine& line : level::readPathFinding(*lines)) {
            using Kind = level::PathFindingLine::Kind;
            const Lines& w = line.words;
            if (line.kind == Kind::SearchMap && !w.empty()) {
                Map m{w[0]};
                if (w.size() >= 10) {
                    const auto lo = number(w[8]), hi = number(w[9]);
                    if (lo && hi && *lo >= 0 && *hi >= *lo && *hi <= 10) {
                        m.minLevel = static_cast<int>(*lo);
                        m.maxLevel = static_cast<int>(*hi);
                    }
                }
                maps.push_back(m);
            } else if (line.kind == Kind::SearchType && w.size() >= 2) {
                types_.push_back({w[0], indexOf(w[1]), line.line});
            } else if (line.kind == Kind::SpawnPoints && !w.empty() && number(w[0])) {
                const auto points = level::seedPointsOf(line);
                const bool point = std::any_of(points.begin(), points.end(), [](const auto& p) { return p.has_value(); });
                seeds.push_back({indexOf(w[0]), w[0], line.line, point});
            }
        }
        // An empty file (or one of comments only) gives the game no map to
        // make: no bot moves, and there is nothing for the findings below.
        if (maps.empty()) {
            add(Severity::Error, "search-maps-none",
                "AIPathFinding.con declares no search map (no ai.addSearchMap line), so the game makes no pathmap "
                "and no bot moves. Make the add-on again with \"Start\" (tarnwick-cli addon), or copy the file "
                "back from a backup.",
                "AIPathFinding.con");
            return;
        }
        // Lines numbered by the digit in their map's name: each is reported
        // once, its seed points counted for the map they are meant for.
        const std::vector<MapNumberFault> faults = mapNumberFaults(*lines);
        std::set<size_t> misnumbered;
        for (const MapNumberFault& f : faults) {
            misnumbered.insert(f.line);
            mapNumberFinding(f, static_cast<int>(maps.size()));
            for (SearchType& t : types_)
                if (t.line == f.line) t.map = f.position;  // as meant
        }
        orderTypes();
        std::map<int, std::pair<size_t, bool>> seeded;  // map, as the lines are meant: line, holds a point
        for (const Seeds& seed : seeds) {
            const auto fault = std::find_if(faults.begin(), faults.end(),
                                            [&](const MapNumberFault& f) { return f.line == seed.line; });
            const int index = fault != faults.end() ? fault->position : seed.index;
            if (!seeded.count(index) || !seeded[index].second) seeded[index] = {seed.line, seed.point};
        }
        for (size_t i = 0; i < maps.size(); ++i) {
            const auto it = seeded.find(static_cast<int>(i));
            if (it != seeded.end() && it->second.second) continue;
            Finding& f = add(Severity::Error, "no-seed",
                             "The search map " + maps[i].name +
                                 " has no seed point, so the game's pathmap generation blocks all of it and the "
                                 "bots stand still. Write points as x/z,x/z,... into its ai.setMapSpawnPoints line, "
                                 "or give the spawn files position lines the add-on run can read.",
                             "AIPathFinding.con", it == seeded.end() ? 0 : it->second.first);
            f.pathmap = maps[i].name;
        }
        for (const Seeds& seed : seeds)
            if ((seed.index < 0 || static_cast<size_t>(seed.index) >= maps.size()) && !misnumbered.count(seed.line))
                add(Severity::Warning, "seed-map-unknown",
                    "ai.setMapSpawnPoints " + seed.written + " names no search map: the game numbers "
                    "the maps 0, 1, 2, ... in the order of their ai.addSearchMap lines. Give its points to the map "
                    "they are meant for.",
                    "AIPathFinding.con", seed.line);
        misnumbered_ = misnumbered;
        if (aiCon() && !aiCon()->mapGeneration.empty()) {
            add(Severity::Information, "pathmaps-generated",
                "ai.con still holds ai.createallmaps: the game makes the pathmaps when it first loads the add-on. "
                "Copy them into the add-on afterwards (\"Copy the generated pathmaps into my addon\").",
                "ai.con");
            return;
        }
        pathmapFindings();
    }

    void mapNumberFinding(const MapNumberFault& f, int declared) {
        const std::string n = std::to_string(f.written), p = std::to_string(f.position);
        const std::string missed =
            f.written >= 0 && f.written < declared ? "map " + n + " is another map" : "map " + n + " does not exist";
        const std::string mend = " Write " + p + " in that line, or let Tarnwick mend the map numbers "
                                 "(\"Continue a conversion\" offers it, or tarnwick-cli check --mend).";
        const std::string how = "the game numbers the maps 0, 1, 2, ... in the order of their ai.addSearchMap lines, "
                                "so " + f.map + " is map " + p + " and " + missed;
        Finding* finding = nullptr;
        if (equalsIgnoreCase(f.command, "ai.setMapSpawnPoints"))
            finding = &add(Severity::Error, "seed-map-index",
                           "The seed points of " + f.map + " stand in \"ai.setMapSpawnPoints " + n + "\", but " + how +
                               ": the game's generation gives " + f.map + " no seed point and blocks all of it." + mend,
                           "AIPathFinding.con", f.line);
        else if (equalsIgnoreCase(f.command, "ai.addSearchType"))
            finding = &add(Severity::Error, "type-map-index",
                           "The search type line of " + f.map + " (ai.addSearchType) names map " + n + ", but " + how +
                               ": its bots would find their way on the wrong map or none." + mend,
                           "AIPathFinding.con", f.line);
        else
            finding = &add(Severity::Warning, "smoothing-map-index",
                           "\"ai.setSmoothing " + n + "\" stands in the lines of " + f.map + ", but " + how +
                               ": the smoothing goes to the wrong map or none." + mend,
                           "AIPathFinding.con", f.line);
        finding->pathmap = f.map;
    }

    // The pathmap library's findings on the add-on's pathmaps. Its note on
    // seed points for a map that does not exist is left out: the seed
    // check above gives it with its line.
    void pathmapFindings() {
        std::optional<pathmaps::PathmapSet> set;
        std::vector<pathmaps::Finding> found;
        try {
            set = pathmaps::PathmapSet::open(addon_);
            found = pathmaps::findings(*set);
        } catch (const AppError& e) {
            found = {{Severity::Error, "", -1, std::nullopt, e.what()}};
        }
        for (const pathmaps::Finding& p : found) {
            if (p.map.empty() && !p.place && p.text.find("the seed points are for map") != std::string::npos) continue;
            // A line numbered by its map's name is reported above, with the mend.
            static const std::string lineNote = "AIPathFinding.con, line ";
            if (p.map.empty() && !p.place && p.text.rfind(lineNote, 0) == 0) {
                size_t line = 0;
                const char* from = p.text.data() + lineNote.size();
                const auto [end, ec] = std::from_chars(from, p.text.data() + p.text.size(), line);
                if (ec == std::errc() && end != from && misnumbered_.count(line)) continue;
            }
            Finding f;
            f.severity = p.severity;
            switch (p.severity) {
            case Severity::Error: f.code = "pathmap-unusable"; break;
            case Severity::Warning: f.code = "pathmap-suspect"; break;
            case Severity::Information: f.code = "pathmap-summary"; break;
            }
            f.message = p.map.empty() || p.text.rfind(p.map, 0) == 0
                            ? p.text
                            : p.map + (p.level >= 0 ? ", level " + std::to_string(p.level) : std::string()) + ": " +
                                  p.text;
            if (p.place) f.at = WorldPosition{p.place->x, p.place->z};
            else if (p.severity == pathmaps::Severity::Error && !p.map.empty() && p.level >= 0)
                f.file = "Pathfinding/" + p.map + "Level" + std::to_string(p.level) + "Map.raw";
            else f.file = "Pathfinding";
            f.pathmap = p.map;
            out_.push_back(std::move(f));
        }
        if (set) blockedOrders(*set);
    }

    // --- Order positions -----------------------------------------------

    // Each order position's type word is a search type of AIPathFinding.con.
    void orderTypes() {
        if (types_.empty()) return;
        std::set<std::string> reported;
        for (const Area& a : areas_)
            for (const Area::Order& o : a.orders) {
                if (typeOf(o.type) || !reported.insert(foldCase(o.type)).second) continue;
                std::vector<std::string> words;
                for (const SearchType& t : types_) words.push_back(t.word);
                const std::string& near = nearestWord(o.type, words);
                add(Severity::Warning, "order-type-unknown",
                    "The order position for \"" + o.type + "\" names no search type: AIPathFinding.con declares " +
                        joined(words) + ". The game then has no order position for these bots; write \"" + near +
                        "\" instead of \"" + o.type + "\" if that is the type meant.",
                    "AI/StrategicAreas.con", o.line)
                    .area = a.name;
            }
    }

    const SearchType* typeOf(const std::string& word) const {
        for (const SearchType& t : types_)
            if (equalsIgnoreCase(t.word, word)) return &t;
        return nullptr;
    }

    static const std::string& nearestWord(const std::string& word, const std::vector<std::string>& words) {
        const auto distance = [](const std::string& a0, const std::string& b0) {
            const std::string a = foldCase(a0), b = foldCase(b0);
            std::vector<size_t> row(b.size() + 1);
            for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
            for (size_t i = 1; i <= a.size(); ++i) {
                size_t diagonal = row[0];
                row[0] = i;
                for (size_t j = 1; j <= b.size(); ++j) {
                    const size_t up = row[j];
                    row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
                    diagonal = up;
                }
            }
            return row[b.size()];
        };
        size_t best = 0;
        for (size_t i = 1; i < words.size(); ++i)
            if (distance(word, words[i]) < distance(word, words[best])) best = i;
        return words[best];
    }

    // An order position on ground its type's map blocks is dropped by the
    // game, which then sends the bots to the area's centre.
    void blockedOrders(const pathmaps::PathmapSet& set) {
        for (const Area& a : areas_)
            for (const Area::Order& o : a.orders) {
                const SearchType* type = typeOf(o.type);
                if (!type || type->map < 0 || static_cast<size_t>(type->map) >= set.maps().size() ||
                    !set.hasBase(static_cast<size_t>(type->map)))
                    continue;
                const pathmaps::Bitmap& base = set.base(static_cast<size_t>(type->map));
                const double size = double(set.worldSize()) / base.side();
                if (!(o.at.x >= 0 && o.at.z >= 0 && o.at.x < set.worldSize() && o.at.z < set.worldSize())) continue;
                const int x = static_cast<int>(o.at.x / size), z = static_cast<int>(o.at.z / size);
                if (!base.blocked(x, z)) continue;
                const std::string& map = set.maps()[static_cast<size_t>(type->map)].declared.name;
                Finding& f = add(Severity::Warning, "order-position-blocked",
                                 "The order position of \"" + a.name + "\" for " + o.type + " lies on ground " + map +
                                     " blocks, so the game drops it and sends these bots to the area's centre. Move "
                                     "it onto free ground in AI/StrategicAreas.con, or free the ground there in the "
                                     "pathmap window.",
                                 "AI/StrategicAreas.con", o.line);
                f.area = a.name;
                f.pathmap = map;
                f.at = o.at;
            }
    }

    // --- Spawns --------------------------------------------------------

    std::vector<std::pair<WorldPosition, size_t>> positions(const char* file) {
        std::vector<std::pair<WorldPosition, size_t>> out;
        const auto lines = read(file);
        if (!lines) return out;
        level::walkScript(*lines, [&](const ScriptLine& line, const ScriptVariables& vars) {
            if (!level::isPositionCommand(line.command)) return;
            const auto value = level::resolveArgument(line.argument, vars);
            const auto p = value ? positionOf(*value) : std::nullopt;
            if (p) out.emplace_back(*p, line.number);
        });
        return out;
    }

    void spawns() {
        const char* soldierFile = "Singleplayer/SoldierSpawns.con";
        const auto soldiers = positions(soldierFile);
        if (soldiers.empty() && fileExists(addon_ + soldierFile)) {
            add(Severity::Error, "no-soldier-spawns",
                "The single-player soldier spawn file has no position the game can place a soldier at. Give it "
                "Object.absolutePosition lines.",
                soldierFile);
        } else if (!soldiers.empty()) {
            // A spawn point belongs to the side of the control point it
            // stands nearest to.
            std::vector<level::ControlPoint> points;
            try {
                points = level::readAddonControlPoints(addon_);
            } catch (const std::exception&) {
            }
            std::set<int> sides, spawned;
            for (const auto& cp : points)
                if (cp.team == 1 || cp.team == 2) sides.insert(cp.team);
            for (const auto& [p, line] : soldiers) {
                const level::ControlPoint* nearest = nullptr;
                double best = 0;
                for (const auto& cp : points) {
                    const double d = (cp.x - p.x) * (cp.x - p.x) + (cp.y - p.z) * (cp.y - p.z);
                    if (!nearest || d < best) nearest = &cp, best = d;
                }
                if (nearest) spawned.insert(nearest->team);
            }
            for (const int side : sides)
                if (!spawned.count(side))
                    add(Severity::Error, "side-no-soldier-spawns",
                        "Side " + std::to_string(side) + " has no soldier spawn point near its control points in "
                        "the single-player files, so its bots cannot enter the game. Add spawn points by its base.",
                        soldierFile);
        }
        const char* objectFile = "Singleplayer/ObjectSpawns.con";
        for (const auto& [p, line] : positions(objectFile))
            if (!insideWorld(p))
                add(Severity::Error, "vehicle-spawn-outside",
                    "A vehicle spawns outside the " + std::to_string(worldSize_) +
                        "-metre world, and its seed point with it. Move it onto the map.",
                    objectFile, line)
                    .at = p;
    }
};

} // namespace

std::string areaNameFault(const std::string& name) {
    if (name.empty()) return "An area has no name. Give it one on the Areas page.";
    const std::string problem = areas::nameProblem(name, {});  // the properties box's own rule
    return problem.empty() ? problem : problem + " Rename the area on the Areas page.";
}

std::vector<Finding> checkAddon(const std::string& addonDir, const std::string& levelDir) {
    std::string addon = addonDir;
    if (!addon.empty() && addon.back() != '/' && addon.back() != '\\') addon += '/';
    std::string level = levelDir;
    if (level.empty()) {
        std::string trimmed = addon.substr(0, addon.size() - 1);
        if (trimmed.size() > 4 && trimmed.compare(trimmed.size() - 4, 4, "_001") == 0)
            level = trimmed.substr(0, trimmed.size() - 4) + "/";
    } else if (level.back() != '/' && level.back() != '\\') {
        level += '/';
    }
    if (!level.empty() && !folderExists(level)) level.clear();
    return Checker(addon, level).run();
}

} // namespace tw::check
