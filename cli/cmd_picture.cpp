// tarnwick-cli picture: the world picture of a level (its map picture in its
// combat area, colour tiles, relief and water), with the height map's layers
// for a search map, written as PNG; prints the sources used.
#include "commands.h"

#include "level/world_picture.h"
#include "pathmaps/declarations.h"
#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/level_files.h"

#include <QBuffer>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace tw::cli {

namespace {

// The folder as given, with the system's separators and one at its end.
std::string withSlash(std::string folder) {
#ifdef _WIN32
    std::replace(folder.begin(), folder.end(), '/', '\\');
#endif
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += kNativeSeparator;
    return folder;
}

bool isLevelFolder(const std::string& folder) {
    return fileExists(folder + "Init/Terrain.con") || fileExists(folder + "Init.con");
}

} // namespace

int pictureCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Writes the world picture of a level as PNG: north up, the whole world, from the level's map picture\n"
        "in its combat area, its colour tiles, the relief of its height map, black where nothing covers.\n"
        "Prints the sources used, one a line, and every piece that could not be read.\n"
        "For an add-on folder the level is the folder beside it without \"_001\".");
    parser.addPositionalArgument("folder", "The level folder or add-on folder.");
    parser.addPositionalArgument("out", "The PNG file to write.");
    const QCommandLineOption size("size", "The picture's side in pixels (default 1024).", "N", "1024");
    const QCommandLineOption layers(
        "layers", "Draws the height map's layers over the picture: slope (ground steeper than the search map's "
                  "maxSlope), water (water deeper than its waterDepth), comma-separated.",
        "list");
    const QCommandLineOption map("map", "The search map whose values the layers take (default: the first declared "
                                        "in the add-on's AIPathFinding.con).",
                                 "name");
    const QCommandLineOption level("level", "The level the add-on builds on.", "folder");
    parser.addOptions({size, layers, map, level});
    if (auto end = parseArguments(parser, arguments, 2, 2)) return *end;

    bool sizeOk = false;
    const int side = parser.value(size).toInt(&sizeOk);
    if (!sizeOk || side < 16 || side > 8192) {
        std::fprintf(stderr, "--size takes a whole number of pixels from 16 to 8192, not \"%s\".\n",
                     utf8(parser.value(size)).c_str());
        return kBadUsage;
    }
    bool slope = false, water = false;
    for (const QString& name : parser.value(layers).split(',', Qt::SkipEmptyParts)) {
        if (name.trimmed() == "slope") slope = true;
        else if (name.trimmed() == "water") water = true;
        else {
            std::fprintf(stderr, "Unknown layer \"%s\": the layers are slope and water.\n", utf8(name).c_str());
            return kBadUsage;
        }
    }

    const std::string given = withSlash(utf8(parser.positionalArguments().at(0)));
    if (!folderExists(given)) {
        std::fprintf(stderr, "There is no folder %s.\n", given.c_str());
        return kBadUsage;
    }
    std::string levelFolder = parser.isSet(level) ? withSlash(utf8(parser.value(level))) : given;
    if (!parser.isSet(level) && !isLevelFolder(given)) {
        const std::string trimmed = given.substr(0, given.size() - 1);
        if (trimmed.size() > 4 && equalsIgnoreCase(trimmed.substr(trimmed.size() - 4), "_001"))
            levelFolder = trimmed.substr(0, trimmed.size() - 4) + given.back();
    }
    if (!isLevelFolder(levelFolder)) {
        std::fprintf(stderr, "%s is no level folder (it has no Init.con and no Init/Terrain.con): give the level "
                             "folder, or the add-on's level with --level.\n",
                     levelFolder.c_str());
        return kBadUsage;
    }

    const level::LevelGround ground = level::readLevelGround(levelFolder);
    level::WorldPicture picture = level::paintWorldPicture(ground, side);

    if (slope || water) {
        if (!ground.heights) throw AppError(levelFolder + " has no height map to draw the layers from");
        const std::string declared = fileExists(given + "AIPathFinding.con") ? given + "AIPathFinding.con"
                                                                             : levelFolder + "AIPathFinding.con";
        if (!fileExists(declared))
            throw AppError("The layers take their values from a search map, and there is no " + declared);
        const pathmaps::Declarations d = pathmaps::readDeclarations(readLevelLines(declared));
        const pathmaps::SearchMap* chosen = nullptr;
        for (const auto& m : d.maps)
            if (!parser.isSet(map) ? !chosen : equalsIgnoreCase(m.name, utf8(parser.value(map)))) chosen = &m;
        if (!chosen)
            throw AppError(declared + " declares no search map" +
                           (parser.isSet(map) ? " named " + utf8(parser.value(map)) : std::string()));
        QPainter painter(&picture.image);
        if (slope) {
            painter.drawImage(0, 0, level::slopeLayer(*ground.heights, chosen->maxSlope, side));
            std::printf("layer: ground steeper than %g degrees (%s's maxSlope)\n", chosen->maxSlope,
                        chosen->name.c_str());
        }
        if (water) {
            const double waterLevel = ground.terrain.waterLevel.value_or(0);
            painter.drawImage(0, 0, level::waterLayer(*ground.heights, waterLevel, chosen->waterDepth, side));
            std::printf("layer: water deeper than %g m (%s's waterDepth)\n", chosen->waterDepth, chosen->name.c_str());
        }
    }

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.image.save(&buffer, "PNG")) throw AppError("The picture could not be made into PNG");
    const std::string out = utf8(parser.positionalArguments().at(1));
    writeBytes(out, std::string_view(png.constData(), static_cast<size_t>(png.size())));
    for (const level::Source& s : picture.sources) std::printf("source: %s\n", s.text.c_str());
    if (picture.sources.empty()) std::printf("source: none; the picture is black\n");
    if (picture.combatArea)
        std::printf("combat area: %g/%g to %g/%g m of a %d m world\n", picture.combatArea->minX, picture.combatArea->minZ,
                    picture.combatArea->maxX, picture.combatArea->maxZ, picture.worldSize);
    for (const std::string& p : picture.problems) std::fprintf(stderr, "passed over: %s\n", p.c_str());
    std::printf("wrote %s\n", platform::utf8FromPath(resolvePath(out)).c_str());
    return kDone;
}

} // namespace tw::cli
