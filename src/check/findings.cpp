#include "check/findings.h"

#include "areas/area_script.h"

#include <algorithm>

namespace tw::check {

std::string placeText(const Finding& f) {
    if (!f.file.empty()) return f.line > 0 ? f.file + ":" + std::to_string(f.line) : f.file;
    if (f.at) return areas::numberText(f.at->x) + "/" + areas::numberText(f.at->z);
    return "-";
}

std::string findingLine(const Finding& f) {
    return std::string(severityName(f.severity)) + " " + f.code + " " + placeText(f) + " " + f.message;
}

size_t countOf(const std::vector<Finding>& findings, Severity severity) {
    size_t n = 0;
    for (const Finding& f : findings) n += f.severity == severity;
    return n;
}

namespace {

// The finding that starts the chain findings[i] is in; none for a ring or a
// broken link.
std::optional<size_t> rootOf(const std::vector<Finding>& findings, size_t i) {
    for (size_t steps = 0; steps <= findings.size(); ++steps) {
        const auto& next = findings[i].cause;
        if (!next) return i;
        if (*next >= findings.size() || *next == i) return std::nullopt;
        i = *next;
    }
    return std::nullopt;  // a ring
}

} // namespace

void orderByCause(std::vector<Finding>& findings) {
    const size_t n = findings.size();
    std::vector<size_t> root(n);
    for (size_t i = 0; i < n; ++i) {
        root[i] = rootOf(findings, i).value_or(i);
        // A cause milder than what follows from it would hide an error among
        // the warnings: such a finding stands on its own.
        if (findings[root[i]].severity > findings[i].severity) root[i] = i;
    }
    std::vector<size_t> causes;
    for (size_t i = 0; i < n; ++i)
        if (root[i] == i) causes.push_back(i);
    std::stable_sort(causes.begin(), causes.end(),
                     [&](size_t a, size_t b) { return findings[a].severity < findings[b].severity; });
    std::vector<size_t> order;  // new place: old index
    std::vector<size_t> placeOf(n);
    for (const size_t c : causes) {
        placeOf[c] = order.size();
        order.push_back(c);
        for (size_t i = 0; i < n; ++i)
            if (i != c && root[i] == c) {
                placeOf[i] = order.size();
                order.push_back(i);
            }
    }
    std::vector<Finding> out;
    out.reserve(n);
    for (const size_t i : order) {
        out.push_back(std::move(findings[i]));
        out.back().cause = root[i] == i ? std::nullopt : std::optional<size_t>(placeOf[root[i]]);
    }
    findings = std::move(out);
}

size_t consequencesOf(const std::vector<Finding>& findings, size_t index) {
    size_t n = 0;
    for (size_t i = 0; i < findings.size(); ++i)
        if (i != index && findings[i].cause && rootOf(findings, i) == std::optional<size_t>(index)) ++n;
    return n;
}

} // namespace tw::check
