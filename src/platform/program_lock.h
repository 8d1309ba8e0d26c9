// One user of a program folder at a time: the wizard and every tarnwick-cli
// command hold the folder's lock, tarnwick.lock, for as long as they run, as
// they all share its state files, batch files and folders.
#pragma once

#include <QLockFile>

#include <memory>
#include <string>

namespace tw {

// The lock of `programDir` for this run, or nothing when another run holds
// it (`refusal` then says so).
std::unique_ptr<QLockFile> lockProgramFolder(const std::string& programDir, std::string& refusal);

} // namespace tw
