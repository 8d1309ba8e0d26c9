#include "tools/batch_service.h"

#include "platform/files.h"
#include "platform/process.h"

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <set>

namespace tw::tools {
namespace {

// Every run of this program that has not ended yet.
std::mutex& runsLock() {
    static std::mutex lock;
    return lock;
}
std::set<const BatchJob*>& runs() {
    static std::set<const BatchJob*> all;
    return all;
}

std::string trimmed(const std::string& s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    size_t from = 0, to = s.size();
    while (from < to && blank(s[from])) ++from;
    while (to > from && blank(s[to - 1])) --to;
    return s.substr(from, to - from);
}

} // namespace

std::string BatchOutcome::line() const {
    switch (end) {
    case End::Finished: return "finished";
    case End::LinesFailed: return "failed: some lines did not succeed (exit code " + std::to_string(exitCode) + ")";
    case End::RunnerDied: return "failed: the runner stopped unexpectedly; what it had half made was removed";
    case End::NotStarted: return "failed: " + program + " could not be started (" + reason + ")";
    case End::Stopped: return "failed: stopped by the user; what it had half made was removed";
    }
    return "failed";
}

ProgressReport readProgress(const std::string& text) {
    ProgressReport report;
    report.text = trimmed(text);
    const std::string& t = report.text;
    // The percentage closes the report: "(N%)" with one to three digits.
    const size_t close = t.rfind("%)");
    const size_t open = close == std::string::npos ? std::string::npos : t.rfind('(', close);
    if (open != std::string::npos && close - open - 1 >= 1 && close - open - 1 <= 3) {
        int percent = 0;
        bool digits = true;
        for (size_t i = open + 1; i < close; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(t[i]))) digits = false;
            else percent = percent * 10 + (t[i] - '0');
        }
        if (digits) report.percent = std::min(100, percent);
    }
    const size_t of = t.rfind(" of ");
    if (of != std::string::npos) {
        char* end = nullptr;
        const double megabytes = std::strtod(t.c_str() + of + 4, &end);
        if (end != t.c_str() + of + 4) report.megabytes = megabytes;
    }
    return report;
}

void RunnerOutput::progress(const std::string& part, bool whole) {
    if (onProgress) onProgress(readProgress(part), whole);
}

void RunnerOutput::take(const char* data, size_t size) {
    pending_.append(data, size);
    size_t start = 0;
    for (size_t i = 0; i < pending_.size(); ++i) {
        const char c = pending_[i];
        if (c != '\n' && c != '\r') continue;
        if (c == '\r' && i + 1 == pending_.size()) break;  // CR LF or a lone CR: not known yet
        const std::string part = pending_.substr(start, i - start);
        const bool crlf = c == '\r' && pending_[i + 1] == '\n';
        const bool loneCr = c == '\r' && !crlf;
        if (progressPart_) {
            if (!part.empty()) progress(part, true);
        } else if (!(loneCr && part.empty())) {
            if (onLine) onLine(part);
        }
        if (crlf) ++i;
        progressPart_ = loneCr;
        start = i + 1;
    }
    pending_.erase(0, start);
    if (progressPart_ && !pending_.empty() && pending_.find('\r') == std::string::npos)
        progress(pending_, false);  // an unfinished report, as it stands
}

void RunnerOutput::finish() {
    if (pending_.empty()) return;
    // As if a line end followed: a CR held back becomes CR LF.
    take("\n", 1);
}

std::string journalFolder(const std::string& programDir) {
    return programDir + "temp" + trailingSeparator(programDir);
}

BatchJob::BatchJob(const std::string& programDir, const std::string& folder, const std::string& name,
                   const std::string& tag)
    : program_(programDir + platform::executableName("tarnwick-batch")), arguments_{name},
      workFolder_(resolvePath(folder).string()) {
    // What the run would make, noted before it starts, so that stopping it
    // (or the next start after a killed run) can take it away again.
    try {
        footprint_ = takeFootprint(folder + name, folder);
        keepReplacedFiles(footprint_);
    } catch (const std::exception&) {
        // A batch file that cannot be read fails in the runner.
    }
    const std::string journal = journalFolder(programDir) + "run-" +
                                std::to_string(platform::processId()) + "-" + tag + ".journal";
    try {
        writeBytes(journal, journalText(footprint_));
        journal_ = journal;
    } catch (const std::exception&) {
        // Without a temp folder the run goes on without a journal.
    }
    std::lock_guard<std::mutex> hold(runsLock());
    runs().insert(this);
}

BatchJob::BatchJob(std::string program, std::vector<std::string> arguments, std::string workFolder)
    : program_(std::move(program)), arguments_(std::move(arguments)), workFolder_(std::move(workFolder)) {
    std::lock_guard<std::mutex> hold(runsLock());
    runs().insert(this);
}

BatchJob::~BatchJob() {
    // A run that never ended (its process killed with its window) keeps its
    // journal: the next start cleans up after it.
    std::lock_guard<std::mutex> hold(runsLock());
    runs().erase(this);
}

bool BatchJob::othersRunning() const {
    std::lock_guard<std::mutex> hold(runsLock());
    for (const BatchJob* run : runs())
        if (run != this && run->running()) return true;
    return false;
}

const BatchOutcome& BatchJob::end(BatchOutcome outcome, bool undo) {
    if (outcome_) return *outcome_;
    output_.finish();
    if (undo) undoRun(footprint_, !othersRunning());
    else dropKeptFiles(footprint_);
    if (!journal_.empty()) deleteFile(journal_);
    outcome_ = std::move(outcome);
    return *outcome_;
}

const BatchOutcome& BatchJob::notStarted(const std::string& reason) {
    BatchOutcome o;
    o.end = BatchOutcome::End::NotStarted;
    o.program = program_;
    o.reason = reason;
    return end(std::move(o), false);
}

const BatchOutcome& BatchJob::exited(int exitCode) {
    BatchOutcome o;
    o.end = exitCode == 0 ? BatchOutcome::End::Finished : BatchOutcome::End::LinesFailed;
    o.exitCode = exitCode;
    return end(std::move(o), false);
}

const BatchOutcome& BatchJob::died() {
    BatchOutcome o;
    o.end = BatchOutcome::End::RunnerDied;
    return end(std::move(o), true);
}

const BatchOutcome& BatchJob::stopped() {
    BatchOutcome o;
    o.end = BatchOutcome::End::Stopped;
    return end(std::move(o), true);
}

const BatchOutcome& runToEnd(BatchJob& job, const std::function<bool()>& stopWanted) {
    if (!job.running()) return *job.outcome();
    if (stopWanted && stopWanted()) return job.stopped();
    // A missing runner would only show as the exit code of a child that
    // could not become it.
    if (!fileExists(job.program())) return job.notStarted("there is no such file");
    const platform::ChildOutcome run = platform::runChild(
        job.program(), job.arguments(), job.workFolder(), BatchJob::progressVariable(),
        [&](const char* data, size_t n) { job.output().take(data, n); },
        [&] { return stopWanted && stopWanted(); });
    if (!run.started) return job.notStarted("it could not be run");
    if (run.stopped) return job.stopped();
    if (!run.exited) return job.died();
    return job.exited(run.exitCode);
}

} // namespace tw::tools
