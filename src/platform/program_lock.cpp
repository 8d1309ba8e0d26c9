#include "platform/program_lock.h"

namespace tw {

std::unique_ptr<QLockFile> lockProgramFolder(const std::string& programDir, std::string& refusal) {
    auto lock = std::make_unique<QLockFile>(QString::fromStdString(programDir + "tarnwick.lock"));
    lock->setStaleLockTime(0);  // held for the whole run: only a dead holder makes it stale
    if (lock->tryLock(0)) return lock;
    if (lock->error() != QLockFile::LockFailedError) return lock;  // a folder that cannot hold a lock: go on
    qint64 pid = 0;
    QString host, application;
    lock->getLockInfo(&pid, &host, &application);
    refusal = "Tarnwick is already running on this program folder (" + programDir + ", process " +
              std::to_string(pid) + "): the wizard's window or a tarnwick-cli command. Wait until it has finished, or use "
              "that window; two at once would share every state file.";
    return nullptr;
}

} // namespace tw
