// Starts the command-line tools for their tests: a program with its
// arguments, no shell in between, the same on Linux and on Windows.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#ifndef _WIN32
#include <cstdio>

#include <sys/wait.h>
#endif

namespace tw::test {

struct CommandResult {
    int code;            // exit code, -1 when it did not exit normally
    std::string output;  // what the run kept of standard output and error
};

struct RunOptions {
    std::string folder;                    // the working folder; empty: this process's own
    std::vector<std::string> environment;  // "NAME=value", added to this process's environment
    enum class Keep { Both, Output, Errors } keep = Keep::Both;  // Both: merged as they come
    int timeoutSeconds = 600;              // then it is killed, and the code is -1
};

// The words of `line`, split at blanks; a part in single quotes is kept
// whole, without its quotes ("pack '/tmp/my level'": two words). An
// argument list written as one text, as the tables of tests write it.
inline std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> list;
    std::string word;
    bool inWord = false, quoted = false;
    for (const char c : line) {
        if (c == '\'') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) list.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) list.push_back(word);
    return list;
}

// A path as the system writes it in messages: with '\' on Windows.
inline std::string native(std::string path) {
#ifdef _WIN32
    for (char& c : path)
        if (c == '/') c = '\\';
#endif
    return path;
}

// Runs `program` with `arguments` (UTF-8 texts, passed as they are) and waits
// for it.
inline CommandResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const RunOptions& options = {}) {
    QProcess process;
    QStringList list;
    for (const std::string& a : arguments) list << QString::fromStdString(a);
    if (!options.folder.empty()) process.setWorkingDirectory(QString::fromStdString(options.folder));
    if (!options.environment.empty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const std::string& v : options.environment) {
            const size_t eq = v.find('=');
            environment.insert(QString::fromStdString(v.substr(0, eq)), QString::fromStdString(v.substr(eq + 1)));
        }
        process.setProcessEnvironment(environment);
    }
    switch (options.keep) {
    case RunOptions::Keep::Both: process.setProcessChannelMode(QProcess::MergedChannels); break;
    case RunOptions::Keep::Output: process.setStandardErrorFile(QProcess::nullDevice()); break;
    case RunOptions::Keep::Errors: process.setStandardOutputFile(QProcess::nullDevice()); break;
    }
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), list);
    if (!process.waitForStarted(60000)) return {-1, program + " could not be started"};
    const bool ended = process.waitForFinished(options.timeoutSeconds * 1000);
    if (!ended) {
        process.kill();
        process.waitForFinished(10000);
    }
    const QByteArray bytes =
        options.keep == RunOptions::Keep::Errors ? process.readAllStandardError() : process.readAllStandardOutput();
    std::string output = bytes.toStdString();
#ifdef _WIN32
    // A Windows program ends its printed lines with CR LF; the tests read them as lines.
    std::string lines;
    for (size_t i = 0; i < output.size(); ++i)
        if (output[i] != '\r' || i + 1 == output.size() || output[i + 1] != '\n') lines += output[i];
    output.swap(lines);
#endif
    const bool normal = ended && process.exitStatus() == QProcess::NormalExit;
    return {normal ? process.exitCode() : -1, output};
}

#ifndef _WIN32
// Runs a shell command line, for the few tests whose point is the shell (a
// script as the README gives it). Linux only.
inline CommandResult runCommand(const std::string& command) {
    CommandResult r{};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, "popen failed"};
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
#endif

} // namespace tw::test
