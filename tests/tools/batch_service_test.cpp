// Batch runs without a window: the outcome of runs that succeed, fail, are
// stopped or die, what they leave in their folders, and how the runner's
// output is split into lines and progress reports.
#include "platform/process.h"
#include "rfa/archive.h"
#include "support/temp_folder.h"
#include "tools/batch_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace tw::tools {
namespace {

using test::TempFolder;

// Every file below a folder with its bytes.
std::map<std::string, std::string> contents(const fs::path& root) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::ifstream in(e.path(), std::ios::binary);
        all[fs::relative(e.path(), root).string()] =
            e.is_regular_file() ? std::string(std::istreambuf_iterator<char>(in), {}) : "<folder>";
    }
    return all;
}

using End = BatchOutcome::End;

TEST(BatchService, RunsABatchToItsOutcomeAndLeavesTheFoldersAccordingly) {
    // The runner as built; "held" does the whole batch, leaves a sign and
    // waits to be stopped; "dies" does the whole batch and is then killed.
#ifndef _WIN32
    const std::string heldRunner = "#!/bin/sh\n\"$0.real\" \"$@\"\n: > \"$0.sign\"\nsleep 60\n";
    const std::string dyingRunner = "#!/bin/sh\n\"$0.real\" \"$@\"\nkill -9 $$\n";
#endif
    const std::string runner = platform::executableName("tarnwick-batch");
    const std::string copyBoth = "copy \"a.txt\" \"b.txt\"\r\ncopy \"a.txt\" \"c.txt\"\r\n";
    const struct Case {
        const char* what;
        std::string script;
        std::string runner;  // empty: the built runner; "none": no runner
        bool stopAtOnce;
        End end;
        std::string lastLine;
        std::map<std::string, std::string> after;  // the work folder; empty: as before
        std::string printed;                        // a line the run printed
    } cases[] = {
        {"a good run that replaces a file", copyBoth, "", false, End::Finished, "finished",
         {{"a.txt", "a"}, {"b.txt", "a"}, {"c.txt", "a"}, {"work.bat", copyBoth}}, "        1 file(s) copied."},
        {"a run with a failing line", "copy \"none.txt\" \"c.txt\"\r\n", "", false, End::LinesFailed,
         "failed: some lines did not succeed (exit code 1)",
         {{"a.txt", "a"}, {"b.txt", "old"}, {"work.bat", "copy \"none.txt\" \"c.txt\"\r\n"}},
         "The system cannot find the file specified: none.txt"},
#ifndef _WIN32
        // Runners that hold or die, made as shell scripts.
        {"a run stopped after its work", copyBoth, heldRunner, false, End::Stopped,
         "failed: stopped by the user; what it had half made was removed", {}, "        1 file(s) copied."},
        {"a runner killed after its work", copyBoth, dyingRunner, false, End::RunnerDied,
         "failed: the runner stopped unexpectedly; what it had half made was removed", {},
         "        1 file(s) copied."},
#endif
        {"a stop asked before the start", copyBoth, "", true, End::Stopped,
         "failed: stopped by the user; what it had half made was removed", {}, ""},
        {"no runner", copyBoth, "none", false, End::NotStarted, "", {}, ""},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        const std::string program = tmp.dir() + "Program/", work = tmp.dir() + "work/";
        fs::create_directories(program + "temp");
        if (c.runner != "none") {
            fs::copy_file(TW_BUILT_BATCH, program + (c.runner.empty() ? runner : "tarnwick-batch.real"));
            if (!c.runner.empty()) {
                tmp.write("Program/" + runner, c.runner);
                fs::permissions(program + runner, fs::perms::owner_all);
            }
        }
        tmp.write("work/a.txt", "a");
        tmp.write("work/b.txt", "old");
        tmp.write("work/work.bat", c.script);
        const auto before = contents(work);

        BatchJob job(program, work, "work.bat", "1");
        std::vector<std::string> lines;
        job.output().onLine = [&](const std::string& line) { lines.push_back(line); };
        EXPECT_EQ(contents(tmp.path() / "Program/temp").size(), 1u) << c.what;  // its journal
        const BatchOutcome& outcome =
            runToEnd(job, [&] { return c.stopAtOnce || fs::exists(program + "tarnwick-batch.sign"); });

        EXPECT_EQ(outcome.end, c.end) << c.what;
        if (c.end == End::NotStarted) {
            EXPECT_EQ(outcome.line().rfind("failed: " + program + runner + " could not be started (", 0), 0u)
                << outcome.line();
        } else {
            EXPECT_EQ(outcome.line(), c.lastLine) << c.what;
        }
        EXPECT_EQ(contents(work), c.after.empty() ? before : c.after) << c.what;
        EXPECT_TRUE(contents(tmp.path() / "Program/temp").empty()) << c.what;  // the journal went with the run
        if (!c.printed.empty()) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), c.printed), lines.end()) << c.what;
        }
        EXPECT_FALSE(job.running()) << c.what;
    }
}

