#include "packing/packing_rules.h"

#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace tw::packing {

Lines packingStateLines(const state::Conversion& s) { return state::packingStateExport(s); }

void restorePackingState(state::Conversion& s, const Lines& lines) {
    const state::Conversion saved = state::packingStateOf(lines);
    s.AddonDir = saved.AddonDir;
    s.GamePath = saved.GamePath;
    s.PackTarget = saved.PackTarget;
    s.MapName = saved.MapName;
}

bool removeMapGeneration(Lines& aiCon) {
    const auto it = std::find_if(aiCon.begin(), aiCon.end(),
                                 [](const std::string& l) { return equalsIgnoreCase(l, "ai.createallmaps"); });
    if (it == aiCon.end()) return false;
    aiCon.erase(it);
    return true;
}

std::string gameLevelArchives(const std::string& gamePath) {
    if (gamePath.empty()) return {};
    const char sep = trailingSeparator(gamePath, "/");
    const std::string folder = gamePath + "Mods" + sep + "bf1942" + sep + "Archives" + sep + "bf1942" + sep + "levels";
    if (!folderExists(folder)) return {};
    return platform::utf8FromPath(fs::absolute(resolvePath(folder)).lexically_normal()) + kNativeSeparator;
}

std::string wineGameFolder(const std::string& home, const std::string& winePrefix) {
    std::string prefix = winePrefix;
    if (prefix.empty()) {
        if (home.empty()) return {};
        prefix = home + (home.back() == '/' ? "" : "/") + ".wine";
    }
    if (prefix.back() != '/') prefix += '/';
    const std::string drive = prefix + "drive_c/";
    for (const char* programs : {"Program Files (x86)", "Program Files"}) {
        const std::string game = drive + programs + "/EA GAMES/Battlefield 1942";
        if (folderExists(game)) return fs::absolute(resolvePath(game)).lexically_normal().string() + "/";
    }
    if (!folderExists(drive)) return {};
    std::string found = fs::absolute(resolvePath(drive)).lexically_normal().string();
    return found.back() == '/' ? found : found + "/";
}

std::string packedMessage(const std::string& archive) {
    std::string folder = folderOf(archive);
    if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return "Done\n\nThe add-on is packed into " + nameOf(archive) + " in the folder " + folder + ".";
}

std::string explained(const std::string& message, const std::string& nextStep) {
    return withFinalPeriod(message) + "\n\n" + nextStep;
}

bool isSkippedPathmap(const std::string& name) {
    for (const char* skipped : {"Infantry1Level0Map8Bit.raw", "Car4Level0Map8Bit.raw", "Tank0Level0Map8Bit.raw",
                                "Boat2Level0Map8Bit.raw", "Landingcraft3Level0Map8Bit.raw"})
        if (name == skipped) return true;
    return false;
}

std::vector<std::string> pathmapFiles(const std::string& folder) {
    const fs::path dir = resolvePath(folder);
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        const int err = fs::exists(dir, ec) ? ENOTDIR : ENOENT;
        throw AppError(msg::ioError(windowsCodeFor(err, dir)));
    }
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.empty() || name[0] == '.' || !e.is_regular_file(ec)) continue;
        if (name.size() > 4 && equalsIgnoreCase(name.substr(name.size() - 4), ".raw")) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string fa = foldCase(a), fb = foldCase(b);
        return fa != fb ? fa < fb : a < b;
    });
    return names;
}

std::string archiveStem(const std::string& chosen) {
    if (chosen.size() > 4 && equalsIgnoreCase(std::string_view(chosen).substr(chosen.size() - 4), ".rfa"))
        return chosen.substr(0, chosen.size() - 4);
    return chosen;
}

bool mayReplaceArchive(Messages& messages, const std::string& archive) {
    if (!pathExists(archive)) return true;
    std::string copy = archive + ".bak";
    for (int n = 2; pathExists(copy); ++n) copy = archive + ".bak" + std::to_string(n);
    const int answer = messages.ask(archive + " exists already: an earlier packing of this add-on, perhaps with "
                                    "its pathmaps. Replace it? Its present version is copied to " + nameOf(copy) +
                                    " first.",
                                    {"Replace it", "Cancel"});
    if (answer != 0) return false;
    if (!copyFile(archive, copy))
        throw AppError(archive + " could not be copied to " + copy + ", so it was not replaced. Nothing was packed");
    return true;
}

std::string unfinishedFirstPacking(const std::string& packTarget) {
    if (packTarget.empty()) return {};
    const std::string archive = packTarget + ".rfa";
    // The newest copy is the one with the highest number.
    std::string kept;
    for (int n = 1; n < 1000; ++n) {
        const std::string copy = archive + ".bak" + (n == 1 ? "" : std::to_string(n));
        if (!pathExists(copy)) break;
        kept = copy;
    }
    if (kept.empty()) return {};
    return "The first packing to " + archive + " was under way when Tarnwick was last ended, and its end was not "
           "recorded. " + kept + " is the archive it replaced there, copied first. Pack for the first time again on "
           "page 3 (it asks before replacing " + nameOf(archive) + "); if you want the earlier archive back instead, "
           "rename " + nameOf(kept) + " to " + nameOf(archive) + " first. Delete " + nameOf(kept) +
           " once you no longer need it.";
}

} // namespace tw::packing
