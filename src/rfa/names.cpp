#include "rfa/names.h"

#include "platform/text.h"
#include "rfa/format.h"

namespace tw::rfa {
namespace {

bool isDeviceName(std::string_view segment) {
    // Windows reserves these names, with or without an extension.
    const size_t dot = segment.find('.');
    std::string base = foldCase(segment.substr(0, dot));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "con" || base == "nul" || base == "aux" || base == "prn") return true;
    if (base.size() == 4 && (base.rfind("com", 0) == 0 || base.rfind("lpt", 0) == 0))
        return base[3] >= '1' && base[3] <= '9';
    return false;
}

} // namespace

std::vector<std::string> nameComponents(std::string_view name) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : name) {
        if (c == '/' || c == '\\') {
            parts.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    parts.push_back(std::move(current));
    return parts;
}

std::optional<std::string> unsafeNameReason(std::string_view name) {
    if (name.empty()) return "the name is empty";
    if (name.size() > kMaxNameLength) return "the name is too long";
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return "the name holds a control character";
        if (c == ':') return "the name holds a drive or stream colon";
    }
    if (name.front() == '/' || name.front() == '\\') return "the name is an absolute path";
    for (const std::string& segment : nameComponents(name)) {
        if (segment.empty()) return "the name has an empty path component or ends with a separator";
        if (segment == "." || segment == "..") return "the name steps out of its folder";
        if (segment.back() == '.' || segment.back() == ' ') return "a path component ends with a dot or a blank";
        if (isDeviceName(segment)) return "the name is a reserved device name";
    }
    return std::nullopt;
}

std::string printableName(std::string_view name) {
    std::string safe;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            static const char* hex = "0123456789ABCDEF";
            safe += "\\x";
            safe += hex[b >> 4];
            safe += hex[b & 15];
        } else {
            safe += c;
        }
    }
    return decodeCp1252(safe);
}

std::string nameKey(std::string_view name) {
    std::string key = foldCase(decodeCp1252(name));
    for (char& c : key)
        if (c == '\\') c = '/';
    return key;
}

} // namespace tw::rfa
