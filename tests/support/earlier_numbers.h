// AIPathFinding.con as earlier Tarnwick versions wrote it, for the tests of
// the map-number mend: seed and smoothing lines numbered by the digit in
// their map's name, the car's type line always 2.
#pragma once

#include "check/map_numbers.h"
#include "generator/ai_scripts.h"

#include <cstring>
#include <string>
#include <vector>

namespace tw::test {

inline const std::string kInfantrySeeds = "ai.setMapSpawnPoints 1 120/80,990/410.25";
inline const std::string kVehicleSeeds = "1/2,3/4";

inline Lines earlierPathFinding(bool ships, bool landingCrafts) {
    Lines lines = generator::aiPathFinding(kInfantrySeeds, kVehicleSeeds, ships, landingCrafts);
    std::string map;
    for (std::string& l : lines) {
        if (l.rfind("ai.addSearchMap ", 0) == 0) map = l.substr(16, l.find(' ', 16) - 16);
        const std::string digit(1, map.empty() ? '0' : map.back());
        for (const char* command : {"ai.setMapSpawnPoints ", "ai.setSmoothing "})
            if (l.rfind(command, 0) == 0) l = command + digit + l.substr(l.find(' ', std::strlen(command)));
        if (l.rfind("ai.addSearchType ", 0) == 0) {
            const size_t number = l.find(' ', 17) + 1;
            l.replace(number, l.find(' ', number) - number, map == "Car4" ? "2" : digit);
        }
    }
    return lines;
}

// The lines an earlier file of each choice gets wrong.
struct EarlierChoice {
    bool ships, landingCrafts;
    std::vector<check::MapNumberFault> faults;
};

inline const std::vector<EarlierChoice>& earlierChoices() {
    static const std::vector<EarlierChoice> choices = {
        {false, false, {{18, "ai.setMapSpawnPoints", "Car4", 4, 2}}},
        {true, false, {{23, "ai.addSearchType", "Car4", 2, 3}, {24, "ai.setMapSpawnPoints", "Car4", 4, 3}}},
        {false,
         true,
         {{17, "ai.addSearchType", "LandingCraft3", 3, 2},
          {18, "ai.setMapSpawnPoints", "LandingCraft3", 3, 2},
          {19, "ai.setSmoothing", "LandingCraft3", 3, 2},
          {23, "ai.addSearchType", "Car4", 2, 3},
          {24, "ai.setMapSpawnPoints", "Car4", 4, 3}}},
        // With both boxes only the car's type line missed: it named Boat2.
        {true, true, {{29, "ai.addSearchType", "Car4", 2, 4}}},
    };
    return choices;
}

} // namespace tw::test
