#include "rfa/block_pipeline.h"

namespace tw::rfa {

BlockPipeline::BlockPipeline(unsigned threads, Work work) : work_(std::move(work)) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    window_ = size_t{threads} * 4;
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { run(); });
}

BlockPipeline::~BlockPipeline() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
}

size_t BlockPipeline::inFlight() const {
    std::lock_guard lock(mutex_);
    return order_.size();
}

void BlockPipeline::submit(std::vector<unsigned char> input) {
    auto task = std::make_shared<Task>();
    task->input = std::move(input);
    {
        std::lock_guard lock(mutex_);
        order_.push_back(task);
        pending_.push_back(task);
    }
    wake_.notify_one();
}

std::vector<unsigned char> BlockPipeline::next() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return order_.front()->done; });
    auto task = order_.front();
    order_.pop_front();
    lock.unlock();
    if (task->error) std::rethrow_exception(task->error);
    return std::move(task->output);
}

void BlockPipeline::run() {
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
            if (pending_.empty()) return;
            task = pending_.front();
            pending_.pop_front();
        }
        try {
            task->output = work_(task->input);
        } catch (...) {
            task->error = std::current_exception();
        }
        task->input = {};
        {
            std::lock_guard lock(mutex_);
            task->done = true;
        }
        finished_.notify_all();
    }
}

} // namespace tw::rfa
