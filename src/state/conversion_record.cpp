#include "state/conversion_record.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace tw::state {
namespace {

constexpr const char* kHeaderStart = "Tarnwick conversion, version ";
constexpr size_t kMaxCount = 1000000;

struct StepName {
    Step step;
    const char* key;
    const char* words;
};
constexpr StepName kSteps[kStepCount] = {
    {Step::MapAnalysed, "map-analysed", "map chosen"},
    {Step::AddonMade, "addon-made", "add-on made"},
    {Step::AreasWritten, "areas-written", "areas written"},
    {Step::GameFolderConfirmed, "game-folder-confirmed", "game folder confirmed"},
    {Step::FirstPacked, "first-packed", "packed for the first time"},
    {Step::PathmapsTransferred, "pathmaps-transferred", "pathmaps transferred"},
    {Step::Packed, "packed", "packed"},
};

std::optional<Step> stepOfKey(std::string_view key) {
    for (const StepName& s : kSteps)
        if (key == s.key) return s.step;
    return std::nullopt;
}

bool holdsLineEnd(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

struct Writer {
    std::string out;
    void line(const std::string& s) { out += s + "\n"; }
    void value(const char* key, const std::string& v) {
        if (holdsLineEnd(v))
            throw AppError(std::string("The conversion's ") + key +
                           " holds a line break and cannot be remembered: " + v);
        line(std::string(key) + " " + v);
    }
    void flag(const char* key, bool v) { line(std::string(key) + (v ? " 1" : " 0")); }
    void count(const char* key, size_t n) { line(std::string(key) + " " + std::to_string(n)); }
};

struct Parser {
    Lines lines;
    size_t at = 0;
    bool ok = true;
    std::string problem;  // the first one, with its line

    void fail(std::string what, size_t line = 0) {
        if (ok) problem = "line " + std::to_string(line ? line : std::max<size_t>(at, 1)) + ": " + std::move(what);
        ok = false;
    }
    std::string next() {
        if (at >= lines.size()) {
            fail("the record ends before its \"end\" line", lines.size() + 1);
            return {};
        }
        return lines[at++];
    }
    // "key value": the value, the key checked.
    std::string value(const char* key) {
        const std::string l = next();
        const std::string prefix = std::string(key) + " ";
        // An empty value is written as the key and one blank.
        if (ok && l.compare(0, prefix.size(), prefix) != 0) {
            fail("\"" + std::string(key) + "\" was expected here");
            return {};
        }
        return ok ? l.substr(prefix.size()) : std::string();
    }
    long long number(std::string_view text, long long low, long long high) {
        long long v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
            fail("\"" + std::string(text.substr(0, 40)) + "\" is no whole number from " + std::to_string(low) + " to " +
                 std::to_string(high));
        return v;
    }
    bool flag(const char* key) {
        const std::string v = value(key);
        if (ok && v != "0" && v != "1") fail("\"" + std::string(key) + "\" should be 0 or 1");
        return v == "1";
    }
    size_t count(const char* key) { return static_cast<size_t>(number(value(key), 0, kMaxCount)); }
};

// Lines as the record keeps them: every line ends with LF.
Lines splitAtLf(std::string_view text) {
    Lines out;
    size_t start = 0;
    for (size_t lf; (lf = text.find('\n', start)) != std::string_view::npos; start = lf + 1)
        out.emplace_back(text.substr(start, lf - start));
    if (start != text.size()) out.emplace_back(text.substr(start));
    return out;
}

// Names in area lines: blanks, commas and '%' (and control characters) as
// %XX, so that any name an older file or a script brought keeps its place
// among the line's words.
std::string encodedName(const std::string& name) {
    if (name.empty()) throw AppError("An area without a name cannot be remembered");
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || c == '%' || c == ',') out += {'%', hex[u >> 4], hex[u & 15]};
        else out += c;
    }
    return out;
}

