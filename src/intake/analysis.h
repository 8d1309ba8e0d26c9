// Map intake rules: where a chosen map's level folder is, what it is called,
// and its world size.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <string>

namespace tw::intake {

struct WorldSize {
    int32_t size;
    int32_t scale;  // metres per pixel of the 512 x 512 map view
};

// Whole-line, case-blind search, nothing trimmed: the 2048 line wins over the
// 1024 line; without either the world is 4096 metres.
WorldSize worldSizeOf(const Lines& terrain);

// The name of a level folder given with its trailing separator: the text
// after the last '\' or '/' once that separator is removed (empty for a
// drive root).
std::string levelNameOf(const std::string& folder);

// The text less its last four characters (the archive's extension).
std::string withoutExtension(const std::string& name);

// ProgramDir + "bf1942\levels\" + name + "\", with ProgramDir's separator.
std::string unpackedLevelDir(const std::string& programDir, const std::string& name);

// Whether `folder` is ProgramDir itself (letter case and separators aside, or
// the same folder on disk).
bool isProgramFolder(const std::string& folder, const std::string& programDir);

} // namespace tw::intake
