#include "level/world_picture.h"

#include "areas/dds.h"
#include "platform/files.h"
#include "platform/level_files.h"

#include <QPainter>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>

namespace tw::level {
namespace {

namespace fs = std::filesystem;

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

std::string metres(double v) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, std::round(v * 10) / 10);
    return ec == std::errc() ? std::string(text, end) : std::to_string(v);
}

std::string rectText(const WorldRect& r) {
    return metres(r.minX) + "/" + metres(r.minZ) + " to " + metres(r.maxX) + "/" + metres(r.maxZ) + " m";
}

QImage fromRgba(const areas::RgbaImage& rgba) {
    QImage image(rgba.width, rgba.height, QImage::Format_RGBA8888);
    for (int y = 0; y < rgba.height; ++y)
        std::copy_n(rgba.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(rgba.width) * 4,
                    static_cast<size_t>(rgba.width) * 4, image.scanLine(y));
    return image;
}

// Truecolour or greyscale Targa pictures, plain or run-length coded, as
// some levels carry their map picture.
std::optional<QImage> decodeTga(std::string_view b) {
    if (b.size() < 18) return std::nullopt;
    const auto u8 = [&](size_t i) { return static_cast<uint8_t>(b[i]); };
    const int idLength = u8(0), colourMap = u8(1), type = u8(2);
    const int width = u8(12) | u8(13) << 8, height = u8(14) | u8(15) << 8, bits = u8(16), descriptor = u8(17);
    const bool grey = type == 3 || type == 11, rle = type == 10 || type == 11;
    if (colourMap != 0 || !(type == 2 || type == 3 || type == 10 || type == 11)) return std::nullopt;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return std::nullopt;
    if (grey ? bits != 8 : bits != 24 && bits != 32) return std::nullopt;
    const int bpp = bits / 8;
    size_t at = 18 + static_cast<size_t>(idLength);
    QImage image(width, height, QImage::Format_ARGB32);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<QRgb> pixels;
    pixels.reserve(count);
    const auto pixelAt = [&](size_t i) {
        if (grey) return qRgb(u8(i), u8(i), u8(i));
        return qRgba(u8(i + 2), u8(i + 1), u8(i), bpp == 4 ? u8(i + 3) : 255);
    };
    while (pixels.size() < count) {
        if (!rle) {
            if (at + static_cast<size_t>(bpp) > b.size()) return std::nullopt;
            pixels.push_back(pixelAt(at));
            at += static_cast<size_t>(bpp);
            continue;
        }
        if (at >= b.size()) return std::nullopt;
        const int head = u8(at++);
        const size_t run = static_cast<size_t>((head & 0x7F) + 1);
        if (pixels.size() + run > count) return std::nullopt;
        if (head & 0x80) {
            if (at + static_cast<size_t>(bpp) > b.size()) return std::nullopt;
            pixels.insert(pixels.end(), run, pixelAt(at));
            at += static_cast<size_t>(bpp);
        } else {
            if (at + run * static_cast<size_t>(bpp) > b.size()) return std::nullopt;
            for (size_t i = 0; i < run; ++i, at += static_cast<size_t>(bpp)) pixels.push_back(pixelAt(at));
        }
    }
    const bool topFirst = descriptor & 0x20;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(topFirst ? y : height - 1 - y));
        std::copy_n(pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width), width, line);
    }
    return image;
}

// A picture of the level as read, decoded for showing at `atLeast` pixels
// or more across, and the size of the picture in the file.
struct Read {
    QImage image;
    int width = 0, height = 0;
};

