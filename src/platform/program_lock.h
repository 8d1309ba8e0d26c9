// One user of a program folder at a time: the wizard and every tarnwick-cli
// command hold the folder's lock, tarnwick.lock, for as long as they run, as
// they all share its state files, batch files and folders.
#pragma once

#include <memory>
#include <string>

namespace tw {

// A held lock; dropping it frees the folder. A killed run's lock does not
// keep the folder locked.
class ProgramLock {
public:
    virtual ~ProgramLock() = default;
};

// The lock of `programDir` for this run, or nothing when another run holds
// it (`refusal` then says so).
std::unique_ptr<ProgramLock> lockProgramFolder(const std::string& programDir, std::string& refusal);

} // namespace tw
