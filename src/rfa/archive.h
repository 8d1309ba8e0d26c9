// Packing a folder into an archive and extracting an archive into a folder.
#pragma once

#include "rfa/format.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tw::rfa {

// Called now and then with the bytes done and the bytes to do.
using Progress = std::function<void(uint64_t done, uint64_t total)>;

struct SourceFile {
    std::string path;      // on disk
    std::string name;      // entry name: prefix + "/" + relative path, Windows-1252
    uint64_t size = 0;
};

// The files below `folder` in the order the classic packer stores them: per
// folder its files, then its sub-folders, each sorted by their names in
// upper case, byte by byte. Links (to files or folders) and special files
// (pipes, devices, sockets) are never packed: each one left out is described
// in `leftOut`, one line each, when it is given.
std::vector<SourceFile> collectFiles(const std::string& folder, const std::string& prefix,
                                     std::vector<std::string>* leftOut = nullptr);

struct PackOptions {
    bool compress = false;  // LZO1X blocks (flag 1) instead of raw entries
    unsigned threads = 0;   // 0: all cores
    Progress progress;
};

struct PackResult {
    size_t files = 0;
    uint64_t archiveSize = 0;
    std::vector<std::string> leftOut;  // links and special files not packed, one line each
};

// Packs `folder` into `archive`, which appears at once and whole: it is
// written under a temporary name, read back with the archive reader (every
// file listed, at its size), and only then renamed over the target. Archives
// past 4 GiB are refused.
PackResult packFolder(const std::string& folder, const std::string& prefix, const std::string& archive,
                      const PackOptions& options = {});

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
