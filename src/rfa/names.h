// Entry names: what may be extracted, and which names count as the same.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::rfa {

// Why a stored name must not be extracted, or nothing when it is safe: it
// names a file below the target folder and nothing else.
std::optional<std::string> unsafeNameReason(std::string_view name);

// The name's path components ('\' read as '/').
std::vector<std::string> nameComponents(std::string_view name);

// A stored name as it can be shown in a message: decoded, with control
// characters written as \xHH.
std::string printableName(std::string_view name);

// Names that land on the same file on a letter-case-blind file system share
// one key.
std::string nameKey(std::string_view name);

} // namespace tw::rfa