// Reads and decodes a picture of the level; nothing, with the reason named
// in `problems`, when it cannot be.
std::optional<Read> readPicture(const std::string& file, int atLeast, std::vector<std::string>& problems) {
    std::string bytes;
    try {
        bytes = readLevelBytes(file);
    } catch (const std::exception& e) {
        problems.push_back(e.what());  // names the file
        return std::nullopt;
    }
    const bool tga = file.size() > 4 && equalsIgnoreCase(file.substr(file.size() - 4), ".tga");
    if (tga) {
        if (auto image = decodeTga(bytes)) return Read{*image, image->width(), image->height()};
        problems.push_back(file + ": damaged, or a Targa picture of a kind not read (truecolour or grey only)");
        return std::nullopt;
    }
    Read read;
    if (auto rgba = areas::decodeDdsForSize(bytes, atLeast, read.width, read.height)) {
        read.image = fromRgba(*rgba);
        return read;
    }
    problems.push_back(file + ": damaged, or a DDS picture of a kind not read (DXT1, DXT3, DXT5, 24 or 32 bits)");
    return std::nullopt;
}

// "Tx03x12.dds" with the prefix "Tx": column 3, row 12.
std::optional<std::pair<int, int>> tileIndex(const std::string& name, const std::string& prefix) {
    if (name.size() < prefix.size() + 7 || !equalsIgnoreCase(name.substr(0, prefix.size()), prefix)) return std::nullopt;
    if (!equalsIgnoreCase(name.substr(name.size() - 4), ".dds")) return std::nullopt;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    const size_t x = middle.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x > 3 || middle.size() - x - 1 == 0 || middle.size() - x - 1 > 3)
        return std::nullopt;
    int column = 0, row = 0;
    const auto digits = [](std::string_view s, int& v) {
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        return ec == std::errc() && end == s.data() + s.size();
    };
    if (!digits(std::string_view(middle).substr(0, x), column) || !digits(std::string_view(middle).substr(x + 1), row))
        return std::nullopt;
    return std::pair{column, row};
}

uint64_t sizeOf(const std::string& file) {
    std::error_code ec;
    const auto size = fs::file_size(resolvePath(file), ec);
    return ec ? 0 : size;
}

} // namespace

WorldRect LevelGround::mapPictureArea() const {
    const double s = worldSize;
    return combatArea.value_or(WorldRect{0, 0, s, s});
}

