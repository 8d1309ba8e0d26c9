#include "check/map_numbers.h"

#include "level/pathfinding_con.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/level_files.h"
#include "state/script_guard.h"

#include <filesystem>
#include <map>

namespace tw::check {
namespace {

constexpr const char* kFile = "AIPathFinding.con";
constexpr const char* kEntry = "AIPathfinding.con";  // as the conversion record names it

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::optional<int> wholeOf(std::string_view text) { return level::scriptWhole(text); }

// The number a map's name ends in (Car4: 4), if any.
std::optional<int> nameNumber(const std::string& name) {
    size_t start = name.size();
    while (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1]))) --start;
    if (start == name.size() || name.size() - start > 6) return std::nullopt;
    return wholeOf(std::string_view(name).substr(start));
}

enum class Kind { Type, Seeds, Smoothing };

struct NumberLine {
    Kind kind;
    size_t line;
    std::string command, type;
    int number;
    int block;  // the map declared last before the line; -1: none
};

} // namespace

std::vector<MapNumberFault> mapNumberFaults(const Lines& lines) {
    std::vector<std::string> maps;
    std::vector<NumberLine> numbered;
    for (const level::PathFindingLine& line : level::readPathFinding(lines)) {
        using Read = level::PathFindingLine::Kind;
        const Lines& w = line.words;
        if (line.kind == Read::SearchMap) {
            if (!w.empty()) maps.push_back(w[0]);
            continue;
        }
        const Kind kind = line.kind == Read::SearchType ? Kind::Type
                          : line.kind == Read::SpawnPoints ? Kind::Seeds
                                                            : Kind::Smoothing;
        const std::string written = level::mapNumberText(line);
        const auto number = written.empty() ? std::nullopt : wholeOf(written);
        if (!number) continue;  // the declarations' own findings cover it
        numbered.push_back({kind, line.line, line.command, kind == Kind::Type ? w[0] : std::string(), *number,
                            static_cast<int>(maps.size()) - 1});
    }
    std::map<std::pair<Kind, int>, int> perBlock;  // lines of a kind in each map's block
    for (const NumberLine& n : numbered) ++perBlock[{n.kind, n.block}];

    std::vector<MapNumberFault> faults;
    for (const NumberLine& n : numbered) {
        std::optional<size_t> meant;
        if (n.kind == Kind::Type) {
            // The map called after the type: its word and a number.
            for (size_t m = 0; m < maps.size(); ++m) {
                const std::string& name = maps[m];
                if (name.size() <= n.type.size() || !equalsIgnoreCase(name.substr(0, n.type.size()), n.type) ||
                    name.find_first_not_of("0123456789", n.type.size()) != std::string::npos)
                    continue;
                if (meant) {  // two such maps: none is meant for certain
                    meant.reset();
                    break;
                }
                meant = m;
            }
        } else {
            if (n.block >= 0 && perBlock[{n.kind, n.block}] == 1) {
                meant = static_cast<size_t>(n.block);
            } else {
                for (size_t m = 0; m < maps.size(); ++m)
                    if (nameNumber(maps[m]) == n.number) {
                        if (meant) {
                            meant.reset();
                            break;
                        }
                        meant = m;
                    }
            }
            // Only the number in the map's name is the earlier numbering.
            if (meant && nameNumber(maps[*meant]) != n.number) meant.reset();
        }
        if (!meant || static_cast<int>(*meant) == n.number) continue;
        faults.push_back({n.line, n.command, maps[*meant], n.number, static_cast<int>(*meant)});
    }
    return faults;
}

std::string mendMapNumbers(const std::string& bytes, const std::vector<MapNumberFault>& faults) {
    std::map<size_t, const MapNumberFault*> byLine;
    for (const MapNumberFault& f : faults) byLine[f.line] = &f;
    std::string out;
    out.reserve(bytes.size() + faults.size());
    size_t line = 1, start = 0;
    // Lines end at CR LF, LF or CR, as the file is read.
    while (start < bytes.size()) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        std::string text = bytes.substr(start, end - start);
        if (const auto it = byLine.find(line); it != byLine.end()) {
            // The number is the second word of a seed or smoothing line, the
            // third of a type line.
            const size_t wanted = equalsIgnoreCase(it->second->command, "ai.addSearchType") ? 2 : 1;
            size_t i = 0, word = 0;
            while (i < text.size()) {
                while (i < text.size() && isBlank(text[i])) ++i;
                const size_t from = i;
                while (i < text.size() && !isBlank(text[i])) ++i;
                if (i == from) break;
                if (word++ == wanted) {
                    // As the number was read: "04" is 4 as well.
                    if (wholeOf(std::string_view(text).substr(from, i - from)) == it->second->written)
                        text.replace(from, i - from, std::to_string(it->second->position));
                    break;
                }
            }
        }
        out += text;
        size_t next = end;
        if (next < bytes.size()) next += bytes[next] == '\r' && next + 1 < bytes.size() && bytes[next + 1] == '\n' ? 2 : 1;
        out.append(bytes, end, next - end);
        start = next;
        ++line;
    }
    return out;
}