// The runner's output as it arrives, in pieces, and what is made of it:
// lines ("L"), progress reports as they stand ("p") and whole ("P").
TEST(BatchService, SplitsTheRunnersOutputIntoLinesAndProgress) {
    const struct Case {
        const char* what;
        std::vector<std::string> pieces;
        std::vector<std::string> seen;
    } cases[] = {
        {"lines end with CR LF or LF", {"one\r\ntwo\nthree\r\n"}, {"L one", "L two", "L three"}},
        {"a CR LF split between pieces", {"one\r", "\ntwo\r", "\n"}, {"L one", "L two"}},
        {"blank lines are lines", {"\r\n>copy\r\n"}, {"L ", "L >copy"}},
        {"reports replace each other and are no lines",
         {"\rPacking x.rfa: 1.0 of 20.0 MB (5%)\rPacking x.rfa: 20.0 of 20.0 MB (100%)\nPacked 3 files\n"},
         {"P Packing x.rfa: 1.0 of 20.0 MB (5%) 5 20", "P Packing x.rfa: 20.0 of 20.0 MB (100%) 100 20",
          "L Packed 3 files"}},
        {"a report shown before it is whole", {"\rUnpacking a: 1.0 of", " 2.0 MB (50%)\n"},
         {"p Unpacking a: 1.0 of -1 -1", "P Unpacking a: 1.0 of 2.0 MB (50%) 50 2"}},
        {"a line after a report", {"done\rUnpacking a: 2.0 of 2.0 MB (100%)\r\nExtracted 1 files\r\n"},
         {"L done", "P Unpacking a: 2.0 of 2.0 MB (100%) 100 2", "L Extracted 1 files"}},
        {"the last piece without a line end", {"Extracted 1 files"}, {"L Extracted 1 files"}},
        {"a held CR at the end", {"last\r"}, {"L last"}},
        {"the percentage is the one that closes the report", {"\rPacking a(12%).rfa: 1.0 of 4.0 MB (25%)\n"},
         {"P Packing a(12%).rfa: 1.0 of 4.0 MB (25%) 25 4"}},
    };
    for (const Case& c : cases) {
        RunnerOutput output;
        std::vector<std::string> seen;
        output.onLine = [&](const std::string& line) { seen.push_back("L " + line); };
        output.onProgress = [&](const ProgressReport& r, bool whole) {
            char numbers[64];
            std::snprintf(numbers, sizeof numbers, " %d %g", r.percent, r.megabytes);
            seen.push_back(std::string(whole ? "P " : "p ") + r.text + numbers);
        };
        for (const std::string& piece : c.pieces) output.take(piece);
        output.finish();
        EXPECT_EQ(seen, c.seen) << c.what;
    }
}

// A real unpack reports its progress when the run asks for it, up to 100%.
TEST(BatchService, AnUnpackReportsItsProgress) {
    TempFolder tmp;
    const std::string program = tmp.dir() + "Program/";
    fs::create_directories(program + "temp");
    fs::copy_file(TW_BUILT_BATCH, program + platform::executableName("tarnwick-batch"));
    tmp.write("src/a.con", std::string(300000, 'x'));
    rfa::packFolder(tmp.dir() + "src", "bf1942/levels/Small", program + "Small.rfa");
    tmp.write("Program/unpack.bat", "rfaunpack.exe Small.rfa \r\n");
    BatchJob job(program, program, "unpack.bat", "1");
    int last = -1;
    job.output().onProgress = [&](const ProgressReport& r, bool whole) {
        if (whole) last = r.percent;
    };
    EXPECT_TRUE(runToEnd(job, {}).succeeded());
    EXPECT_EQ(last, 100);
    EXPECT_EQ(tmp.read("Program/bf1942/levels/Small/a.con"), std::string(300000, 'x'));
}

} // namespace
} // namespace tw::tools
