#include "level/pathfinding_con.h"

namespace tw::level {

std::vector<PathFindingLine> readPathFinding(const Lines& lines) {
    std::vector<PathFindingLine> out;
    walkScript(lines, [&](const ScriptLine& line, const ScriptVariables&) {
        using Kind = PathFindingLine::Kind;
        std::optional<Kind> kind;
        if (equalsIgnoreCase(line.command, "ai.addSearchMap")) kind = Kind::SearchMap;
        else if (equalsIgnoreCase(line.command, "ai.addSearchType")) kind = Kind::SearchType;
        else if (equalsIgnoreCase(line.command, "ai.setMapSpawnPoints")) kind = Kind::SpawnPoints;
        else if (equalsIgnoreCase(line.command, "ai.setSmoothing")) kind = Kind::Smoothing;
        if (kind) out.push_back({*kind, line.number, line.command, scriptWords(line.argument)});
    });
    return out;
}

std::string mapNumberText(const PathFindingLine& line) {
    const size_t at = line.kind == PathFindingLine::Kind::SearchType ? 1 : 0;
    return line.kind != PathFindingLine::Kind::SearchMap && line.words.size() > at ? line.words[at] : std::string();
}

std::vector<std::optional<std::pair<double, double>>> seedPointsOf(const PathFindingLine& line) {
    std::vector<std::optional<std::pair<double, double>>> points;
    if (line.kind != PathFindingLine::Kind::SpawnPoints) return points;
    std::string list;
    for (size_t i = 1; i < line.words.size(); ++i) list += line.words[i];
    if (list.empty()) return points;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        points.push_back(scriptPair(std::string_view(list).substr(start, comma - start)));
        start = comma + 1;
    }
    return points;
}

} // namespace tw::level
