#include "pathmaps/pathmap_set.h"

#include "level/control_points.h"
#include "pathmaps/rebuild.h"
#include "platform/files.h"
#include "platform/level_files.h"

#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace tw::pathmaps {
namespace {

std::string withSeparator(const std::string& folder) {
    if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
    // A folder written the Windows way keeps its backslashes; any other gets '/'.
    const bool windows = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
    return folder + (windows ? '\\' : '/');
}

// A path as messages show it: the file as found on disk.
std::string shown(const std::string& path) { return resolvePath(path).string(); }

std::optional<Lines> linesIfThere(const std::string& path) {
    if (!fileExists(path)) return std::nullopt;
    return readLevelLines(path);
}

// The control points with their capture radii (the template's
// ObjectTemplate.radius, kDefaultCaptureRadius when it gives none).
std::vector<std::pair<WorldPoint, double>> controlPointsOf(const std::string& folder, char sep) {
    for (const char* sub : {"Singleplayer", "Conquest"}) {
        const std::string dir = folder + sub + sep;
        try {
            const auto points = linesIfThere(dir + "ControlPoints.con");
            if (!points) continue;
            const auto templates = linesIfThere(dir + "ControlPointTemplates.con");
            std::vector<std::pair<WorldPoint, double>> out;
            for (const auto& cp : level::readControlPoints(*points, templates.value_or(Lines{})))
                out.push_back({{cp.x, cp.y}, cp.radius > 0 ? cp.radius : kDefaultCaptureRadius});
            return out;
        } catch (const AppError&) {
            // Control points only add a check; a file that cannot be read adds none.
        }
    }
    return {};
}

// Reads one file and decodes it; a failure becomes the problem text.
template <class T, class Decode>
void load(const std::string& path, T& into, std::string& problem, Decode decode) {
    if (!fileExists(path)) {
        problem = shown(path) + " is missing.";
        return;
    }
    try {
        into = decode(readLevelBytes(path), shown(path));
        problem.clear();
    } catch (const AppError& e) {
        into = T{};
        problem = e.what();
    }
}

bool writable(const std::string& path) {
    std::error_code ec;
    const auto st = fs::status(resolvePath(path), ec);
    if (ec || !fs::exists(st)) return true;
    return fs::is_regular_file(st) && (st.permissions() & fs::perms::owner_write) != fs::perms::none;
}

} // namespace

PathmapSet PathmapSet::open(const std::string& folderGiven) {
    if (!folderExists(folderGiven))
        throw PathmapError("The folder " + folderGiven +
                           " does not exist: give an add-on folder or a level folder with its AIPathFinding.con.");
    PathmapSet set;
    set.folder_ = withSeparator(folderGiven);
    const char sep = set.folder_.back();
    const std::string& folder = set.folder_;
    const std::string declarations = folder + "AIPathFinding.con";
    if (!fileExists(declarations))
        throw PathmapError(folder + " holds no AIPathFinding.con: give an add-on folder or a level folder that "
                                    "declares its pathmaps.");
    set.declarations_ = readDeclarations(readLevelLines(declarations));

    std::optional<int> world;
    std::string source;
    if (auto ai = linesIfThere(folder + "ai.con"); ai && (world = worldSizeFromAiCon(*ai))) {
        source = shown(folder + "ai.con");
    } else if (auto terrain = linesIfThere(folder + "init" + sep + "terrain.con");
               terrain && (world = worldSizeFromTerrain(*terrain))) {
        source = shown(folder + "init" + sep + "terrain.con");
    } else {
        throw PathmapError(folder + " names no world size: neither ai.con (aiSettings.setWorldMapSize) nor "
                                    "init/terrain.con (GeometryTemplate.worldSize) holds one.");
    }
    if (!isWorldSize(*world))
        throw PathmapError(source + " names a world of " + std::to_string(*world) +
                           " m; pathmaps are made for 256, 512, 1024, 2048, 4096 or 8192 m.");
    set.worldSize_ = *world;
    set.pathfinding_ = folder + "Pathfinding" + sep;
    const std::string& pf = set.pathfinding_;

    for (const SearchMap& declared : set.declarations_.maps) {
        MapState m{declared, {}};
        for (int level = declared.minLevel; level <= declared.maxLevel; ++level) {
            LevelState l;
            l.level = level;
            const std::string path = pf + levelFileName(declared.name, level);
            if (!levelFits(set.worldSize_, level)) {
                l.problem = "Level " + std::to_string(level) + " of " + declared.name + " cannot exist in a " +
                            std::to_string(set.worldSize_) + " m world (its 64 pixels of " +
                            std::to_string(1 << level) + " m are larger than the world).";
            } else {
                load(path, l.map, l.problem, [&](const std::string& bytes, const std::string& file) {
                    return decodeLevelMap(bytes, file, set.worldSize_, level);
                });
            }
            l.eightBit = fileExists(pf + eightBitFileName(declared.name, level));
            m.levels.push_back(std::move(l));
        }
        set.maps_.push_back(std::move(m));
    }
    for (const SearchType& declared : set.declarations_.types) {
        TypeState t{declared, {}, {}, {}, {}};
        load(pf + infoFileName(declared.name), t.info, t.infoProblem,
             [&](const std::string& bytes, const std::string& file) {
                 return decodeInfo(bytes, file, set.worldSize_, declared.level);
             });
        load(pf + strategicFileName(declared.name), t.strategic, t.strategicProblem,
             [&](const std::string& bytes, const std::string& file) {
                 return decodeStrategic(bytes, file, set.worldSize_);
             });
        set.types_.push_back(std::move(t));
    }
    for (const auto& [point, radius] : controlPointsOf(folder, sep)) {
        set.controlPoints_.push_back(point);
        set.captureRadii_.push_back(radius);
    }
    return set;
}

