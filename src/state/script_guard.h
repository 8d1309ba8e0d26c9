// Nothing a user changed in an add-on is written over without asking: the
// scripts Tarnwick wrote carry a checksum in the conversion record, and a
// script whose bytes differ from it is the user's.
#pragma once

#include "state/conversion_record.h"
#include "platform/services.h"
#include "platform/text.h"

#include <string>
#include <vector>

namespace tw::state {

// The entries (relative to the add-on folder) whose file exists and differs
// from the checksum recorded for it. A script without a recorded checksum
// (an add-on of an older Tarnwick) counts as unchanged.
std::vector<std::string> changedScripts(const ConversionRecord& record, const std::string& addonDir,
                                        const Lines& entries);

// Records the checksums of the entries as they lie in the add-on now;
// entries without a file are passed over.
void noteWritten(ConversionRecord& record, const std::string& addonDir, const Lines& entries);

// Copies each entry, keeping its relative path, into a new folder inside the
// add-on named after `stamp` ("tarnwick-replaced-2026-12-08-2105", with a
// number added when that is taken). Returns the folder, ending in its
// separator. A failed copy raises, and the scripts are then not replaced.
std::string copyAside(const std::string& addonDir, const std::vector<std::string>& entries,
                      const std::string& stamp);

// What to do with the user's changed scripts before writing `entries`.
struct OverwritePlan {
    bool go = true;                  // false: "Cancel", write nothing
    std::vector<std::string> keep;   // changed scripts to leave as they are
    std::string copiedTo;            // "Replace them": where the copies went
    bool keeps(std::string_view entry) const;
};

// Asks when some of `entries` were changed by the user: "Keep my changes",
// "Replace them" (copies first) or "Cancel". `action` names what would write
// them ("\"Start\""). A changed script that is read-only cannot be
// replaced: "Replace them" then raises before anything is copied or written.
OverwritePlan askBeforeOverwriting(Messages& messages, const ConversionRecord& record,
                                   const std::string& addonDir, const Lines& entries, const std::string& action);

// "tarnwick-cli" and other callers without a question: the changed scripts
// are kept, or with `replace` copied aside first.
OverwritePlan planWithoutAsking(const ConversionRecord& record, const std::string& addonDir, const Lines& entries,
                                bool replace);

// The message after "Replace them".
std::string copiedMessage(const OverwritePlan& plan);

// What an add-on's saved conversion holds that making the add-on again would
// undo: "recorded areas", "transferred pathmaps" or both joined with "and";
// empty when it holds neither.
std::string finishedWork(const ConversionRecord& saved, const std::string& addonDir);

// Before a conversion is started afresh: copies the areas' work, the areas
// script, ai.con and the record (those that exist) into a new dated folder
// inside the add-on (see copyAside). Returns the folder.
std::string copyConversionAside(const std::string& addonDir, const std::string& stamp);

// The record of a conversion started afresh: no areas; what the game
// folder, the first packing and the pathmaps in the add-on know stays.
void forgetFinishedWork(ConversionRecord& record);

} // namespace tw::state
