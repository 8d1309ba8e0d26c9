// Runs a batch file the wizard wrote, on any system: it knows exactly the
// command forms the wizard writes (copy, del, rfaunpack.exe, rfaPack.exe) and
// nothing else, and never hands a line to a shell. Copy and del lines are
// carried out only in the exact form the wizard writes them; an unpack takes
// only the level folder the batch is about (named after the first archive
// it unpacks) and leaves every other entry out; no copy runs once a line has
// failed.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tw::batch {

// Splits a command line as the Windows command interpreter does for these
// commands: blanks and tabs separate words, double quotes group and vanish.
std::vector<std::string> splitWords(const std::string& line);

struct RunResult {
    int lines = 0;   // commands run
    int failed = 0;  // commands that failed
};

// Runs every line of `batchFile` with `folder` as the working folder; what a
// console would show goes to `print`, line by line. A failing line does not
// stop the run.
RunResult runBatchFile(const std::string& batchFile, const std::string& folder,
                       const std::function<void(const std::string&)>& print);

} // namespace tw::batch