LevelGround readLevelGround(const std::string& levelFolder, std::optional<int> knownWorldSize) {
    LevelGround g;
    g.folder = withSeparator(levelFolder);
    const auto linesOf = [&](const std::string& name) -> std::optional<Lines> {
        const std::string file = g.folder + name;
        if (!pathExists(file)) return std::nullopt;
        try {
            return readLevelLines(resolvePath(file).string());
        } catch (const std::exception& e) {
            g.problems.push_back(e.what());  // names the file
            return std::nullopt;
        }
    };
    const auto named = [&](const std::string& name) { return resolvePath(g.folder + name).string(); };

    if (auto terrain = linesOf("Init/Terrain.con")) {
        g.terrain = terrainOf(*terrain);
        for (const std::string& p : g.terrain.problems) g.problems.push_back(named("Init/Terrain.con") + ", " + p);
    }
    g.worldSize = knownWorldSize.value_or(g.terrain.worldSize.value_or(0));
    if (g.worldSize <= 0) {
        g.problems.push_back(named("Init/Terrain.con") + ": names no world size (GeometryTemplate.worldSize); "
                                                        "nothing can be placed");
        return g;
    }
    if (auto init = linesOf("Init.con")) {
        const CombatAreaLine line = combatAreaOf(*init);
        if (!line.problem.empty()) {
            g.problems.push_back(named("Init.con") + ", " + line.problem + "; the whole world is taken");
        } else if (line.area) {
            if (const auto fault = combatAreaFault(*line.area, g.worldSize))
                g.problems.push_back(named("Init.con") + ": the combat area " + rectText(*line.area) + " is not used: " +
                                     *fault + "; the whole world is taken");
            else
                g.combatArea = line.area;
        }
    }

    // The map picture: Textures/InGameMap.dds, else .tga, any letter case.
    for (const char* name : {"Textures/InGameMap.dds", "Textures/InGameMap.tga"}) {
        const std::string file = g.folder + name;
        if (!pathExists(file)) continue;
        g.mapPicture = resolvePath(file).string();
        g.pictureBytes += sizeOf(file);
        break;
    }

    // The colour tiles.
    const fs::path tileFolder = resolvePath(g.folder + g.terrain.tileFolder);
    std::error_code ec;
    std::map<std::pair<int, int>, std::string> found;
    if (fs::is_directory(tileFolder, ec)) {
        for (fs::directory_iterator it(tileFolder, ec), end; !ec && it != end; it.increment(ec)) {
            const auto index = tileIndex(it->path().filename().string(), g.terrain.tilePrefix);
            if (!index) continue;
            // Of two names differing in letter case only, the first in byte order.
            auto [at, added] = found.emplace(*index, it->path().string());
            if (!added && it->path().string() < at->second) at->second = it->path().string();
        }
    }
    if (!found.empty()) {
        const int offX = std::max(g.terrain.texOffsetX, 0), offY = std::max(g.terrain.texOffsetY, 0);
        int last = 0;
        for (const auto& [index, file] : found) last = std::max({last, index.first + offX, index.second + offY});
        const int across = last + 1;
        // Stock tiles cover 256 m each; a full grid from the corner that
        // fills the world with another count says the tiles' own size.
        const bool fullGrid =
            across >= 2 && offX == 0 && offY == 0 && found.size() == static_cast<size_t>(across) * across;
        g.tileMetres = fullGrid && g.worldSize % across == 0 ? static_cast<double>(g.worldSize) / across : 256;
        for (const auto& [index, file] : found) {
            Tile t{file, index.first, index.second, {}};
            t.where.minX = (offX + index.first) * g.tileMetres;
            t.where.minZ = (offY + index.second) * g.tileMetres;
            t.where.maxX = t.where.minX + g.tileMetres;
            t.where.maxZ = t.where.minZ + g.tileMetres;
            if (t.where.minX >= g.worldSize || t.where.minZ >= g.worldSize) {
                g.problems.push_back(file + ": a tile of " + metres(g.tileMetres) + " m at column " +
                                     std::to_string(offX + index.first) + ", row " + std::to_string(offY + index.second) +
                                     " lies outside the " + std::to_string(g.worldSize) + " m world; passed over");
                continue;
            }
            g.pictureBytes += sizeOf(file);
            g.tiles.push_back(std::move(t));
        }
    }

    // The height map.
    const std::string heightmap = g.folder + g.terrain.heightmap;
    if (pathExists(heightmap)) {
        g.heightmapFile = resolvePath(heightmap).string();
        try {
            std::string problem;
            g.heights = Heightmap::read(readLevelBytes(g.heightmapFile), g.worldSize, g.terrain.yScale, problem);
            if (!g.heights) g.problems.push_back(g.heightmapFile + ": " + problem + "; no relief is drawn");
        } catch (const std::exception& e) {
            g.problems.push_back(e.what());  // names the file
        }
    }
    return g;
}

QRect pixelRect(const WorldRect& r, int worldSize, int size) {
    const double k = static_cast<double>(size) / worldSize;
    const int left = static_cast<int>(std::lround(r.minX * k)), right = static_cast<int>(std::lround(r.maxX * k));
    const int top = static_cast<int>(std::lround((worldSize - r.maxZ) * k));
    const int bottom = static_cast<int>(std::lround((worldSize - r.minZ) * k));
    return QRect(left, top, right - left, bottom - top);
}

QRgb reliefColour(const Heightmap& h, std::optional<double> waterLevel, double x, double z) {
    const double d = h.metresPerSample();
    const double gx = (h.heightAt(x + d, z) - h.heightAt(x - d, z)) / (2 * d);
    const double gz = (h.heightAt(x, z + d) - h.heightAt(x, z - d)) / (2 * d);
    return reliefShade(h.heightAt(x, z), gx, gz, waterLevel);
}

QRgb reliefShade(double ground, double gx, double gz, std::optional<double> waterLevel) {
    if (waterLevel && ground < *waterLevel) {
        const double depth = std::min((*waterLevel - ground) / 20.0, 1.0);
        return qRgb(static_cast<int>(70 - 40 * depth), static_cast<int>(130 - 60 * depth),
                    static_cast<int>(200 - 50 * depth));
    }
    // Lit from the north-west: slopes facing it lighter, the others darker.
    const double light = std::clamp(0.8 + 1.6 * (-gx + gz) * 0.7071, 0.35, 1.25);
    return qRgb(std::clamp(static_cast<int>(168 * light), 0, 255), std::clamp(static_cast<int>(152 * light), 0, 255),
                std::clamp(static_cast<int>(112 * light), 0, 255));
}

