// Compresses blocks on worker threads and hands the results back in the order
// they were submitted. At most `window` blocks are in flight, so memory stays
// bounded whatever the archive's size.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tw::rfa {

class BlockPipeline {
public:
    using Work = std::function<std::vector<unsigned char>(const std::vector<unsigned char>&)>;

    BlockPipeline(unsigned threads, Work work);
    ~BlockPipeline();
    BlockPipeline(const BlockPipeline&) = delete;
    BlockPipeline& operator=(const BlockPipeline&) = delete;

    size_t window() const { return window_; }
    size_t inFlight() const;
    void submit(std::vector<unsigned char> input);
    // Waits for the oldest block and returns its result; a failure in the
    // work is raised here.
    std::vector<unsigned char> next();

private:
    struct Task {
        std::vector<unsigned char> input;
        std::vector<unsigned char> output;
        std::exception_ptr error;
        bool done = false;
    };
    void run();

    Work work_;
    size_t window_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Task>> order_;
    std::deque<std::shared_ptr<Task>> pending_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace tw::rfa
