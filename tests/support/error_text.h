// The text of the error a piece of code raises, for tests that compare it.
#pragma once

#include "platform/errors.h"

#include <functional>
#include <string>

namespace tw::test {

// The message of the AppError that `f` raises, or "(no error)".
inline std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace tw::test
