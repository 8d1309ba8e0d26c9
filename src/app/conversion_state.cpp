#include "app/conversion_state.h"

#include "platform/files.h"

namespace tw {

std::string addonDir(const std::string& programDir, const ConversionState& state) {
    const char sep = trailingSeparator(programDir);
    return programDir + "bf1942" + sep + "levels" + sep + state.MapName + "_001" + sep;
}

} // namespace tw
