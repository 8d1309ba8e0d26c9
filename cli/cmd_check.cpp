// tarnwick-cli check: the add-on's check, one finding a line or as JSON.
#include "commands.h"

#include "check/addon_check.h"
#include "check/map_numbers.h"
#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <filesystem>

namespace tw::cli {

int checkCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Checks an add-on before the game reads it: scripts, areas, strategies, pathmaps and spawns.\n"
        "Prints one finding a line: <severity> <code> <file:line or x/z> <message>.\n"
        "Causes come first; the findings that follow from one come right after it and end with\n"
        "\"(follows from <code> at <place>)\"; in the JSON, \"cause\" is the index of that cause.\n"
        "With --mend, first mends the map numbers of AIPathFinding.con and prints each line it changed.\n"
        "Exits with 1 when there is an error, else with 0.");
    parser.addPositionalArgument("addon", "The add-on folder.");
    const QCommandLineOption json("json", "Prints the findings as a JSON array.");
    const QCommandLineOption level("level", "The level the add-on builds on (default: the folder beside it without "
                                            "\"_001\").",
                                   "folder");
    const QCommandLineOption mend(
        "mend", "Mends the map numbers of AIPathFinding.con that name no map or the wrong one (numbers an earlier "
                "Tarnwick wrote): the old file is copied into a dated folder inside the add-on first, and only "
                "those numbers change.");
    parser.addOption(json);
    parser.addOption(level);
    parser.addOption(mend);
    if (auto end = parseArguments(parser, arguments, 1, 1)) return *end;

    const std::string folder = utf8(parser.positionalArguments().at(0));
    if (!folderExists(folder)) throw AppError("There is no add-on folder " + folder);
    std::string addon = platform::utf8FromPath(std::filesystem::absolute(resolvePath(folder)));
    if (parser.isSet(mend)) {
        if (addon.back() != kNativeSeparator) addon += kNativeSeparator;
        state::LoadedRecord loaded = state::loadRecord(addon);
        const bool recorded = loaded.kind == state::LoadedRecord::Kind::Ok;
        const check::MapNumberMend done = check::mendAddonMapNumbers(addon, recorded ? &loaded.record : nullptr);
        if (recorded && !done.mended.empty()) state::saveRecord(addon, loaded.record);
        // Printed beside the findings; with --json apart from them.
        std::FILE* out = parser.isSet(json) ? stderr : stdout;
        if (done.mended.empty()) std::fprintf(out, "mended nothing: the map numbers name their maps\n");
        for (const check::MapNumberFault& f : done.mended) std::fprintf(out, "mended %s\n", check::faultText(f).c_str());
        if (!done.copiedTo.empty()) std::fprintf(out, "the file as it was: %s%s\n", done.copiedTo.c_str(), "AIPathFinding.con");
    }
    const auto findings = check::checkAddon(addon, utf8(parser.value(level)));
    if (parser.isSet(json)) {
        QJsonArray array;
        for (const check::Finding& f : findings) {
            QJsonObject o;
            o["severity"] = check::severityName(f.severity);
            o["code"] = QString::fromStdString(f.code);
            o["message"] = QString::fromStdString(f.message);
            if (!f.file.empty()) o["file"] = QString::fromStdString(f.file);
            if (f.line > 0) o["line"] = static_cast<qint64>(f.line);
            if (f.at) o["at"] = QJsonObject{{"x", f.at->x}, {"z", f.at->z}};
            if (!f.area.empty()) o["area"] = QString::fromStdString(f.area);
            if (!f.pathmap.empty()) o["pathmap"] = QString::fromStdString(f.pathmap);
            if (f.cause) o["cause"] = static_cast<qint64>(*f.cause);
            array.append(o);
        }
        std::fputs(QJsonDocument(array).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        for (const check::Finding& f : findings) {
            std::string line = check::findingLine(f);
            if (f.cause && *f.cause < findings.size())
                line += " (follows from " + findings[*f.cause].code + " at " + check::placeText(findings[*f.cause]) + ")";
            std::printf("%s\n", line.c_str());
        }
    }
    return check::countOf(findings, check::Severity::Error) > 0 ? kFailed : kDone;
}

} // namespace tw::cli
