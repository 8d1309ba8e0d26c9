#include "packing/merged_folder.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace tw::packing {
namespace fs = std::filesystem;

bool isLevelName(const std::string& mapName) {
    return !mapName.empty() && mapName != "." && mapName != ".." &&
           mapName.find_first_of("/\\") == std::string::npos;
}

namespace {

// Hidden names in the levels folder: an earlier folder set aside keeps its
// own name after the prefix; an empty marker says that there was none; a
// dropped one is renamed before it is removed, so that a removal cut short is
// never taken for a folder to put back.
const std::string kAside = ".earlier-";
const std::string kNone = ".none-";
const std::string kDropped = ".removed-";

// The level a set-aside entry stands for ("" for any other entry).
std::string setAsideLevel(const std::string& entry) {
    for (const std::string& prefix : {kAside, kNone})
        if (entry.rfind(prefix, 0) == 0 && isLevelName(entry.substr(prefix.size()))) return entry.substr(prefix.size());
    return {};
}

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// The folder of a level as the unpack made it: its name in any letter case.
fs::path levelFolder(const fs::path& levels, const std::string& name) {
    return resolvePath((levels / name).string());
}

// Puts the set-aside entry `aside` back as `levels/name` (or, for the
// marker of no folder, removes it), after removing what an unpack made there
// since.
void putBack(const fs::path& levels, const fs::path& aside, const std::string& name) {
    std::error_code ec;
    const fs::path made = levelFolder(levels, name);
    if (present(made)) fs::remove_all(made, ec);
    if (aside.filename().string().rfind(kNone, 0) == 0) fs::remove(aside, ec);
    else fs::rename(aside, levels / name, ec);
}

} // namespace

std::string setMergedFolderAside(const std::string& levelsFolder, const std::string& mapName) {
    if (!isLevelName(mapName)) return {};
    const fs::path levels = resolvePath(levelsFolder);
    std::error_code ec;
    fs::create_directories(levels, ec);
    const fs::path earlier = levelFolder(levels, mapName);
    const fs::file_status status = fs::symlink_status(earlier, ec);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_directory(status) && !fs::is_symlink(status))
        throw AppError(earlier.string() + " is in the way of the merged level folder: it is not a folder. Move it "
                       "elsewhere; nothing was unpacked.");
    const fs::path aside = levels / (exists ? kAside + earlier.filename().string() : kNone + mapName);
    if (present(aside))
        throw AppError("The folder " + aside.string() + " is in the way of setting the earlier merged folder aside. "
                       "Nothing was unpacked.");
    if (exists) fs::rename(earlier, aside, ec);
    else fs::create_directory(aside, ec);
    if (ec)
        throw AppError("The merged folder " + earlier.string() + " of an earlier unpacking cannot be set aside (" +
                       ec.message() + "), so its files would be mixed into this merge. Nothing was unpacked.");
    return aside.string();
}

void settleMergedFolder(const std::string& aside, bool succeeded) {
    const fs::path entry = aside;
    const std::string level = setAsideLevel(entry.filename().string());
    if (level.empty() || !present(entry)) return;
    const fs::path levels = entry.parent_path();
    if (!succeeded) {
        putBack(levels, entry, level);
        return;
    }
    std::error_code ec;
    const fs::path dropped = levels / (kDropped + level);
    fs::remove_all(dropped, ec);
    fs::rename(entry, dropped, ec);
    if (!ec) fs::remove_all(dropped, ec);
}

void restoreMergedFolders(const std::string& levelsFolder) {
    const fs::path levels = resolvePath(levelsFolder);
    std::error_code ec;
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(levels, ec)) found.push_back(entry.path());
    for (const fs::path& p : found) {
        const std::string name = p.filename().string();
        if (name.rfind(kDropped, 0) == 0) fs::remove_all(p, ec);
        else if (const std::string level = setAsideLevel(name); !level.empty()) putBack(levels, p, level);
    }
}

} // namespace tw::packing
