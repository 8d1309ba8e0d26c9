// Reading the files of a level, which come from a downloaded map and so may
// be anything: only an ordinary file of reasonable size is read.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// No script of a level comes near this; terrain and spawn files are a few
// hundred kilobytes at most.
inline constexpr uint64_t kMaxLevelFileSize = uint64_t{64} << 20;

// Reads a level file as a line list. A missing file raises the file-open
// text, as readLines does. A pipe, a device, a socket or a folder (also
// behind a link) is refused at once, never waited on or read; so is a file
// larger than kMaxLevelFileSize.
Lines readLevelLines(std::string_view path);
// The same check, for a level file read as bytes (a map picture).
std::string readLevelBytes(std::string_view path);

} // namespace tw
