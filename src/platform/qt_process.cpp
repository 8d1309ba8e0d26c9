#include "platform/qt_process.h"

#include <QProcess>

#ifdef _WIN32
#include <windows.h>
#elif defined(__linux__)
#include <csignal>
#include <sys/prctl.h>
#endif

namespace tw::platform {

#ifdef _WIN32
namespace {
// One job for every child; its only handle closes when the program ends,
// which kills whatever is still in it.
HANDLE childrenJob() {
    static const HANDLE job = [] {
        const HANDLE h = ::CreateJobObjectW(nullptr, nullptr);
        if (h) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            ::SetInformationJobObject(h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        return h;
    }();
    return job;
}
} // namespace
#endif

void endWithThisProgram(QProcess& process) {
#ifdef _WIN32
    QObject::connect(&process, &QProcess::started, &process, [p = &process] {
        const HANDLE job = childrenJob();
        if (!job) return;
        const HANDLE child = ::OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE,
                                           static_cast<DWORD>(p->processId()));
        if (!child) return;
        ::AssignProcessToJobObject(job, child);
        ::CloseHandle(child);
    });
#elif defined(__linux__)
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#else
    (void)process;
#endif
}

} // namespace tw::platform
