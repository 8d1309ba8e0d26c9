// One batch run from start to end, the same for the console window and for
// tarnwick-cli: what the run will write is noted before it starts, the files
// it replaces are kept, a journal lets the next start clean up after a run
// killed with the program, and its end is one outcome: finished, lines
// failed, runner died, not started, or stopped (then what it had half made is
// removed and what it replaced is put back). What the runner prints is split
// here, once, into lines and progress reports. No widgets: the console window
// and the command line are views of a run.
#pragma once

#include "tools/run_footprint.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tw::tools {

// How one run ended, and the last line its console shows.
struct BatchOutcome {
    enum class End { Finished, LinesFailed, RunnerDied, NotStarted, Stopped };
    End end = End::Finished;
    int exitCode = 0;     // LinesFailed: the runner's exit code
    std::string program;  // NotStarted: the program that could not be started
    std::string reason;   // NotStarted: why

    bool succeeded() const { return end == End::Finished; }
    bool stopped() const { return end == End::Stopped; }
    // "finished" or "failed: ..." as the console ends with it.
    std::string line() const;
};

// A progress report of the runner, "Packing X.rfa: 1.0 of 20.0 MB (5%)".
struct ProgressReport {
    std::string text;        // as printed, blanks around it taken off
    int percent = -1;        // the "(N%)" at its end, at most 100; -1 without one
    double megabytes = -1;   // the size after its last " of "; -1 without one
};
ProgressReport readProgress(const std::string& text);

// What the runner prints, split as a console shows it: lines end with LF or
// CR LF; a part after a lone CR is a progress report that replaces the one
// before and is no line. A report still being written is handed on as it
// stands (`whole` false), and again once it is whole.
class RunnerOutput {
public:
    std::function<void(const std::string& line)> onLine;
    std::function<void(const ProgressReport& report, bool whole)> onProgress;

    void take(const char* data, size_t size);
    void take(const std::string& bytes) { take(bytes.data(), bytes.size()); }
    // The runner has ended: what it printed last without a line end goes out.
    void finish();

private:
    void progress(const std::string& part, bool whole);

    std::string pending_;        // after the last line end or carriage return
    bool progressPart_ = false;  // pending_ follows a lone CR
};

// Where the journals of running batches lie: `programDir` + "temp".
std::string journalFolder(const std::string& programDir);

// One run of a batch file by the program's runner: `tarnwick-batch NAME` in
// the batch file's folder, with the archive tools asked for their progress.
// Whoever starts the process tells the run how it ended, once; the run then
// keeps what it replaced or puts it back, and removes its journal.
class BatchJob {
public:
    // The run of `name` in `folder` with the runner of `programDir`: notes
    // what it will write, keeps what it replaces, and writes its journal
    // temp/run-<process id>-<tag>.journal in `programDir`.
    BatchJob(const std::string& programDir, const std::string& folder, const std::string& name,
             const std::string& tag);
    // A run of `program` with `arguments` in `workFolder` that writes
    // nothing the program could take away: no footprint, no journal.
    BatchJob(std::string program, std::vector<std::string> arguments, std::string workFolder);
    ~BatchJob();
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    const std::string& program() const { return program_; }
    const std::vector<std::string>& arguments() const { return arguments_; }
    const std::string& workFolder() const { return workFolder_; }
    // The environment variable the process gets, "NAME=value".
    static const char* progressVariable() { return "TARNWICK_PROGRESS=1"; }
    const RunFootprint& footprint() const { return footprint_; }
    RunnerOutput& output() { return output_; }

    bool running() const { return !outcome_; }
    const std::optional<BatchOutcome>& outcome() const { return outcome_; }

    // The ends. The first one told counts; each returns the outcome.
    const BatchOutcome& notStarted(const std::string& reason);
    const BatchOutcome& exited(int exitCode);  // ended by itself: what it replaced stays replaced
    const BatchOutcome& died();                // killed or crashed: its half work is taken away
    const BatchOutcome& stopped();             // stopped on request, process gone: taken away too

private:
    const BatchOutcome& end(BatchOutcome outcome, bool undo);
    // Whether another run of this program is going beside this one: then the
    // temporary files in its folders may be that run's work in progress.
    bool othersRunning() const;

    std::string program_;
    std::vector<std::string> arguments_;
    std::string workFolder_;
    RunFootprint footprint_;
    std::string journal_;  // empty: none written
    RunnerOutput output_;
    std::optional<BatchOutcome> outcome_;
};

// Runs `job` as a child process and waits for its end, without a window:
// its output goes to job.output(); `stopWanted` is asked while it runs and
// stops it when it says so. With stopWanted already true nothing is started.
const BatchOutcome& runToEnd(BatchJob& job, const std::function<bool()>& stopWanted);

} // namespace tw::tools