std::optional<std::string> decodedName(std::string_view word) {
    std::string out;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            out += word[i];
            continue;
        }
        unsigned v = 0;
        if (i + 2 >= word.size()) return std::nullopt;
        const auto [end, ec] = std::from_chars(word.data() + i + 1, word.data() + i + 3, v, 16);
        if (ec != std::errc() || end != word.data() + i + 3 || v == 0) return std::nullopt;
        out += static_cast<char>(v);
        i += 2;
    }
    if (out.empty() || holdsLineEnd(out)) return std::nullopt;
    return out;
}

// The pieces between the separators: n separators give n + 1 pieces, empty
// ones included, so a doubled or trailing separator shows as an empty field.
Lines piecesAt(std::string_view text, char separator) {
    Lines out;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string_view::npos; start = at + 1)
        out.emplace_back(text.substr(start, at - start));
    out.emplace_back(text.substr(start));
    return out;
}

Lines wordsAtBlanks(std::string_view text) { return piecesAt(text, ' '); }

// Shortest text that reads back as the same value.
std::string exactNumber(double v) {
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return std::string(text, ec == std::errc() ? end : text);
}

constexpr std::pair<const char*, bool areas::Kinds::*> kKindWords[] = {
    {"Base", &areas::Kinds::base},         {"ControlPoint", &areas::Kinds::controlPoint},
    {"StrongPoint", &areas::Kinds::strongPoint}, {"Airfield", &areas::Kinds::airfield},
    {"Flank", &areas::Kinds::flank},       {"Center", &areas::Kinds::center},
};

// name minX/minY maxX/maxY value kinds side done|waiting centreX/centreY left/top/right/bottom [neighbour ...]
std::string areaLine(const areas::AreaSet::Area& area) {
    const areas::AreaSpec& a = area.spec;
    const areas::AreaBox& b = a.box;
    std::string kinds;
    for (const auto& [word, flag] : kKindWords)
        if (a.kinds.*flag) kinds += std::string(kinds.empty() ? "" : ",") + word;
    if (a.light) kinds += std::string(kinds.empty() ? "" : ",") + "Car";
    if (a.heavy) kinds += std::string(kinds.empty() ? "" : ",") + "Tank";
    std::string line = "area " + encodedName(a.name) + " " + std::to_string(b.minX) + "/" + std::to_string(b.minY) + " " +
                       std::to_string(b.maxX) + "/" + std::to_string(b.maxY) + " " + std::to_string(a.priority) + " " +
                       (kinds.empty() ? "-" : kinds) + " " + (a.side < 0 ? "-" : std::to_string(a.side)) + " " +
                       (area.linked ? "done" : "waiting") + " " + exactNumber(b.centerX) + "/" + exactNumber(b.centerY) +
                       " " + std::to_string(b.left) + "/" + std::to_string(b.top) + "/" + std::to_string(b.right) + "/" +
                       std::to_string(b.bottom);
    for (const std::string& n : a.neighbours) line += " " + encodedName(n);
    return line;
}

void writeAreas(Writer& w, const areas::AreaSet& set) {
    w.value("area-picture", set.picture().path);
    w.flag("area-picture-fitted", set.picture().fitted);
    w.count("areas", set.size());
    for (const auto& area : set.areas()) w.line(areaLine(area));
    w.flag("neighbour-step", set.stepShown());
    w.count("neighbour-list", set.checkList().size());
    for (size_t i = 0; i < set.checkList().size(); ++i)
        w.line(std::string("neighbour-entry ") + (set.ticked()[i] ? "1 " : "0 ") + encodedName(set.checkList()[i]));
    w.count("proposed", set.proposedNeighbours().size());
    for (const auto& [name, neighbours] : set.proposedNeighbours()) {
        std::string line = "proposed-neighbours " + encodedName(name);
        for (const std::string& n : neighbours) line += " " + encodedName(n);
        w.line(line);
    }
}

