#include "packing/archive_copy.h"

#include "platform/errors.h"
#include "platform/files.h"

namespace tw::packing {

ArchiveCopy::ArchiveCopy(std::string from, std::string to) : from_(std::move(from)), to_(std::move(to)) {
    thread_ = std::thread([this] {
        const int code = copyFileReporting(from_, to_, [this](uint64_t done, uint64_t total) {
            done_ = done;
            total_ = total;
            return !stop_;
        });
        result_ = code;
        ended_ = true;
    });
}

ArchiveCopy::~ArchiveCopy() {
    stop_ = true;
    thread_.join();
}

} // namespace tw::packing
