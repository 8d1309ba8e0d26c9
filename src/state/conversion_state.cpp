#include "state/conversion_state.h"

#include "platform/files.h"

namespace tw {

std::string levelDirIn(const std::string& programDir, const std::string& levelName) {
    const char sep = trailingSeparator(programDir);
    return programDir + "bf1942" + sep + "levels" + sep + levelName + sep;
}

std::string addonDir(const std::string& programDir, const ConversionState& state) {
    return levelDirIn(programDir, state.MapName + "_001");
}

} // namespace tw
