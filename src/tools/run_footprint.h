// What a batch run may leave behind when it is cut short, and how to take it
// away again. Taken before the run starts, from the batch's own lines: the
// files its copy and pack lines would make, and the files its unpack lines
// would extract, each noted only when it did not exist yet. Stopping removes
// exactly those, the temporary files of unfinished writes, and the folders
// the run made; whatever existed before the run stays as it is.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tw::tools {

struct RunFootprint {
    std::vector<std::string> newFiles;    // files a line makes that did not exist before
    std::vector<std::string> newFolders;  // folders an unpack would make, deepest first
    std::vector<std::string> scanned;     // folders where unfinished writes leave temporary files
    std::vector<std::string> scratch;     // copies the batch deletes itself at its end
    std::vector<std::string> replaced;    // files a line replaces that exist already
    std::vector<std::pair<std::string, std::string>> kept;  // a replaced file and its keeping name
};

// Reads the batch file `batchFile` (run in `folder`) and notes what of its
// work does not exist yet. Lines it does not know are passed over.
RunFootprint takeFootprint(const std::string& batchFile, const std::string& folder);

// Before the run starts: keeps each file it would replace under a hidden name
// beside it (a second link to the same file; the runner writes every file
// under a temporary name and renames it over the old one), so that undoRun
// can put it back. The kept names are temporary files' names, so a run
// killed with the program leaves none behind after the next start.
void keepReplacedFiles(RunFootprint& footprint);
// After a run that ended by itself: the kept files are not needed.
void dropKeptFiles(RunFootprint& footprint);

// Removes what a stopped run had made (see above) and puts back the files it
// had replaced. The temporary files and
// staging folders in its folders are swept only with `sweepUnfinished`: when
// another batch runs beside it, they may be that batch's work in progress.
void undoRun(const RunFootprint& footprint, bool sweepUnfinished = true);

// The journal of a running batch: written when it starts, removed when it
// ends. A journal still there at the next start belongs to a run that was
// killed with the program; cleanUpKilledRuns removes its scratch copies
// (only inside `programDir`) and temporary files, never a file that existed
// before that run.
std::string journalText(const RunFootprint& footprint);
void cleanUpKilledRuns(const std::string& journalFolder, const std::string& programDir);

// Names of the temporary files that unfinished atomic writes leave.
bool isUnfinishedWrite(const std::string& fileName);
// Names of the folders an unpack stages its files in before they move into
// place; a cut-short unpack leaves one behind, with whatever it held.
bool isUnpackStaging(const std::string& folderName);

} // namespace tw::tools
