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
// upper case, byte by byte.
std::vector<SourceFile> collectFiles(const std::string& folder, const std::string& prefix);

struct PackOptions {
    bool compress = false;  // LZO1X blocks (flag 1) instead of raw entries
    unsigned threads = 0;   // 0: all cores
    Progress progress;
};

struct PackResult {
    size_t files = 0;
    uint64_t archiveSize = 0;
};

// Packs `folder` into `archive`, which appears at once and whole (written
// under a temporary name, then renamed). Archives past 4 GiB are refused.
PackResult packFolder(const std::string& folder, const std::string& prefix, const std::string& archive,
                      const PackOptions& options = {});

struct ExtractResult {
    size_t files = 0;
    uint64_t bytes = 0;
    std::vector<std::string> warnings;
};

// Extracts every entry below `target` (which must exist) at its inner path,
// folders matched without regard to letter case. Unsafe or clashing names
// refuse the whole archive before anything is written. Each file appears at
// once and whole; a damaged entry leaves no partial file.
ExtractResult extractArchive(const std::string& archive, const std::string& target, const Progress& progress = {});

} // namespace tw::rfa