// Fields of one area line; a problem names the field.
struct AreaLineReader {
    Parser& p;
    template <class T> T whole(std::string_view text, long long low, long long high) {
        return static_cast<T>(p.number(text, low, high));
    }
    template <size_t N> void wholes(std::string_view text, const char* what, int32_t* (&out)[N], long long limit) {
        const Lines parts = piecesAt(text, '/');
        if (parts.size() != N) {
            p.fail(std::string(what) + " should be " + std::to_string(N) + " numbers joined by '/'");
            return;
        }
        for (size_t i = 0; i < N && p.ok; ++i) *out[i] = whole<int32_t>(parts[i], -limit, limit);
    }
};

std::optional<areas::AreaSet::Area> readAreaLine(Parser& p, const std::string& line) {
    constexpr std::string_view key = "area ";
    if (line.compare(0, key.size(), key) != 0) {
        p.fail("an \"area\" line was expected here");
        return std::nullopt;
    }
    const Lines w = wordsAtBlanks(std::string_view(line).substr(key.size()));
    if (w.size() < 9) {
        p.fail("the area line should give a name, two corners, a value, kinds, a side, its neighbour step, its "
               "centre and its outline on the map");
        return std::nullopt;
    }
    areas::AreaSet::Area area;
    areas::AreaSpec& a = area.spec;
    areas::AreaBox& b = a.box;
    const auto name = decodedName(w[0]);
    if (!name) {
        p.fail("\"" + w[0].substr(0, 40) + "\" is no area name");
        return std::nullopt;
    }
    a.name = *name;
    constexpr long long kMetres = 2147483647, kPixels = 1000000;
    AreaLineReader r{p};
    int32_t* corner1[] = {&b.minX, &b.minY};
    int32_t* corner2[] = {&b.maxX, &b.maxY};
    int32_t* outline[] = {&b.left, &b.top, &b.right, &b.bottom};
    r.wholes(w[1], "the first corner", corner1, kMetres);
    if (p.ok) r.wholes(w[2], "the second corner", corner2, kMetres);
    if (p.ok) a.priority = r.whole<int32_t>(w[3], -kMetres - 1, kMetres);
    if (!p.ok) return std::nullopt;
    if (w[4] != "-") {
        size_t start = 0;
        for (;;) {
            const size_t comma = w[4].find(',', start);
            const std::string kind = w[4].substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            bool known = false;
            for (const auto& [word, flag] : kKindWords)
                if (equalsIgnoreCase(kind, word)) known = a.kinds.*flag = true;
            if (equalsIgnoreCase(kind, "Car")) known = a.light = true;
            if (equalsIgnoreCase(kind, "Tank")) known = a.heavy = true;
            if (!known) {
                p.fail("\"" + kind.substr(0, 40) + "\" is no kind of area");
                return std::nullopt;
            }
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    if (w[5] != "-") a.side = r.whole<int>(w[5], 0, 2);
    if (w[6] != "done" && w[6] != "waiting") p.fail("the neighbour step should be \"done\" or \"waiting\"");
    area.linked = w[6] == "done";
    if (!p.ok) return std::nullopt;
    const size_t slash = w[7].find('/');
    double* centre[] = {&b.centerX, &b.centerY};
    const std::string_view parts[] = {std::string_view(w[7]).substr(0, slash),
                                      slash == std::string::npos ? std::string_view() : std::string_view(w[7]).substr(slash + 1)};
    for (int i = 0; i < 2; ++i) {
        const auto [end, ec] = std::from_chars(parts[i].data(), parts[i].data() + parts[i].size(), *centre[i]);
        if (slash == std::string::npos || ec != std::errc() || end != parts[i].data() + parts[i].size() ||
            !std::isfinite(*centre[i]) || std::fabs(*centre[i]) > 4294967296.0) {
            p.fail("the centre should be two numbers joined by '/'");
            return std::nullopt;
        }
    }
    r.wholes(w[8], "the outline on the map", outline, kPixels);
    for (size_t i = 9; i < w.size() && p.ok; ++i) {
        const auto n = decodedName(w[i]);
        if (!n) p.fail("\"" + w[i].substr(0, 40) + "\" is no area name");
        else a.neighbours.push_back(*n);
    }
    if (!p.ok) return std::nullopt;
    return area;
}

// One name in a line of names, or a problem.
std::optional<Lines> namesOf(Parser& p, std::string_view text) {
    Lines out;
    for (const std::string& word : wordsAtBlanks(text)) {
        const auto n = decodedName(word);
        if (!n) {
            p.fail("\"" + word.substr(0, 40) + "\" is no area name");
            return std::nullopt;
        }
        out.push_back(*n);
    }
    return out;
}

// A second area of a name (letter case aside, as the game reads it), and a
// neighbour that names no area, are problems of the line they stand in.
void checkAreas(Parser& p, const areas::AreaSet& set, const std::vector<size_t>& lineOf) {
    std::vector<std::string> folded;
    for (size_t i = 0; i < set.size() && p.ok; ++i) {
        const std::string& name = set.areas()[i].spec.name;
        if (std::find(folded.begin(), folded.end(), foldCase(name)) != folded.end())
            p.fail("a second area is named \"" + name + "\"", lineOf[i]);
        folded.push_back(foldCase(name));
    }
    const Lines names = set.names();
    for (size_t i = 0; i < set.size() && p.ok; ++i)
        for (const std::string& n : set.areas()[i].spec.neighbours)
            if (p.ok && std::find(names.begin(), names.end(), n) == names.end())
                p.fail("the area \"" + set.areas()[i].spec.name + "\" has the neighbour \"" + n +
                           "\", but no area is named so",
                       lineOf[i]);
}

areas::AreaSet readAreas(Parser& p) {
    areas::AreaSet::Picture picture;
    picture.path = p.value("area-picture");
    picture.fitted = p.flag("area-picture-fitted");
    std::vector<areas::AreaSet::Area> list;
    std::vector<size_t> lineOf;
    const size_t count = p.count("areas");
    for (size_t i = 0; i < count && p.ok; ++i) {
        const std::string line = p.next();
        if (auto area = p.ok ? readAreaLine(p, line) : std::nullopt) {
            list.push_back(std::move(*area));
            lineOf.push_back(p.at);
        }
    }
    const bool stepShown = p.flag("neighbour-step");
    Lines checkList;
    std::vector<bool> ticked;
    const size_t entries = p.count("neighbour-list");
    for (size_t i = 0; i < entries && p.ok; ++i) {
        const std::string v = p.value("neighbour-entry");
        if (!p.ok) break;
        const auto name = v.size() > 2 && (v[0] == '0' || v[0] == '1') && v[1] == ' ' ? decodedName(v.substr(2)) : std::nullopt;
        if (!name) p.fail("the entry should be 0 or 1 and an area name");
        else {
            ticked.push_back(v[0] == '1');
            checkList.push_back(*name);
        }
    }
    areas::AreaSet::ProposedNeighbours proposed;
    const size_t proposals = p.count("proposed");
    for (size_t i = 0; i < proposals && p.ok; ++i) {
        const std::string v = p.value("proposed-neighbours");
        if (const auto names = p.ok ? namesOf(p, v) : std::nullopt)
            proposed.emplace_back(names->front(), Lines(names->begin() + 1, names->end()));
    }
    areas::AreaSet set(std::move(list), stepShown, std::move(checkList), std::move(ticked), std::move(picture),
                       std::move(proposed));
    if (p.ok) checkAreas(p, set, lineOf);
    return set;
}

// Version 1 kept the areas as the older work file's text, its lines counted.
areas::AreaSet readVersion1Areas(Parser& p) {
    const size_t count = p.count("areas");
    const size_t first = p.at;
    std::string text;
    for (size_t i = 0; i < count && p.ok; ++i) text += p.next() + "\n";
    if (!p.ok || count == 0) return {};
    const auto work = areas::parseWork(text);
    const auto set = work ? areas::AreaSet::fromWork(*work) : std::nullopt;
    if (!set) {
        p.fail("the areas kept from here on cannot be read", first);
        return {};
    }
    checkAreas(p, *set, std::vector<size_t>(set->size(), first));
    return *set;
}

} // namespace

const char* stepKey(Step step) { return kSteps[static_cast<int>(step)].key; }
const char* stepWords(Step step) { return kSteps[static_cast<int>(step)].words; }

bool ConversionRecord::has(Step step) const { return std::find(done.begin(), done.end(), step) != done.end(); }

void ConversionRecord::mark(Step step, std::string date) {
    if (!has(step)) done.push_back(step);
    std::sort(done.begin(), done.end());
    lastStep = step;
    savedAt = std::move(date);
}

std::optional<std::string> ConversionRecord::checksumFor(std::string_view entry) const {
    for (const ScriptSum& s : scripts)
        if (equalsIgnoreCase(s.entry, entry)) return s.checksum;
    return std::nullopt;
}

void ConversionRecord::setChecksum(std::string_view entry, std::string checksum) {
    for (ScriptSum& s : scripts)
        if (equalsIgnoreCase(s.entry, entry)) {
            s.checksum = std::move(checksum);
            return;
        }
    scripts.push_back({std::string(entry), std::move(checksum)});
}

std::string checksumOf(std::string_view bytes) {
    unsigned long long hash = 14695981039346656037ull;
    for (const unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%zu-%016llx", bytes.size(), hash);
    return text;
}

std::string serialiseRecord(const ConversionRecord& r) {
    Writer w;
    w.line(kHeaderStart + std::to_string(kRecordVersion));
    w.value("map-source", r.mapSource);
    w.value("map-kind", r.mapIsArchive ? "archive" : "folder");
    w.value("map-name", r.mapName);
    w.value("world-size", std::to_string(r.worldSize));
    w.value("map-folder", r.mapFolder);
    w.flag("ships", r.ships);
    w.flag("landingcrafts", r.landingCrafts);
    std::string done;
    for (const Step s : r.done) done += std::string(done.empty() ? "" : " ") + stepKey(s);
    w.value("done", done);
    w.value("last-step", r.lastStep ? stepKey(*r.lastStep) : "");
    w.value("saved", r.savedAt);
    w.value("game-folder", r.gamePath);
    w.value("pack-target", r.packTarget);
    w.count("pathmaps", r.pathmaps.size());
    for (const std::string& name : r.pathmaps) w.value("pathmap", name);
    // Only after a failed transfer, so records without one read as before.
    if (!r.notCopied.empty()) {
        w.count("not-copied", r.notCopied.size());
        for (const std::string& name : r.notCopied) w.value("not-copied-pathmap", name);
    }
    w.count("scripts", r.scripts.size());
    for (const ScriptSum& s : r.scripts) {
        if (s.checksum.find(' ') != std::string::npos) throw AppError("A script's checksum holds a blank: " + s.checksum);
        w.value("script", s.checksum + " " + s.entry);
    }
    writeAreas(w, r.areas);
    w.line("end");
    return w.out;
}

ParsedRecord parseRecord(std::string_view text) {
    ParsedRecord result;
    Parser p;
    p.lines = splitAtLf(text);
    // A newer version may hold anything after its first line.
    const std::string header = p.next();
    const auto damaged = [&](std::string what, size_t line) {
        result.problem = "line " + std::to_string(line) + ": " + std::move(what);
        return result;
    };
    if (header.compare(0, std::string_view(kHeaderStart).size(), kHeaderStart) != 0)
        return damaged("it does not begin with \"" + std::string(kHeaderStart) + "\"", 1);
    const long long version = p.number(std::string_view(header).substr(std::string_view(kHeaderStart).size()), 1,
                                       1000000);
    if (!p.ok) return damaged("the version is no number", 1);
    if (version > kRecordVersion) {
        result.kind = ParsedRecord::Kind::Newer;
        result.version = static_cast<int>(version);
        return result;
    }
    if (text.back() != '\n') return damaged("the last line is cut short", p.lines.size());
    if (const size_t cr = text.find('\r'); cr != std::string_view::npos)
        return damaged("a line holds a carriage return", static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(cr), '\n')) + 1);
    ConversionRecord& r = result.record;
    r.mapSource = p.value("map-source");
    const std::string kind = p.value("map-kind");
    if (p.ok && kind != "archive" && kind != "folder") return damaged("the map kind should be archive or folder", p.at);
    r.mapIsArchive = kind == "archive";
    r.mapName = p.value("map-name");
    r.worldSize = static_cast<int32_t>(p.number(p.value("world-size"), 0, 1 << 20));
    r.mapFolder = p.value("map-folder");
    r.ships = p.flag("ships");
    r.landingCrafts = p.flag("landingcrafts");
    const std::string done = p.value("done");
    for (size_t start = 0; p.ok && start < done.size();) {
        size_t blank = done.find(' ', start);
        if (blank == std::string::npos) blank = done.size();
        const auto step = stepOfKey(std::string_view(done).substr(start, blank - start));
        if (!step || r.has(*step)) return damaged("the steps done name an unknown step, or one twice", p.at);
        r.done.push_back(*step);
        start = blank + 1;
    }
    const std::string last = p.value("last-step");
    if (!last.empty()) {
        r.lastStep = stepOfKey(last);
        if (!r.lastStep || !r.has(*r.lastStep)) return damaged("the last step is no step done", p.at);
    }
    r.savedAt = p.value("saved");
    r.gamePath = p.value("game-folder");
    r.packTarget = p.value("pack-target");
    const size_t pathmaps = p.count("pathmaps");
    for (size_t i = 0; i < pathmaps && p.ok; ++i) r.pathmaps.push_back(p.value("pathmap"));
    if (p.at < p.lines.size() && p.lines[p.at].rfind("not-copied ", 0) == 0) {
        const size_t notCopied = p.count("not-copied");
        for (size_t i = 0; i < notCopied && p.ok; ++i) r.notCopied.push_back(p.value("not-copied-pathmap"));
    }
    const size_t scripts = p.count("scripts");
    for (size_t i = 0; i < scripts && p.ok; ++i) {
        const std::string v = p.value("script");
        const size_t blank = v.find(' ');
        if (p.ok && (blank == std::string::npos || blank == 0 || blank + 1 == v.size()))
            return damaged("the script line should give a checksum and a file", p.at);
        if (!p.ok) break;
        r.scripts.push_back({v.substr(blank + 1), v.substr(0, blank)});
    }
    if (p.ok) r.areas = version == 1 ? readVersion1Areas(p) : readAreas(p);
    if (p.ok && p.next() != "end") p.fail("\"end\" was expected here");
    if (p.ok && p.at != p.lines.size()) p.fail("nothing should follow \"end\"", p.at + 1);
    if (!p.ok) {
        result.problem = p.problem;
        return result;
    }
    std::sort(r.done.begin(), r.done.end());
    result.kind = ParsedRecord::Kind::Ok;
    return result;
}

