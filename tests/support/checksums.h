// What a folder holds, for before-and-after comparisons: every file's size
// and checksum, every link's target and every folder, by relative path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace tw::test {

inline std::string checksum(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    uint64_t h = 1469598103934665603ull;  // FNV-1a, 64 bits
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return std::to_string(bytes.size()) + ":" + std::to_string(h);
}

inline std::map<std::string, std::string> folderChecksums(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = fs::relative(it->path(), root).generic_string();
        const auto st = it->symlink_status();
        if (fs::is_symlink(st)) out[rel] = "link " + fs::read_symlink(it->path()).string();
        else if (fs::is_directory(st)) out[rel] = "folder";
        else if (fs::is_regular_file(st)) out[rel] = checksum(it->path());
        else out[rel] = "special";
    }
    return out;
}

} // namespace tw::test
