// A copy of a big file made on a thread of its own, so the window stays
// responsive: it shows how far it is and can be stopped. The copy appears
// whole at its target or not at all; a stopped or failed one leaves the
// target as it was.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace tw::packing {

class ArchiveCopy {
public:
    ArchiveCopy(std::string from, std::string to);  // starts at once
    ~ArchiveCopy();                                  // stops it and waits for its end
    ArchiveCopy(const ArchiveCopy&) = delete;
    ArchiveCopy& operator=(const ArchiveCopy&) = delete;

    const std::string& from() const { return from_; }
    const std::string& to() const { return to_; }
    bool running() const { return !ended_; }
    uint64_t done() const { return done_; }
    uint64_t total() const { return total_; }
    // Asks the copy to stop; it ends after the block it is writing.
    void stop() { stop_ = true; }
    // Once ended: whether it was stopped, else 0 or the Windows error code.
    bool stopped() const { return ended_ && stop_ && result_ != 0; }
    int result() const { return result_; }

private:
    std::string from_, to_;
    std::atomic<uint64_t> done_{0}, total_{0};
    std::atomic<bool> stop_{false}, ended_{false};
    std::atomic<int> result_{0};
    std::thread thread_;
};

} // namespace tw::packing