std::string recordFile(const std::string& addonDir) { return addonDir + kRecordFileName; }

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::string lowerWithSlashes(std::string_view path) {
    std::string out(path);
    for (char& c : out) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool startsInFolder(std::string_view path, std::string_view folder) {
    return !folder.empty() && path.size() > folder.size() && lowerWithSlashes(path.substr(0, folder.size())) == lowerWithSlashes(folder);
}

// A file, a folder, or a packing target (named without ".rfa") that is there.
bool present(const std::string& path) { return pathExists(path) || pathExists(path + ".rfa"); }

// The record's paths, and how the user chooses each again.
struct PathField {
    std::string ConversionRecord::*field;
    const char* what;
    const char* chooseAgain;
};
const PathField kPathFields[] = {
    {&ConversionRecord::mapSource, "the map", "the map on page 1"},
    {&ConversionRecord::mapFolder, "the map folder", "the map on page 1"},
    {&ConversionRecord::gamePath, "the game folder", "the game folder on page 3 (\"Part 1\")"},
    {&ConversionRecord::packTarget, "the first packing's target", "the archive's place at the first packing"},
};

void resolvePaths(LoadedRecord& loaded, const std::string& programDir) {
    ConversionRecord& r = loaded.record;
    std::string former;
    for (const PathField& f : kPathFields) {
        std::string& path = r.*f.field;
        path = loadedPath(path, programDir);
        if (former.empty()) former = formerProgramDir(path, r.mapName);
    }
    if (!former.empty() && lowerWithSlashes(former) == lowerWithSlashes(programDir)) former.clear();
    bool moved = false;
    std::vector<std::string> gone, chooseAgain;
    for (const PathField& f : kPathFields) {
        std::string& path = r.*f.field;
        if (path.empty()) continue;
        if (const std::string now = movedPath(path, former, programDir); !now.empty()) {
            path = now;
            moved = true;
            continue;
        }
        // The map's own source matters only until the add-on is made, and
        // its folder is named in its place.
        if (f.field == &ConversionRecord::mapSource && (r.has(Step::AddonMade) || !r.mapIsArchive)) continue;
        const bool there = f.field == &ConversionRecord::packTarget ? folderExists(folderOf(path)) : present(path);
        if (there) continue;
        gone.push_back(std::string(f.what) + " " + path);
        if (std::find(chooseAgain.begin(), chooseAgain.end(), f.chooseAgain) == chooseAgain.end())
            chooseAgain.emplace_back(f.chooseAgain);
    }
    const auto joined = [](const std::vector<std::string>& parts) {
        std::string out;
        for (size_t i = 0; i < parts.size(); ++i)
            out += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
        return out;
    };
    if (moved)
        loaded.notes = "The program folder was moved from " + former + " to " + programDir +
                       ": this conversion's paths inside it are taken from " + programDir + ".";
    if (!gone.empty())
        loaded.notes += std::string(loaded.notes.empty() ? "" : " ") +
                        (gone.size() == 1 ? "This path of the conversion is" : "These paths of the conversion are") +
                        " no longer there: " + joined(gone) + ". Choose " + joined(chooseAgain) + " again.";
}

} // namespace

