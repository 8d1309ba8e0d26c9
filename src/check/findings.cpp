#include "check/findings.h"

#include "areas/area_script.h"

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

} // namespace tw::check
