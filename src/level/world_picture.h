// A level's world picture: a square picture of the whole world, north up,
// built from what the level has, best first: its map picture (InGameMap.dds
// or .tga) in its combat area, its colour tiles (Textures/Tx<CC>x<RR>.dds),
// a relief of its height map with water below the water level, and black
// where nothing covers. It says which sources it used and where each lies,
// and names every piece it could not read, passing it over. No widgets.
#pragma once

#include "level/terrain.h"

#include <QImage>

#include <optional>
#include <string>
#include <vector>

namespace tw::level {

// One colour tile as found: its file, its column and row, and the world
// square it covers.
struct Tile {
    std::string file;
    int column = 0, row = 0;
    WorldRect where;
};

// What a level folder holds for its picture, read without decoding any
// picture (cheap enough for the window's thread).
struct LevelGround {
    std::string folder;  // the level folder, with a trailing separator
    int worldSize = 0;
    // The declared combat area when it can frame a picture; nothing: the
    // whole world.
    std::optional<WorldRect> combatArea;
    TerrainSettings terrain;
    std::string mapPicture;  // the map picture's file, empty for none
    std::vector<Tile> tiles;
    double tileMetres = 256;
    std::optional<Heightmap> heights;
    std::string heightmapFile;  // as found, empty when there is none
    std::vector<std::string> problems;  // each names the file and why, in one line
    uint64_t pictureBytes = 0;          // the map picture's and tiles' bytes: the work of painting

    // The world rectangle the map picture covers.
    WorldRect mapPictureArea() const;
};

// Reads a level folder. `knownWorldSize`, the world size the caller works
// in (the map analysis's, ai.con's), wins over Init/Terrain.con's, so that
// the picture lies in the caller's metres. Never raises: what cannot be
// read is a problem.
LevelGround readLevelGround(const std::string& levelFolder, std::optional<int> knownWorldSize = std::nullopt);

enum class SourceKind { MapPicture, Tiles, Relief };

struct Source {
    SourceKind kind;
    std::string file;  // the file (for tiles the first one)
    WorldRect where;   // what it covers in the world
    std::string text;  // one line for the user
};

struct WorldPicture {
    QImage image;  // size x size, RGB32, north up
    int worldSize = 0;
    std::optional<WorldRect> combatArea;
    std::vector<Source> sources;
    std::vector<std::string> problems;
};

// Paints the world picture at `size` pixels square. `ownPicture`, when
// given, stands in for the level's map picture in its combat area (a
// picture the user made of the playable area).
WorldPicture paintWorldPicture(const LevelGround& ground, int size, const QImage* ownPicture = nullptr);
// Both steps at once.
WorldPicture buildWorldPicture(const std::string& levelFolder, int size,
                               std::optional<int> knownWorldSize = std::nullopt);

// The pixel rectangle of a world rectangle on a `size`-pixel picture of the
// world, rounded to whole pixels.
QRect pixelRect(const WorldRect& r, int worldSize, int size);

// Layers from the height map, `size` pixels square, transparent where the
// ground passes: ground steeper than `maxSlope` degrees, and water deeper
// than `waterDepth` metres below `waterLevel`.
QImage slopeLayer(const Heightmap& heights, double maxSlope, int size);
QImage waterLayer(const Heightmap& heights, double waterLevel, double waterDepth, int size);

// The relief's colours: land shaded by slope, water by depth; `gx` and
// `gz` are the ground's rise per metre eastwards and northwards.
QRgb reliefColour(const Heightmap& heights, std::optional<double> waterLevel, double x, double z);
QRgb reliefShade(double ground, double gx, double gz, std::optional<double> waterLevel);

} // namespace tw::level
