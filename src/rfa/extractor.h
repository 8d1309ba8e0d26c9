// Extracting an archive into a folder.
#pragma once

#include "rfa/format.h"
#include "rfa/progress.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw::rfa {

struct ExtractOptions {
    // Only entries below this inner folder ("bf1942/levels/MyMap"), letter
    // case and '\' or '/' aside, are extracted; the others are left out and
    // listed. Empty: every entry.
    std::string onlyBelow;
    Progress progress;
};

struct ExtractResult {
    size_t files = 0;
    uint64_t bytes = 0;
    std::vector<std::string> warnings;
    std::vector<std::string> leftOut;  // names of the entries not below `onlyBelow`
};

// Extracts the archive below `target` (which must exist) at the entries'
// inner paths, folders matched without regard to letter case. All or
// nothing: unsafe or clashing names, a linked folder leading outside the
// target, or more bytes than the target's disk has free refuse the archive
// before anything is written; the files are then unpacked into a fresh
// folder of their own inside the target and moved into place only when every
// one of them has been unpacked whole, so a damaged archive changes nothing.
ExtractResult extractArchive(const std::string& archive, const std::string& target, const ExtractOptions& options);
inline ExtractResult extractArchive(const std::string& archive, const std::string& target, const Progress& progress = {}) {
    return extractArchive(archive, target, ExtractOptions{{}, progress});
}

} // namespace tw::rfa
