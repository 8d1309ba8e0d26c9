// tarnwick-cli's commands: each lives in a file of its own (cmd_<name>.cpp)
// and has one line in the command table of tarnwick_cli.cpp.
#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>

namespace tw::cli {

// Exit codes of every command.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;     // the message on standard error says why
inline constexpr int kBadUsage = 2;

struct Command {
    const char* name;
    const char* summary;  // one line for the overview
    // Runs the command with its own arguments: the first is
    // "tarnwick-cli <name>", the rest follow it. An exception thrown here is
    // printed as the failure's message and ends the run with kFailed.
    int (*run)(const QStringList& arguments);
};

// Parses a command's arguments with the options and positional arguments
// already set on `parser` (a --help option is added here). Returns the exit
// code to end with at once: kDone after printing the help, kBadUsage after
// printing what is wrong and the help, kFailed when another run holds the
// program folder (its lock is then taken for the rest of this run, as the
// wizard takes it, and what runs killed earlier left is cleaned up, as at
// the wizard's start); nothing when the command may go on.
// `minPositional`/`maxPositional` bound the count of positional arguments
// (maxPositional < 0: no bound). Commands that only read (check, and
// pathmaps unless it writes) take no lock here, so they run beside the
// wizard; one that then writes takes it with holdProgramFolder().
std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& arguments, int minPositional,
                                  int maxPositional);

// Takes the program folder's lock for the rest of this run (kFailed, with
// the refusal printed, when another run holds it).
std::optional<int> holdProgramFolder();

// The folder this tool lives in, the program folder, with a trailing '/'.
std::string programDir();

// A QString as UTF-8, as every string is held in memory.
inline std::string utf8(const QString& s) { return s.toStdString(); }

// The commands.
int addonCommand(const QStringList& arguments);
int areasCommand(const QStringList& arguments);
int checkCommand(const QStringList& arguments);
int firstPackCommand(const QStringList& arguments);
int transferCommand(const QStringList& arguments);
int packCommand(const QStringList& arguments);
int mergeCommand(const QStringList& arguments);
int pathmapsCommand(const QStringList& arguments);
int pictureCommand(const QStringList& arguments);

} // namespace tw::cli
