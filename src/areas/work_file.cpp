#include "areas/work_file.h"

#include <charconv>

namespace tw::areas {
namespace {

constexpr const char* kHeader = "Tarnwick areas in progress, version 1";
constexpr size_t kMaxCount = 1000000;

struct Writer {
    std::string out;
    void line(const std::string& s) { out += s + "\n"; }
    void list(const char* key, const auto& lines) {
        line(std::string(key) + " " + std::to_string(lines.size()));
        for (const std::string& s : lines) line(s);
    }
    void groups(const char* key, const std::deque<Lines>& groups) {
        line(std::string(key) + " " + std::to_string(groups.size()));
        for (const Lines& g : groups) list("group", g);
    }
};

struct Parser {
    Lines lines;
    size_t at = 0;
    bool ok = true;

    std::string next() {
        if (at >= lines.size()) {
            ok = false;
            return {};
        }
        return lines[at++];
    }
    long long number(std::string_view text, long long limit) {
        long long v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || end != text.data() + text.size() || v < -limit || v > limit) ok = false;
        return v;
    }
    size_t count(const char* key) {
        const std::string l = next();
        const std::string prefix = std::string(key) + " ";
        if (l.compare(0, prefix.size(), prefix) != 0) {
            ok = false;
            return 0;
        }
        const auto n = number(std::string_view(l).substr(prefix.size()), kMaxCount);
        if (n < 0) ok = false;
        return ok ? static_cast<size_t>(n) : 0;
    }
    template <class List> List list(const char* key) {
        List out;
        const size_t n = count(key);
        for (size_t i = 0; i < n && ok; ++i) out.push_back(next());
        return out;
    }
    std::deque<Lines> groups(const char* key) {
        std::deque<Lines> out;
        const size_t n = count(key);
        for (size_t i = 0; i < n && ok; ++i) out.push_back(list<Lines>("group"));
        return out;
    }
};

// Lines as the work file keeps them: every line ends with LF; a line's own
// text never holds a line end (names come from one-line fields).
Lines splitAtLf(std::string_view text) {
    Lines out;
    size_t start = 0;
    for (size_t lf; (lf = text.find('\n', start)) != std::string_view::npos; start = lf + 1)
        out.emplace_back(text.substr(start, lf - start));
    if (start != text.size()) out.emplace_back(text.substr(start));  // no final LF: cut short
    return out;
}

} // namespace

constexpr const char* kFitted = "fitted to the combat area";

std::string serialiseWork(const AreasWork& w) {
    Writer out;
    out.line(kHeader);
    // A fitted picture adds a second line; every other work keeps one.
    out.list("picture", w.pictureFitted ? Lines{w.picture, kFitted} : Lines{w.picture});
    out.list("list", w.listEntries);
    out.list("create", w.createLines);
    out.list("waiting", w.waiting);
    out.groups("params", w.params);
    out.groups("vparams", w.vparams);
    out.list("sides", w.sides);
    out.list("blocks", w.blocks);
    out.line(std::string("neighbourStep ") + (w.neighbourStep ? "1" : "0"));
    out.line("checkList " + std::to_string(w.checkList.size()));
    for (size_t i = 0; i < w.checkList.size(); ++i)
        out.line(std::string(i < w.ticked.size() && w.ticked[i] ? "1 " : "0 ") + w.checkList[i]);
    out.line("outlines " + std::to_string(w.outlines.size()));
    for (const Outline& o : w.outlines)
        out.line(std::to_string(o.left) + " " + std::to_string(o.top) + " " + std::to_string(o.right) + " " +
                 std::to_string(o.bottom) + " " + std::to_string(o.side) + " " + o.name);
    out.line("proposed " + std::to_string(w.proposedNeighbours.size()));
    for (const auto& [name, neighbours] : w.proposedNeighbours) {
        out.line(name);
        out.list("group", neighbours);
    }
    out.line("end");
    return out.out;
}

std::optional<AreasWork> parseWork(std::string_view text) {
    // A CR inside a line would become a line of its own in the script.
    if (text.empty() || text.back() != '\n' || text.find('\r') != std::string_view::npos) return std::nullopt;
    Parser p{splitAtLf(text)};
    if (p.next() != kHeader) return std::nullopt;
    AreasWork w;
    const Lines picture = p.list<Lines>("picture");
    if (p.ok && (picture.empty() || picture.size() > 2 || (picture.size() == 2 && picture[1] != kFitted)))
        return std::nullopt;
    if (p.ok) w.picture = picture.front();
    w.pictureFitted = p.ok && picture.size() == 2;
    w.listEntries = p.list<Lines>("list");
    w.createLines = p.list<Lines>("create");
    w.waiting = p.list<std::deque<std::string>>("waiting");
    w.params = p.groups("params");
    w.vparams = p.groups("vparams");
    w.sides = p.list<std::deque<std::string>>("sides");
    w.blocks = p.list<Lines>("blocks");
    const std::string step = p.next();
    if (step != "neighbourStep 0" && step != "neighbourStep 1") return std::nullopt;
    w.neighbourStep = step == "neighbourStep 1";
    const size_t checks = p.count("checkList");
    for (size_t i = 0; i < checks && p.ok; ++i) {
        const std::string l = p.next();
        if (l.size() < 2 || (l[0] != '0' && l[0] != '1') || l[1] != ' ') return std::nullopt;
        w.ticked.push_back(l[0] == '1');
        w.checkList.push_back(l.substr(2));
    }
    const size_t outlines = p.count("outlines");
    for (size_t i = 0; i < outlines && p.ok; ++i) {
        const std::string l = p.next();
        Outline o;
        int* fields[] = {&o.left, &o.top, &o.right, &o.bottom, &o.side};
        size_t start = 0;
        for (int* f : fields) {
            const size_t blank = l.find(' ', start);
            if (blank == std::string::npos) return std::nullopt;
            *f = static_cast<int>(p.number(std::string_view(l).substr(start, blank - start), 1000000));
            start = blank + 1;
        }
        o.name = l.substr(start);
        w.outlines.push_back(std::move(o));
    }
    const size_t proposed = p.count("proposed");
    for (size_t i = 0; i < proposed && p.ok; ++i) {
        std::string name = p.next();
        w.proposedNeighbours.emplace_back(std::move(name), p.list<Lines>("group"));
    }
    if (p.next() != "end" || !p.ok || p.at != p.lines.size()) return std::nullopt;
    // The per-area lists belong together: one group and one side per waiting area.
    if (w.params.size() != w.waiting.size() || w.vparams.size() != w.waiting.size() ||
        w.sides.size() != w.waiting.size())
        return std::nullopt;
    return w;
}

} // namespace tw::areas
