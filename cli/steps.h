// What the packing commands share: the add-on and its saved state as the
// wizard keeps them, batch runs as child processes with their progress on
// standard error, and Ctrl+C, which stops a step as "Stop now" does.
#pragma once

#include "packing/operations.h"
#include "state/conversion.h"
#include "tools/batch_service.h"

#include <optional>
#include <string>
#include <vector>

namespace tw::cli {

// ---- The add-on and its state.

// The conversion of the add-on folder `addon` (a folder <map>_001 in the
// program folder's bf1942/levels/), as state::openConversion takes it up.
// Raises a message for a missing add-on or a folder that is none of this
// program folder's add-ons.
state::Conversion addonState(const std::string& programDir, const std::string& addon);
// A game folder given on the command line, checked and with its separator.
std::string gameFolder(const std::string& given);
// A target given on the command line: a folder takes <map>_001.rfa, an
// archive path must end in ".rfa". Returns the stem the packing appends
// ".rfa" to; raises a message for anything else or a place that cannot be
// written.
std::string packTargetStem(const std::string& given, const state::Conversion& state);
// A step's problems refuse it as the window's do.
using packing::refuseOnProblems;

// ---- Ctrl+C.

// From here on SIGINT only notes that the user wants the step stopped.
void catchInterrupts();
bool interrupted();

// A file's bytes as they were, to put back when the step is stopped (the
// batch files a step rewrites).
class KeptFile {
public:
    explicit KeptFile(std::string path);
    void putBack() const;

private:
    std::string path_;
    std::optional<std::string> bytes_;
};

// ---- Batch runs.

// Runs the batch file `name` that the step has just written in `folder` with
// the program's batch runner, as a child process, and waits for it. Its
// output and progress go to standard error (a bar on a terminal, plain lines
// otherwise). On Ctrl+C the run is stopped, what it had made is removed and
// every file it had replaced is put back, so the folders are as before.
tools::BatchOutcome runBatch(const std::string& programDir, const std::string& folder, const std::string& name);

// The line of a stopped step.
int stopped(const std::string& what);

} // namespace tw::cli
