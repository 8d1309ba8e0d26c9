#include "level/control_points.h"

#include "level/script.h"
#include "platform/files.h"
#include "platform/level_files.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tw::level {
namespace {

struct Template {
    std::string name;
    int team = 0;
    double radius = 0;
    bool fixedTeam = false;
};

struct Reader {
    std::vector<Template> templates;
    struct Object {
        std::string templateName;
        std::optional<std::pair<double, double>> position;
        size_t line = 0;  // the position line
    };
    std::vector<Object> objects;
    std::optional<size_t> current;  // the ControlPoint template being set up

    void read(const Lines& lines) {
        current.reset();
        walkScript(lines, [&](const ScriptLine& line, const ScriptVariables& vars) {
            const std::string key = foldCase(line.command);
            const Lines t = scriptWords(line.argument);
            if (key == "objecttemplate.create") {
                current.reset();
                if (t.size() >= 2 && foldCase(t[0]) == "controlpoint") {
                    templates.push_back({t[1]});
                    current = templates.size() - 1;
                }
            } else if (key == "object.create" && !t.empty()) {
                objects.push_back({t[0], std::nullopt, 0});
            } else if (isPositionCommand(line.command) && !t.empty() && !objects.empty()) {
                const auto value = resolveArgument(line.argument, vars);
                if (!value) return;
                std::string joined;
                for (const std::string& part : scriptWords(*value)) joined += part;
                Lines parts;
                size_t start = 0;
                for (size_t slash; (slash = joined.find('/', start)) != std::string::npos; start = slash + 1)
                    parts.push_back(joined.substr(start, slash - start));
                parts.push_back(joined.substr(start));
                if (parts.size() != 3) return;
                const auto x = scriptNumber(parts[0]), y = scriptNumber(parts[2]);
                if (x && y && std::fabs(*x) < 1e7 && std::fabs(*y) < 1e7) {
                    objects.back().position = {{*x, *y}};
                    objects.back().line = line.number;
                }
            } else if (current && !t.empty()) {
                const auto text = resolveArgument(t[0], vars);
                const auto v = text ? scriptNumber(*text) : std::nullopt;
                if (!v) return;
                Template& t0 = templates[*current];
                if (key == "objecttemplate.setteam") t0.team = (*v == 1 || *v == 2) ? static_cast<int>(*v) : 0;
                else if (key == "objecttemplate.radius" && *v > 0 && *v < 1e6) t0.radius = *v;
                else if (key == "objecttemplate.unabletochangeteam") t0.fixedTeam = *v != 0;
            }
        });
    }
};

} // namespace

std::vector<ControlPoint> readControlPoints(const Lines& points, const Lines& templates) {
    Reader reader;
    reader.read(templates);
    reader.read(points);
    std::vector<ControlPoint> out;
    for (const auto& object : reader.objects) {
        const std::string& name = object.templateName;
        if (!object.position) continue;
        // The last template of that name counts, as the game's later
        // definition replaces an earlier one.
        const auto it = std::find_if(reader.templates.rbegin(), reader.templates.rend(),
                                     [&](const Template& t) { return equalsIgnoreCase(t.name, name); });
        if (it == reader.templates.rend()) continue;
        out.push_back({it->name, object.position->first, object.position->second, it->team, it->radius, it->fixedTeam,
                       object.line});
    }
    return out;
}

std::vector<ControlPoint> readAddonControlPoints(const std::string& addonDir) {
    const auto lines = [&](const char* name) {
        const std::string path = addonDir + "Singleplayer/" + name;
        return fileExists(path) ? readLevelLines(path) : Lines{};
    };
    return readControlPoints(lines("ControlPoints.con"), lines("ControlpointTemplates.con"));
}

} // namespace tw::level
