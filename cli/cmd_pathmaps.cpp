// tarnwick-cli pathmaps: the findings of an add-on's or a level's pathmaps,
// their pictures for an image editor, and the rebuild that writes them back
// as the game does.
#include "commands.h"

#include "pathmaps/findings.h"
#include "pathmaps/pathmap_set.h"
#include "pathmaps/pictures.h"
#include "platform/fd_io.h"
#include "platform/files.h"

#include <cstdio>

namespace tw::cli {

namespace {
std::string inFolder(std::string folder, const std::string& name) {
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder + name;
}
} // namespace

int pathmapsCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Checks the pathmaps of an add-on folder or a level folder (its AIPathFinding.con and Pathfinding\n"
        "folder) and prints the findings, one a line: severity, map, level, place in metres, text.\n"
        "Ends with 0 without errors (warnings allowed), 1 with errors, 2 when the folder cannot be used.\n"
        "--from-png and --rebuild write every level, 8-bit, Info and strategic file again as the game\n"
        "does; the first time, the files they replace are kept in Pathfinding/Originals.");
    parser.addPositionalArgument("folder", "The add-on folder or level folder.");
    const QCommandLineOption png("png", "Writes <Map>Level<L>Map.png for every map and level found into <folder>.",
                                 "folder");
    const QCommandLineOption fromPng(
        "from-png", "Reads <Map>Level<L>Map.png (L: the map's lowest level, 0 for land maps) from <folder> for "
                    "each map that has one, then rebuilds and writes all.",
        "folder");
    const QCommandLineOption rebuild("rebuild", "Rebuilds and writes everything from the lowest levels as they are.");
    parser.addOptions({png, fromPng, rebuild});
    if (auto end = parseArguments(parser, arguments, 1, 1)) return *end;
    // Only the rebuilds write into the add-on; reading and pictures run
    // beside the wizard.
    if (parser.isSet(fromPng) || parser.isSet(rebuild))
        if (auto end = holdProgramFolder()) return *end;

    const std::string folder = utf8(parser.positionalArguments().at(0));
    pathmaps::PathmapSet set;
    try {
        set = pathmaps::PathmapSet::open(folder);
    } catch (const AppError& e) {
        std::fprintf(stderr, "%s\n", withFinalPeriod(e.what()).c_str());
        return kBadUsage;
    }

    if (parser.isSet(fromPng)) {
        const std::string from = utf8(parser.value(fromPng));
        if (!folderExists(from)) {
            std::fprintf(stderr, "The picture folder %s does not exist.\n", from.c_str());
            return kBadUsage;
        }
        int read = 0;
        for (size_t i = 0; i < set.maps().size(); ++i) {
            const auto& m = set.maps()[i].declared;
            const std::string picture =
                inFolder(from, m.name + "Level" + std::to_string(m.minLevel) + "Map.png");
            if (!fileExists(picture)) continue;
            if (!pathmaps::levelFits(set.worldSize(), m.minLevel)) continue;
            set.replaceBase(i, pathmaps::readPicture(picture, set.worldSize() >> m.minLevel));
            std::printf("read %s\n", platform::utf8FromPath(resolvePath(picture)).c_str());
            ++read;
        }
        if (read == 0)
            throw AppError(from + " holds no <Map>Level<L>Map.png of a declared map: export them with --png first");
    }
    if (parser.isSet(fromPng) || parser.isSet(rebuild)) {
        const pathmaps::SaveResult saved = set.save();
        if (saved.originalsKept) std::printf("kept the originals in %s\n", saved.originals.c_str());
        for (const std::string& path : saved.written) std::printf("wrote %s\n", path.c_str());
        set = pathmaps::PathmapSet::open(folder);
    }
    if (parser.isSet(png)) {
        const std::string to = utf8(parser.value(png));
        if (readOnlyByMode(to))
            throw AppError("The folder " + to + " is read-only, so no picture was written there. Make it writable or "
                           "give another folder");
        createFolder(to);
        if (!folderExists(to)) throw AppError("The picture folder " + to + " cannot be made");
        for (const auto& m : set.maps())
            for (const auto& l : m.levels) {
                if (l.map.empty()) continue;
                const std::string path = inFolder(to, pathmaps::levelFileName(m.declared.name, l.level));
                const std::string picture = path.substr(0, path.size() - 4) + ".png";
                pathmaps::writePicture(l.map, picture);
                std::printf("wrote %s\n", platform::utf8FromPath(resolvePath(picture)).c_str());
            }
    }

    bool errors = false;
    for (const auto& f : pathmaps::findings(set)) {
        std::printf("%s\n", pathmaps::findingLine(f).c_str());
        errors = errors || f.severity == pathmaps::Severity::Error;
    }
    return errors ? kFailed : kDone;
}

} // namespace tw::cli
