#include "tools/batch_run.h"

namespace tw::tools {
namespace {
unsigned long long nextId() {
    static unsigned long long last = 0;
    return ++last;
}
} // namespace

BatchRun::BatchRun(std::string name, std::string folder)
    : id_(nextId()), name_(std::move(name)), folder_(std::move(folder)) {}

RunHandle BatchRun::start(Shell& shell, const std::string& folder, const std::string& name) {
    auto run = std::make_shared<BatchRun>(name, folder);
    // The shell keeps the run alive until it has ended.
    run->stopper_ = shell.startBatchRun(name, folder, [run](Shell::BatchEnd end) { run->end(end); });
    return run;
}

void BatchRun::whenEnded(std::function<void(const BatchRun&)> callback) {
    if (!running()) callback(*this);
    else callbacks_.push_back(std::move(callback));
}

void BatchRun::stop() {
    if (!running() || !stopper_) return;
    stopping_ = true;
    stopper_();
}

void BatchRun::end(Shell::BatchEnd end) {
    if (!running()) return;
    // A run stopped in its console, or through stop(), was stopped, not failed.
    if (end == Shell::BatchEnd::Succeeded) outcome_ = Outcome::Succeeded;
    else if (end == Shell::BatchEnd::Stopped || stopping_) outcome_ = Outcome::Stopped;
    else outcome_ = Outcome::Failed;
    auto callbacks = std::move(callbacks_);
    callbacks_.clear();
    stopper_ = nullptr;
    for (auto& c : callbacks) c(*this);
}

} // namespace tw::tools
