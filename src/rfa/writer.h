// Packing a folder into an archive.
#pragma once

#include "platform/errors.h"
#include "rfa/format.h"
#include "rfa/progress.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw::rfa {

struct SourceFile {
    std::string path;      // on disk
    std::string name;      // entry name: prefix + "/" + relative path, Windows-1252
    uint64_t size = 0;
};

// The wizard's own files beside an add-on's, which never go into the game's
// archive: its records at the top of the packed folder ("tarnwick-*") and
// the pathmap window's backups below "Pathfinding/Originals", letter case
// aside. `relative` is the path below the packed folder, '/' separated.
bool isWizardsOwn(const std::string& relative);

// The files below `folder` in the order the classic packer stores them: per
// folder its files, then its sub-folders, each sorted by their names in
// upper case, byte by byte. Links (to files or folders) and special files
// (pipes, devices, sockets) are never packed: each one left out is described
// in `leftOut`, one line each, when it is given. The wizard's own files
// (isWizardsOwn) are passed over without a word.
std::vector<SourceFile> collectFiles(const std::string& folder, const std::string& prefix,
                                     std::vector<std::string>* leftOut = nullptr);

struct PackOptions {
    bool compress = false;  // LZO1X blocks (flag 1) instead of raw entries
    unsigned threads = 0;   // 0: all cores
    Progress progress;
    // Links and special files refuse the whole folder: packFolder throws a
    // LeftOutError naming them before anything is written, so the target
    // stays as it was. Otherwise they are left out and listed.
    bool refuseLeftOut = false;
};

// The items a refusing packFolder found, one line each (see collectFiles).
class LeftOutError : public AppError {
public:
    LeftOutError(const std::string& archive, std::vector<std::string> items);
    const std::vector<std::string>& items() const { return items_; }

private:
    std::vector<std::string> items_;
};

struct PackResult {
    size_t files = 0;
    uint64_t archiveSize = 0;
    std::vector<std::string> leftOut;  // links and special files not packed, one line each
};

// Packs `folder` into `archive`, which appears at once and whole (a failure
// of any kind leaves an existing archive there as it was): it is
// written under a temporary name, read back with the archive reader (every
// file listed, at its size), and only then renamed over the target. Archives
// past 4 GiB are refused.
PackResult packFolder(const std::string& folder, const std::string& prefix, const std::string& archive,
                      const PackOptions& options = {});

} // namespace tw::rfa