std::string programDirOf(const std::string& addonDir) {
    // ProgramDir, "bf1942", "levels", the add-on's name, each ending in a separator.
    if (addonDir.size() < 2 || !isSeparator(addonDir.back())) return {};
    size_t end = addonDir.size() - 1;
    std::string names[3];
    for (std::string& name : names) {
        const size_t sep = addonDir.find_last_of("/\\", end - 1);
        if (sep == std::string::npos || end == 0) return {};
        name = addonDir.substr(sep + 1, end - sep - 1);
        end = sep;
    }
    if (names[0].empty() || !equalsIgnoreCase(names[1], "levels") || !equalsIgnoreCase(names[2], "bf1942")) return {};
    return addonDir.substr(0, end + 1);
}

bool isAbsolutePath(std::string_view path) {
    return !path.empty() &&
           (isSeparator(path[0]) || (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'));
}

std::string storedPath(const std::string& path, const std::string& programDir) {
    if (!startsInFolder(path, programDir) || !isSeparator(programDir.back())) return path;
    // "C:\\Tools\\" + "\\samples\\..." (a doubled separator) is still inside.
    const size_t rest = path.find_first_not_of("/\\", programDir.size());
    return rest == std::string::npos ? path : path.substr(rest);
}

std::string loadedPath(const std::string& stored, const std::string& programDir) {
    return stored.empty() || isAbsolutePath(stored) || programDir.empty() ? stored : programDir + stored;
}

std::string formerProgramDir(const std::string& path, const std::string& mapName) {
    if (mapName.empty() || !isAbsolutePath(path)) return {};
    const std::string lower = lowerWithSlashes(path), map = lowerWithSlashes(mapName);
    for (const std::string& tail :
         {"/bf1942/levels/" + map + "/", "/bf1942/levels/" + map + "_001/", "/samples/" + map + "/", "/samples/" + map + ".rfa"}) {
        const size_t at = lower.rfind(tail);
        if (at != std::string::npos) return path.substr(0, at + 1);
    }
    return {};
}

std::string movedPath(const std::string& path, const std::string& formerDir, const std::string& programDir) {
    if (formerDir.empty() || programDir.empty() || !startsInFolder(path, formerDir) || present(path)) return {};
    std::string rest = path.substr(formerDir.size());
    const char sep = trailingSeparator(programDir);
    std::replace_if(rest.begin(), rest.end(), isSeparator, sep);
    const std::string now = programDir + rest;
    return present(now) ? now : std::string();
}

LoadedRecord loadRecord(const std::string& addonDir) {
    LoadedRecord loaded;
    const std::string file = recordFile(addonDir);
    if (!pathExists(file)) return loaded;
    std::string reason;
    std::optional<std::string> bytes;
    try {
        if (!fileExists(file)) throw AppError("it is not an ordinary file");
        bytes = readBytes(file);
    } catch (const std::exception& e) {
        reason = e.what();
    }
    if (bytes) {
        const ParsedRecord parsed = parseRecord(*bytes);
        if (parsed.kind == ParsedRecord::Kind::Ok) {
            loaded.kind = LoadedRecord::Kind::Ok;
            loaded.record = parsed.record;
            if (const std::string program = programDirOf(addonDir); !program.empty()) resolvePaths(loaded, program);
            return loaded;
        }
        if (parsed.kind == ParsedRecord::Kind::Newer) {
            loaded.kind = LoadedRecord::Kind::Newer;
            loaded.message = "The conversion saved in " + file + " was written by a newer Tarnwick (record version " +
                             std::to_string(parsed.version) + "; this one reads up to " +
                             std::to_string(kRecordVersion) +
                             "). It is left as it is: continue it with that Tarnwick, or choose the map here as "
                             "usual to begin afresh.";
            return loaded;
        }
        reason = parsed.problem.empty() ? "it is damaged" : "it is damaged, " + parsed.problem;
    }
    // Set aside under a name of its own, so that no later save overwrites it.
    std::string aside = file + ".damaged";
    for (int n = 2; pathExists(aside); ++n) aside = file + ".damaged" + std::to_string(n);
    std::error_code failed;
    std::filesystem::rename(resolvePath(file), resolvePath(aside), failed);
    if (failed) {
        loaded.kind = LoadedRecord::Kind::Unusable;
        loaded.message = "The conversion saved in " + file + " cannot be read (" + reason + ") nor set aside (" + failed.message() +
                         "). It is left as it is; move it away, then choose the map as usual.";
        return loaded;
    }
    loaded.kind = LoadedRecord::Kind::SetAside;
    loaded.aside = aside;
    loaded.message = "The conversion saved in " + file + " cannot be read (" + reason + "). It was kept as " + nameOf(aside) + ". Choose the map as usual to begin again.";
    return loaded;
}

void saveRecord(const std::string& addonDir, const ConversionRecord& record) {
    ConversionRecord stored = record;
    if (const std::string program = programDirOf(addonDir); !program.empty())
        for (const PathField& f : kPathFields) stored.*f.field = storedPath(record.*f.field, program);
    writeBytes(recordFile(addonDir), serialiseRecord(stored));
}

std::vector<ListedConversion> listConversions(const std::string& programDir) {
    std::vector<ListedConversion> out;
    const char sep = trailingSeparator(programDir);
    const std::string levels = programDir + "bf1942" + sep + "levels" + sep;
    std::error_code ec;
    const auto resolved = resolvePath(levels);
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(resolved, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && !it->is_symlink(typeError)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string addon = levels + name + sep;
        if (!pathExists(recordFile(addon))) continue;
        out.push_back({addon, name, loadRecord(addon)});
    }
    std::stable_sort(out.begin(), out.end(), [](const ListedConversion& a, const ListedConversion& b) {
        return a.loaded.record.savedAt > b.loaded.record.savedAt;
    });
    return out;
}

std::string nowStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::tm utc = platform::utcTime(now);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &utc);
    return text;
}

} // namespace tw::state
