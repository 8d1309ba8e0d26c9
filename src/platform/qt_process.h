// Child processes the wizard starts through QProcess.
#pragma once

class QProcess;

namespace tw::platform {

// Makes the child that `process` is about to start die with this program,
// even when the program is killed: on Linux through the parent-death signal,
// on Windows through a job object that ends with the program. Called before
// QProcess::start.
void endWithThisProgram(QProcess& process);

} // namespace tw::platform
