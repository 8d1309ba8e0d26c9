// The add-on run: the add-on folder under the program's own levels folder,
// its generated scripts, the copies from the map and the AI templates.
#pragma once

#include "state/conversion.h"
#include "platform/text.h"

#include <functional>
#include <string>
#include <utility>

namespace tw::generator {

// The 19 scripts the editor lists, relative to the add-on folder.
const Lines& editableScripts();

struct AddonRunHooks {
    // Read at the moment AIPathFinding.con is written: ships, landing crafts.
    std::function<std::pair<bool, bool>()> readVehicleBoxes;
    // Called with the editable scripts at the step that fills the list.
    std::function<void(const Lines&)> fillScriptList;
    // Scripts to leave as they are (the user's changes), asked with the path
    // relative to the add-on folder ("Gametypes/Coop.con"); letter case aside.
    std::function<bool(const std::string&)> keep;
};

struct AddonRunResult {
    // Not empty when a search map got no seed point: what the user should
    // be told after the run (see seedlessMessage).
    std::string seedWarning;
};

// Runs every step in order; a failure ends the run at its step with its
// message and leaves what was written. Afterwards AddonDir is the add-on
// folder; MapDir stays the map's own folder.
AddonRunResult runAddon(state::Conversion& state, const std::string& programDir, const AddonRunHooks& hooks);

} // namespace tw::generator
