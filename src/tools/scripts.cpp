#include "tools/scripts.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <string_view>

namespace tw::scripts {
namespace {

std::string describe(unsigned char c) {
    static const char* hex = "0123456789ABCDEF";
    if (c == '"') return "the double quote \"";
    if (c == ' ') return "a blank";
    if (c < 0x20 || c == 0x7F) return std::string("the control character 0x") + hex[c >> 4] + hex[c & 15];
    return std::string("the character ") + static_cast<char>(c);
}

void refuseCharacters(const std::string& script, const std::string& text, std::string_view forbidden) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || forbidden.find(ch) != std::string_view::npos) {
            std::string shown;
            for (char x : text) shown += (static_cast<unsigned char>(x) < 0x20 || x == 0x7F) ? '?' : x;
            throw AppError("The name \"" + shown + "\" cannot be written into " + script + ": it holds " + describe(c) +
                           ", which a batch line cannot carry. Rename it and choose it again");
        }
    }
}

} // namespace

void checkQuoted(const std::string& script, const std::string& text) { refuseCharacters(script, text, "\"%"); }

void checkUnquoted(const std::string& script, const std::string& text) {
    refuseCharacters(script, text, "\"% &|<>^");
}

std::string copyLine(const std::string& from, const std::string& to) {
    return "copy \"" + from + "\" \"" + to + "\"";
}

std::string unpackLine(const std::string& archiveName) { return "rfaunpack.exe " + archiveName; }

std::string packLine(char separator, const std::string& folder, const std::string& level,
                     const std::string& archiveFile) {
    return std::string("rfaPack.exe bf1942") + separator + "levels" + separator + folder + " bf1942/levels/" + level +
           " \"" + archiveFile + "\"";
}

std::string deleteLine(const std::string& path) { return "del \"" + path + "\""; }

Lines mapUnpackScript(const std::string& programDir, const std::string& archivePath, bool archiveInProgramDir) {
    const std::string name = nameOf(archivePath);
    for (const std::string& path : {archivePath, programDir + name}) checkQuoted("unpack.bat", path);
    checkUnquoted("unpack.bat", name);
    if (archiveInProgramDir) return {unpackLine(name) + " "};
    return {copyLine(archivePath, programDir + name), unpackLine(name) + " ", deleteLine(programDir + name)};
}

std::string packName(const std::string& packTarget) {
    const size_t pos = packTarget.find_last_of("\\/:");
    return pos == std::string::npos ? packTarget : packTarget.substr(pos + 1);
}

Lines addonPackScript(const std::string& programDir, const std::string& mapName, const std::string& packTarget) {
    const std::string archive = packName(packTarget) + ".rfa";
    for (const std::string& path : {programDir + archive, packTarget + ".rfa"}) checkQuoted("pack.bat", path);
    checkUnquoted("pack.bat", mapName);
    return {packLine(trailingSeparator(programDir), mapName + "_001 ", mapName, archive),
            copyLine(programDir + archive, packTarget + ".rfa")};
}

Lines networkUnpackScript(const std::string& programDir, const std::string& mapArchive, const std::string& mapName,
                          const std::string& addonArchive, const std::string& addonName) {
    const std::string network = programDir + "Network" + trailingSeparator(programDir);
    Lines lines;
    for (const auto& [archive, name] : {std::pair{mapArchive, mapName}, std::pair{addonArchive, addonName}}) {
        for (const std::string& path : {archive, network + name + ".rfa"}) checkQuoted("unpack.bat", path);
        checkUnquoted("unpack.bat", name + ".rfa");
    }
    for (const auto& [archive, name] : {std::pair{mapArchive, mapName}, std::pair{addonArchive, addonName}}) {
        lines.push_back(copyLine(archive, network + name + ".rfa"));
        lines.push_back(unpackLine(name + ".rfa"));
        lines.push_back(deleteLine(network + name + ".rfa"));
    }
    return lines;
}

Lines networkPackScript(const std::string& programDir, const std::string& mapArchive, const std::string& mapName) {
    const std::string merged = programDir + "Network" + trailingSeparator(programDir) + mapName + ".rfa";
    for (const std::string& path : {merged, mapArchive}) checkQuoted("pack.bat", path);
    checkUnquoted("pack.bat", mapName);
    return {packLine(trailingSeparator(programDir), mapName, mapName, mapName + ".rfa"), copyLine(merged, mapArchive),
            deleteLine(merged)};
}

void saveScript(const std::string& path, const Lines& lines, bool finalLineEnd) {
    writeLines(path, lines, finalLineEnd);
}

void startScript(Shell& shell, const std::string& folder, const std::string& name,
                 std::function<void(bool)> onFinished) {
    shell.runBatch(name, folder, std::move(onFinished));
}

} // namespace tw::scripts