WorldPicture paintWorldPicture(const LevelGround& g, int size, const QImage* ownPicture) {
    WorldPicture out;
    out.worldSize = g.worldSize;
    out.combatArea = g.combatArea;
    out.problems = g.problems;
    size = std::clamp(size, 1, 8192);
    out.image = QImage(size, size, QImage::Format_RGB32);
    out.image.fill(Qt::black);
    if (g.worldSize <= 0) return out;
    const double s = g.worldSize;
    const WorldRect world{0, 0, s, s};

    // The relief, under everything.
    if (g.heights) {
        // One height per pixel centre, three rows at a time; the slope from
        // the pixels around, at least a sample apart.
        const double k = s / size;
        const int step = std::max(1, static_cast<int>(std::lround(g.heights->metresPerSample() / k)));
        const auto rowAt = [&](int v, std::vector<double>& row) {
            row.resize(static_cast<size_t>(size) + 2 * static_cast<size_t>(step));
            const double z = s - (v + 0.5) * k;
            for (int u = -step; u < size + step; ++u)
                row[static_cast<size_t>(u + step)] = g.heights->heightAt((u + 0.5) * k, z);
        };
        std::vector<std::vector<double>> rows(static_cast<size_t>(2 * step + 1));
        for (int i = 0; i <= 2 * step; ++i) rowAt(i - step, rows[static_cast<size_t>(i)]);
        for (int v = 0; v < size; ++v) {
            if (v > 0) {
                std::rotate(rows.begin(), rows.begin() + 1, rows.end());
                rowAt(v + step, rows.back());
            }
            const std::vector<double>& north = rows.front();
            const std::vector<double>& here = rows[static_cast<size_t>(step)];
            const std::vector<double>& south = rows.back();
            auto* line = reinterpret_cast<QRgb*>(out.image.scanLine(v));
            for (int u = 0; u < size; ++u) {
                const size_t i = static_cast<size_t>(u + step);
                line[u] = reliefShade(here[i], (here[i + step] - here[i - step]) / (2 * step * k),
                                      (north[i] - south[i]) / (2 * step * k), g.terrain.waterLevel);
            }
        }
        out.sources.push_back({SourceKind::Relief, g.heightmapFile, world,
                               "relief from " + g.heightmapFile + " (" + std::to_string(g.heights->side()) + " x " +
                                   std::to_string(g.heights->side()) + " samples of " +
                                   metres(g.heights->metresPerSample()) + " m" +
                                   (g.terrain.waterLevel ? ", water below " + metres(*g.terrain.waterLevel) + " m" : "") +
                                   ") over " + rectText(world)});
    }

    QPainter painter(&out.image);
    const auto place = [&](const QImage& picture, const WorldRect& where) {
        const QRect target = pixelRect(where, g.worldSize, size);
        if (target.width() <= 0 || target.height() <= 0) return;
        if (picture.size() == target.size())
            painter.drawImage(target.topLeft(), picture);
        else
            painter.drawImage(target.topLeft(), picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    };

    // The colour tiles: all square and of one size; others are named.
    std::vector<std::pair<const Tile*, Read>> decoded;
    std::map<int, int> sides;
    const int tilePixels = std::max(1, static_cast<int>(std::ceil(g.tileMetres * size / s)));
    for (const Tile& t : g.tiles) {
        auto read = readPicture(t.file, tilePixels, out.problems);
        if (!read) continue;
        if (read->width != read->height) {
            out.problems.push_back(t.file + ": the tile is " + std::to_string(read->width) + " x " +
                                   std::to_string(read->height) + " pixels; tiles are square; passed over");
            continue;
        }
        ++sides[read->width];
        decoded.emplace_back(&t, std::move(*read));
    }
    if (!decoded.empty()) {
        const int side = std::max_element(sides.begin(), sides.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
        WorldRect covered{s, s, 0, 0};
        int used = 0;
        std::string first;
        for (const auto& [tile, read] : decoded) {
            if (read.width != side) {
                out.problems.push_back(tile->file + ": the tile is " + std::to_string(read.width) + " x " +
                                       std::to_string(read.height) + " pixels, the others " + std::to_string(side) +
                                       " x " + std::to_string(side) + "; passed over");
                continue;
            }
            place(read.image, tile->where);
            covered = {std::min(covered.minX, tile->where.minX), std::min(covered.minZ, tile->where.minZ),
                       std::max(covered.maxX, tile->where.maxX), std::max(covered.maxZ, tile->where.maxZ)};
            if (first.empty()) first = tile->file;
            ++used;
        }
        if (used > 0)
            out.sources.push_back({SourceKind::Tiles, first, covered,
                                   std::to_string(used) + " colour tile" + (used == 1 ? "" : "s") + " " +
                                       resolvePath(g.folder + g.terrain.tileFolder).string() + kNativeSeparator +
                                       g.terrain.tilePrefix + "<CC>x<RR>.dds (" + std::to_string(side) + " x " +
                                       std::to_string(side) + " pixels, " + metres(g.tileMetres) + " m each) over " +
                                       rectText(covered)});
    }

    // The map picture in its combat area, over everything.
    const WorldRect area = g.mapPictureArea();
    std::optional<Read> map;
    std::string mapFile;
    if (ownPicture && !ownPicture->isNull()) {
        map = Read{*ownPicture, ownPicture->width(), ownPicture->height()};
        mapFile = "the chosen picture";
    } else if (!g.mapPicture.empty()) {
        const QRect target = pixelRect(area, g.worldSize, size);
        map = readPicture(g.mapPicture, std::max(target.width(), target.height()), out.problems);
        mapFile = g.mapPicture;
    }
    if (map) {
        place(map->image.convertToFormat(QImage::Format_RGB32), area);
        out.sources.push_back({SourceKind::MapPicture, mapFile, area,
                               "map picture " + mapFile + " (" + std::to_string(map->width) + " x " +
                                   std::to_string(map->height) + " pixels) over " +
                                   (g.combatArea ? "the combat area " : "the whole world ") + rectText(area)});
    }
    return out;
}

WorldPicture buildWorldPicture(const std::string& levelFolder, int size, std::optional<int> knownWorldSize) {
    return paintWorldPicture(readLevelGround(levelFolder, knownWorldSize), size);
}

namespace {
// A layer at `size` pixels from a mask of the height map's samples.
template <typename Blocked>
QImage layerOf(const Heightmap& h, int size, QRgb colour, Blocked blocked) {
    const int n = h.side();
    std::vector<uint8_t> mask(static_cast<size_t>(n) * static_cast<size_t>(n));
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) mask[static_cast<size_t>(r) * n + c] = blocked(c, r) ? 1 : 0;
    size = std::clamp(size, 1, 8192);
    QImage layer(size, size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    const QRgb shown = qPremultiply(colour);
    for (int v = 0; v < size; ++v) {
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(v));
        const int r = std::clamp(static_cast<int>((size - 1 - v + 0.5) * n / size), 0, n - 1);
        for (int u = 0; u < size; ++u) {
            const int c = std::clamp(static_cast<int>((u + 0.5) * n / size), 0, n - 1);
            if (mask[static_cast<size_t>(r) * n + c]) line[u] = shown;
        }
    }
    return layer;
}
} // namespace

QImage slopeLayer(const Heightmap& h, double maxSlope, int size) {
    return layerOf(h, size, qRgba(255, 160, 0, 160), [&](int c, int r) { return h.slopeAt(c, r) > maxSlope; });
}

QImage waterLayer(const Heightmap& h, double waterLevel, double waterDepth, int size) {
    return layerOf(h, size, qRgba(0, 200, 255, 150), [&](int c, int r) { return waterLevel - h.at(c, r) > waterDepth; });
}

} // namespace tw::level
