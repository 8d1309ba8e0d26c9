// tarnwick-cli check: the add-on's check, one finding a line or as JSON.
#include "commands.h"

#include "check/addon_check.h"
#include "platform/errors.h"
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
        "Exits with 1 when there is an error, else with 0.");
    parser.addPositionalArgument("addon", "The add-on folder.");
    const QCommandLineOption json("json", "Prints the findings as a JSON array.");
    const QCommandLineOption level("level", "The level the add-on builds on (default: the folder beside it without "
                                            "\"_001\").",
                                   "folder");
    parser.addOption(json);
    parser.addOption(level);
    if (auto end = parseArguments(parser, arguments, 1, 1)) return *end;

    const std::string folder = utf8(parser.positionalArguments().at(0));
    if (!folderExists(folder)) throw AppError("There is no add-on folder " + folder);
    const std::string addon = std::filesystem::absolute(resolvePath(folder)).string();
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
