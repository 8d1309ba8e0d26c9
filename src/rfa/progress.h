// Progress of a long archive operation.
#pragma once

#include <cstdint>
#include <functional>

namespace tw::rfa {

// Called now and then with the bytes done and the bytes to do.
using Progress = std::function<void(uint64_t done, uint64_t total)>;

} // namespace tw::rfa
