// The program's own process and the child processes it starts, the same on
// Linux and on Windows: its id and folder, Ctrl+C in the console, and batch
// runs whose output comes back through a pipe.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace tw::platform {

// The id of this process.
long processId();

// Whether this process runs as the superuser, who passes every permission
// check (never on Windows, where the read-only attribute holds for all).
bool runningAsSuperuser();

// Whether standard error is a terminal (a console on Windows).
bool standardErrorIsTerminal();

// The folder of this program's executable, with its native separator at the
// end ("/opt/tarnwick/", "C:\Tarnwick\").
std::string ownProgramFolder();

// Where the game is usually installed, with its separator at the end: its
// Windows place; empty elsewhere (the dialog then opens in the home folder).
std::string usualGameFolder();

// The name of an executable as the system spells it: `stem` plus ".exe" on
// Windows.
std::string executableName(const std::string& stem);

// From here on Ctrl+C (SIGINT, the console's Ctrl+C and Ctrl+Break) only
// notes that the user wants the step stopped, and wakes `runChild`.
void catchInterrupts();
bool interrupted();

// This program's arguments as UTF-8 texts, its name first. On Windows they
// come from the wide command line: `argv` holds them in the ANSI code page,
// which loses every letter it cannot spell. Elsewhere `argv` as it is.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// The calendar time `t` in UTC.
std::tm utcTime(std::time_t t);

struct ChildOutcome {
    bool started = false;  // false: the program could not be started
    bool stopped = false;  // `stopWanted` said so and the child was killed
    bool exited = false;   // it ended by itself (not killed, not crashed)
    int exitCode = -1;
};

// Runs `program` with `arguments` in `workFolder`, with the environment
// variable `setVariable` ("NAME=value", when not empty) added, and waits for
// it. Its standard output and error go to `onOutput` as they come. The child
// runs in a group of its own (Ctrl+C reaches this process, not the child) and
// dies with this process. `stopWanted` is asked at least every 200 ms and
// after every Ctrl+C; when it says so the child and whatever it started are
// killed and, once they are gone, the outcome is "stopped".
ChildOutcome runChild(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workFolder, const std::string& setVariable,
                      const std::function<void(const char* data, size_t n)>& onOutput,
                      const std::function<bool()>& stopWanted);

} // namespace tw::platform
