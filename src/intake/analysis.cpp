#include "intake/analysis.h"

#include "platform/files.h"

#include <filesystem>

namespace tw::intake {

WorldSize worldSizeOf(const Lines& terrain) {
    const auto has = [&](const char* line) {
        for (const std::string& l : terrain)
            if (equalsIgnoreCase(l, line)) return true;
        return false;
    };
    if (has("GeometryTemplate.worldSize 2048")) return {2048, 4};
    if (has("GeometryTemplate.worldSize 1024")) return {1024, 2};
    return {4096, 8};
}

std::string levelNameOf(const std::string& folder) {
    std::string trimmed = folder;
    if (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
    const size_t pos = trimmed.find_last_of("\\/");
    return pos == std::string::npos ? std::string() : trimmed.substr(pos + 1);
}

std::string withoutExtension(const std::string& name) {
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string unpackedLevelDir(const std::string& programDir, const std::string& name) {
    const char sep = trailingSeparator(programDir);
    return programDir + "bf1942" + sep + "levels" + sep + name + sep;
}

bool isProgramFolder(const std::string& folder, const std::string& programDir) {
    const auto normal = [](std::string s) {
        for (char& c : s)
            if (c == '\\') c = '/';
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return foldCase(s);
    };
    if (normal(folder) == normal(programDir)) return true;
    std::error_code ec;
    return std::filesystem::equivalent(resolvePath(folder), resolvePath(programDir), ec);
}

} // namespace tw::intake