Bitmap& PathmapSet::editBase(size_t map) {
    MapState& m = maps_.at(map);
    LevelState& base = m.levels.at(0);
    if (!levelFits(worldSize_, base.level))
        throw PathmapError("Level " + std::to_string(base.level) + " of " + m.declared.name + " cannot exist in a " +
                           std::to_string(worldSize_) + " m world: declare other levels in AIPathFinding.con.");
    if (base.map.empty()) base.map = Bitmap(worldSize_ >> base.level);
    base.problem.clear();
    return base.map;
}

void PathmapSet::replaceBase(size_t map, Bitmap replacement) {
    Bitmap& base = editBase(map);
    if (replacement.side() != base.side())
        throw PathmapError("The new level " + std::to_string(maps_.at(map).levels.at(0).level) + " of " +
                           maps_.at(map).declared.name + " is " + std::to_string(replacement.side()) + " x " +
                           std::to_string(replacement.side()) + " pixels, but the map needs " +
                           std::to_string(base.side()) + " x " + std::to_string(base.side()) + ".");
    base = std::move(replacement);
}

void PathmapSet::rebuild() {
    for (size_t i = 0; i < maps_.size(); ++i) {
        if (!hasBase(i)) continue;
        auto& levels = maps_[i].levels;
        for (size_t j = 1; j < levels.size() && levelFits(worldSize_, levels[j].level); ++j) {
            levels[j].map = coarser(levels[j - 1].map);
            levels[j].problem.clear();
        }
    }
    for (TypeState& t : types_) {
        const size_t index = static_cast<size_t>(t.declared.mapIndex);
        if (!hasBase(index)) continue;
        const MapState& m = maps_[index];
        const LevelState& l = m.levels.at(static_cast<size_t>(t.declared.level - m.declared.minLevel));
        if (l.map.empty()) continue;
        Strategic s = buildStrategic(l.map, l.level);
        t.info = std::move(s.info);
        t.strategic = std::move(s.map);
        t.infoProblem.clear();
        t.strategicProblem.clear();
    }
}

SaveResult PathmapSet::save() {
    rebuild();
    std::vector<std::pair<std::string, std::string>> files;  // path, bytes
    for (size_t i = 0; i < maps_.size(); ++i) {
        if (!hasBase(i)) continue;
        for (const LevelState& l : maps_[i].levels) {
            if (l.map.empty()) continue;
            files.emplace_back(pathfinding_ + levelFileName(maps_[i].declared.name, l.level),
                               encodeLevelMap(l.map, l.level));
            if (l.eightBit)
                files.emplace_back(pathfinding_ + eightBitFileName(maps_[i].declared.name, l.level),
                                   encodeEightBit(l.map));
        }
    }
    for (const TypeState& t : types_) {
        if (!hasBase(static_cast<size_t>(t.declared.mapIndex)) || t.info.side() == 0) continue;
        files.emplace_back(pathfinding_ + infoFileName(t.declared.name), encodeInfo(t.info, t.declared.level));
        files.emplace_back(pathfinding_ + strategicFileName(t.declared.name), encodeStrategic(t.strategic));
    }
    {
        std::error_code ec;
        const auto st = fs::status(resolvePath(pathfinding_), ec);
        if (!ec && fs::is_directory(st) && (st.permissions() & fs::perms::owner_write) == fs::perms::none)
            throw PathmapError("The folder " + shown(pathfinding_) +
                               " is read-only: nothing was saved. Make it writable and save again.");
    }
    for (const auto& [path, bytes] : files)
        if (!writable(path))
            throw PathmapError(shown(path) + " is read-only or no file: nothing was saved. Make it writable and "
                                             "save again.");

    SaveResult result;
    const char sep = folder_.back();
    result.originals = pathfinding_ + kOriginalsFolder + sep;
    createFolder(pathfinding_);
    if (!folderExists(pathfinding_))
        throw PathmapError("The folder " + pathfinding_ + " cannot be made: nothing was saved.");
    if (!pathExists(result.originals)) {
        // The files about to be replaced go into a folder made aside and
        // renamed into place once whole, so the originals are kept completely
        // or not at all.
        const fs::path final = resolvePath(result.originals);
        const fs::path aside = final.parent_path() / (std::string(".") + kOriginalsFolder + ".partial");
        std::error_code ec;
        fs::remove_all(aside, ec);
        fs::create_directory(aside, ec);
        if (ec)
            throw PathmapError("The folder " + aside.string() + " cannot be made (" + ec.message() +
                               "): nothing was saved.");
        try {
            for (const auto& [path, bytes] : files)
                if (fileExists(path)) {
                    const fs::path from = resolvePath(path);
                    writeBytes((aside / from.filename()).string(), readBytes(path));
                }
        } catch (const AppError& e) {
            fs::remove_all(aside, ec);
            throw PathmapError(std::string(e.what()) + " The originals could not be kept: nothing was saved.");
        }
        fs::rename(aside, final, ec);
        if (ec) {
            std::error_code ignored;
            fs::remove_all(aside, ignored);
            throw PathmapError("The originals cannot be kept in " + final.string() + " (" + ec.message() +
                               "): nothing was saved.");
        }
        result.originalsKept = true;
    }
    for (const auto& [path, bytes] : files) {
        writeBytes(path, bytes);
        result.written.push_back(shown(path));
    }
    for (MapState& m : maps_)
        for (LevelState& l : m.levels)
            if (!l.map.empty()) l.problem.clear();
    return result;
}

} // namespace tw::pathmaps