std::string faultText(const MapNumberFault& f) {
    return std::string(kFile) + ":" + std::to_string(f.line) + ": " + f.command + " " + std::to_string(f.written) +
           " -> " + std::to_string(f.position) + " (" + f.map + ")";
}

namespace {

std::string pathIn(const std::string& addonDir) { return addonDir + kFile; }

} // namespace

std::vector<MapNumberFault> addonMapNumberFaults(const std::string& addonDir) {
    const std::string path = pathIn(addonDir);
    if (!fileExists(path)) return {};
    return mapNumberFaults(readLevelLines(path));
}

MapNumberMend mendAddonMapNumbers(const std::string& addonDir, state::ConversionRecord* record) {
    MapNumberMend mend;
    const std::string path = pathIn(addonDir);
    if (!fileExists(path)) return mend;
    std::string bytes;
    try {
        bytes = readLevelBytes(path);
    } catch (const AppError& e) {
        throw AppError(std::string(e.what()) + ", so its map numbers were not mended. Put the add-on's text file in "
                                               "its place and mend them again: continue the conversion once more, or "
                                               "run tarnwick-cli check --mend");
    }
    const auto faults = mapNumberFaults(splitLines(decodeCp1252(bytes)));
    if (faults.empty()) return mend;
    std::error_code ec;
    const auto status = std::filesystem::status(resolvePath(path), ec);
    if (!ec && (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none)
        throw AppError(path + " is read-only, so its map numbers cannot be mended; nothing was changed. Make it "
                              "writable, then mend them again: continue the conversion once more, or run "
                              "tarnwick-cli check --mend");
    const std::string mended = mendMapNumbers(bytes, faults);
    if (mended == bytes) return mend;  // nothing the mend can change: nothing copied, nothing said to be mended
    const bool tarnwicks = record && state::changedScripts(*record, addonDir, {kEntry}).empty() &&
                           record->checksumFor(kEntry).has_value();
    try {
        mend.copiedTo = state::copyAside(addonDir, {kFile}, state::nowStamp());
    } catch (const AppError&) {
        throw AppError(path + " could not be copied into a dated folder inside " + addonDir +
                       ", so its map numbers were not mended. Free some room there and "
                       "mend them again: continue the conversion once more, or run tarnwick-cli check --mend");
    }
    writeBytes(path, mended);
    if (tarnwicks) state::noteWritten(*record, addonDir, {kEntry});
    mend.mended = faults;
    return mend;
}

std::string mendQuestion(const std::string& addonDir, const std::vector<MapNumberFault>& faults) {
    std::string text = pathIn(addonDir) +
                       " numbers some search maps by the digit in their names, as earlier Tarnwick versions wrote "
                       "it. The game numbers the maps 0, 1, 2, ... in the order of their ai.addSearchMap lines, so "
                       "these lines name no map or the wrong one, and the bots of those maps would stand still or "
                       "find their way on the wrong map:";
    for (const MapNumberFault& f : faults) text += "\n    " + faultText(f);
    text += "\n\n\"Mend the map numbers\" writes the right numbers and nothing else, after copying the file as it "
            "is into a dated folder inside the add-on; \"Leave them\" changes nothing.";
    return text;
}

std::string mendedMessage(const std::string& addonDir, const MapNumberMend& mend) {
    std::string text = "The map numbers of " + pathIn(addonDir) + " were mended:";
    for (const MapNumberFault& f : mend.mended) text += "\n    " + faultText(f);
    text += "\nThe file as it was is in " + mend.copiedTo + ".";
    return text;
}

} // namespace tw::check
