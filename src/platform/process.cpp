#include "platform/process.h"

#include "platform/fd_io.h"

#include <csignal>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#else
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#endif

namespace tw::platform {

namespace {
volatile std::sig_atomic_t interruptedFlag = 0;
} // namespace

bool interrupted() { return interruptedFlag != 0; }

std::string executableName(const std::string& stem) {
#ifdef _WIN32
    return stem + ".exe";
#else
    return stem;
#endif
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        std::vector<std::string> list;
        for (int i = 0; i < count; ++i) list.push_back(utf8FromPath(std::filesystem::path(wide[i])));
        ::LocalFree(wide);
        if (count == argc) return list;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

std::string usualGameFolder() {
#ifdef _WIN32
    return "C:\\Program Files (x86)\\EA GAMES\\Battlefield 1942\\";
#else
    return {};
#endif
}

#ifdef _WIN32

namespace {

HANDLE wakeEvent = nullptr;

std::wstring widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& s) {
    if (s.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// One argument of a command line as the C runtime splits it again.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

BOOL WINAPI onConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    interruptedFlag = 1;
    if (wakeEvent) ::SetEvent(wakeEvent);
    return TRUE;
}

struct Handle {
    HANDLE h = nullptr;
    ~Handle() {
        if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
};

} // namespace

long processId() { return static_cast<long>(::GetCurrentProcessId()); }

bool runningAsSuperuser() { return false; }

bool standardErrorIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::string ownProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const size_t cut = path.find_last_of(L"\\/");
    return narrow(cut == std::wstring::npos ? std::wstring(L".\\") : path.substr(0, cut + 1));
}

void catchInterrupts() {
    if (!wakeEvent) wakeEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

std::tm utcTime(std::time_t t) {
    std::tm out{};
    ::gmtime_s(&out, &t);
    return out;
}

ChildOutcome runChild(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workFolder, const std::string& setVariable,
                      const std::function<void(const char* data, size_t n)>& onOutput,
                      const std::function<bool()>& stopWanted) {
    ChildOutcome outcome;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle readEnd, writeEnd, nul;
    if (!::CreatePipe(&readEnd.h, &writeEnd.h, &inheritable, 0)) return outcome;
    ::SetHandleInformation(readEnd.h, HANDLE_FLAG_INHERIT, 0);
    nul.h = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                          nullptr);

    // The child and everything it starts live in a job that dies with this
    // process (its last handle closes) or when the run is stopped.
    Handle job;
    job.h = ::CreateJobObjectW(nullptr, nullptr);
    if (job.h) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(job.h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    std::wstring commandLine = quoted(widen(program));
    for (const auto& arg : arguments) commandLine += L" " + quoted(widen(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.h;
    startup.hStdOutput = writeEnd.h;
    startup.hStdError = writeEnd.h;

    // The variable reaches the child through this process's environment,
    // set for the moment of the start only.
    std::wstring name, earlier;
    bool hadEarlier = false;
    if (const size_t eq = setVariable.find('='); eq != std::string::npos) {
        name = widen(setVariable.substr(0, eq));
        wchar_t buffer[1024];
        const DWORD n = ::GetEnvironmentVariableW(name.c_str(), buffer, 1024);
        hadEarlier = n > 0 && n < 1024;
        if (hadEarlier) earlier.assign(buffer, n);
        ::SetEnvironmentVariableW(name.c_str(), widen(setVariable.substr(eq + 1)).c_str());
    }
    PROCESS_INFORMATION info{};
    const std::wstring program16 = widen(program), folder16 = widen(workFolder);
    const BOOL started = ::CreateProcessW(program16.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT,
                                          nullptr, folder16.empty() ? nullptr : folder16.c_str(), &startup, &info);
    if (!name.empty()) ::SetEnvironmentVariableW(name.c_str(), hadEarlier ? earlier.c_str() : nullptr);
    ::CloseHandle(writeEnd.h);
    writeEnd.h = nullptr;
    if (!started) return outcome;
    outcome.started = true;
    Handle process, thread;
    process.h = info.hProcess;
    thread.h = info.hThread;
    if (job.h) ::AssignProcessToJobObject(job.h, process.h);
    ::ResumeThread(thread.h);

    char buffer[4096];
    for (;;) {
        if (!outcome.stopped && stopWanted && stopWanted()) {
            outcome.stopped = true;
            if (job.h) ::TerminateJobObject(job.h, 1);
            ::TerminateProcess(process.h, 1);
        }
        DWORD available = 0;
        if (!::PeekNamedPipe(readEnd.h, nullptr, 0, nullptr, &available, nullptr)) break;  // every writer is gone
        if (available > 0) {
            DWORD n = 0;
            if (!::ReadFile(readEnd.h, buffer, available < sizeof buffer ? available : sizeof buffer, &n, nullptr) ||
                n == 0)
                break;
            if (!outcome.stopped && onOutput) onOutput(buffer, n);
            continue;
        }
        HANDLE waits[2] = {process.h, wakeEvent};
        ::WaitForMultipleObjects(wakeEvent ? 2 : 1, waits, FALSE, 50);
    }
    ::WaitForSingleObject(process.h, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.h, &code);
    // An exception code (0xC0000005 ...) is a crash, not an exit.
    outcome.exited = !outcome.stopped && code < 0xC0000000u;
    outcome.exitCode = static_cast<int>(code);
    return outcome;
}

#else

namespace {

int wakePipe[2] = {-1, -1};

void onInterrupt(int) {
    interruptedFlag = 1;
    if (wakePipe[1] >= 0) {
        const char c = 'i';
        [[maybe_unused]] const auto n = ::write(wakePipe[1], &c, 1);
    }
}

} // namespace

long processId() { return static_cast<long>(::getpid()); }

bool runningAsSuperuser() { return ::geteuid() == 0; }

bool standardErrorIsTerminal() { return ::isatty(2) == 1; }

std::string ownProgramFolder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
}

void catchInterrupts() {
    if (wakePipe[0] < 0 && ::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
}

std::tm utcTime(std::time_t t) {
    std::tm out{};
    ::gmtime_r(&t, &out);
    return out;
}

ChildOutcome runChild(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workFolder, const std::string& setVariable,
                      const std::function<void(const char* data, size_t n)>& onOutput,
                      const std::function<bool()>& stopWanted) {
    ChildOutcome outcome;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return outcome;
    // Everything the child needs is made before the fork.
    std::vector<std::string> argStrings;
    argStrings.push_back(std::filesystem::path(program).filename().string());
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string variable = setVariable;
    const pid_t child = ::fork();
    if (child == 0) {
        // Its own process group: Ctrl+C reaches this process, which stops
        // the run and cleans up after it, not the child in the middle of a line.
        ::setpgid(0, 0);
#ifdef __linux__
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::signal(SIGINT, SIG_DFL);
        if (!workFolder.empty() && ::chdir(workFolder.c_str()) != 0) ::_exit(127);
        if (!variable.empty()) ::putenv(variable.data());
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    if (child < 0) {
        ::close(out[0]);
        return outcome;
    }
    outcome.started = true;
    ::setpgid(child, child);

    char buffer[4096];
    for (;;) {
        if (!outcome.stopped && stopWanted && stopWanted()) {
            outcome.stopped = true;
            ::kill(-child, SIGKILL);
            ::kill(child, SIGKILL);
        }
        pollfd fds[2] = {{out[0], POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        const int ready = ::poll(fds, wakePipe[0] >= 0 ? 2 : 1, 200);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            while (::read(wakePipe[0], buffer, sizeof buffer) > 0) {
            }
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP))) {
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0) break;
            if (!outcome.stopped && onOutput) onOutput(buffer, static_cast<size_t>(n));
        }
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.exited = !outcome.stopped && WIFEXITED(status);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

#endif

} // namespace tw::platform
