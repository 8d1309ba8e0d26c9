#include "level/ai_con.h"

namespace tw::level {

AiCon readAiCon(const Lines& lines) {
    AiCon ai;
    walkScript(lines, [&](const ScriptLine& line, const ScriptVariables&) {
        const Lines w = scriptWords(line.argument);
        if (equalsIgnoreCase(line.command, "aiSettings.setWorldMapSize")) {
            if (!ai.worldMapSize && !w.empty()) ai.worldMapSize = AiCon::WorldMapSize{w[0], scriptNumber(w[0]), line.number};
        } else if (equalsIgnoreCase(line.command, "ai.addSAIStrategy")) {
            if (w.size() >= 2) ai.strategies.push_back({w[0], w[1], line.number});
        } else if (equalsIgnoreCase(line.command, "ai.createallmaps")) {
            if (w.empty()) ai.mapGeneration.push_back(line.number);
        }
    });
    ai.runs = runLinesOf(lines);
    return ai;
}

} // namespace tw::level
