// One run of a batch file: its identity and, once it has ended, its outcome.
// Whatever depends on a batch holds the handle of that run and learns from it
// whether it succeeded, never from a flag that another run could change.
#pragma once

#include "platform/services.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tw::tools {

class BatchRun {
public:
    enum class Outcome { Running, Succeeded, Failed, Stopped };

    // Starts `name` in `folder` through the shell; returns at once.
    static std::shared_ptr<BatchRun> start(Shell& shell, const std::string& folder, const std::string& name);

    unsigned long long id() const { return id_; }  // unique within the program's run
    const std::string& name() const { return name_; }
    const std::string& folder() const { return folder_; }
    Outcome outcome() const { return outcome_; }
    bool running() const { return outcome_ == Outcome::Running; }
    bool succeeded() const { return outcome_ == Outcome::Succeeded; }

    // Called once when the run has ended; at once when it has already.
    void whenEnded(std::function<void(const BatchRun&)> callback);
    // Stops the run if it still runs and the shell can stop it.
    void stop();

    BatchRun(std::string name, std::string folder);

private:
    void end(Shell::BatchEnd end);

    unsigned long long id_;
    std::string name_, folder_;
    Outcome outcome_ = Outcome::Running;
    bool stopping_ = false;
    std::function<void()> stopper_;
    std::vector<std::function<void(const BatchRun&)>> callbacks_;
};

using RunHandle = std::shared_ptr<BatchRun>;

// Whether a run is still going (a missing handle is no run).
inline bool isRunning(const RunHandle& run) { return run && run->running(); }

} // namespace tw::tools
