#include "areas/area_script.h"

#include "generator/ai_scripts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tw::areas {

std::optional<AreaBox> areaOf(int gx, int gy, int rx, int ry, int32_t worldSize, int32_t worldScale) {
    if (gx == rx || gy == ry) return std::nullopt;
    AreaBox b;
    b.left = std::min(gx, rx);
    b.right = std::max(gx, rx);
    b.top = std::min(gy, ry);
    b.bottom = std::max(gy, ry);
    b.minX = b.left * worldScale;
    b.maxX = b.right * worldScale;
    b.minY = worldSize - b.bottom * worldScale;
    b.maxY = worldSize - b.top * worldScale;
    b.centerX = b.minX + (b.maxX - b.minX) / 2.0;
    b.centerY = b.minY + (b.maxY - b.minY) / 2.0;
    return b;
}

std::string numberText(double value) {
    if (std::trunc(value) == value && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

namespace {
std::string corner(const AreaBox& b) { return std::to_string(b.minX) + "/" + std::to_string(b.minY); }
std::string centre(const AreaBox& b) { return numberText(b.centerX) + "/" + numberText(b.centerY); }
} // namespace

std::string listEntry(const std::string& name, const AreaBox& box, int32_t priority) {
    return name + " [ " + std::to_string(box.minX) + ";" + std::to_string(box.minY) + " / " + numberText(box.centerX) +
           ";" + numberText(box.centerY) + " ] ==> Prio. [" + std::to_string(priority) + "]";
}

std::string createLine(const std::string& name, const AreaBox& box, int32_t priority) {
    return "aiStrategicArea.create " + name + " " + corner(box) + " " + centre(box) + " " + std::to_string(priority);
}

Lines kindLines(const Kinds& k) {
    Lines lines;
    const std::pair<bool, const char*> kinds[] = {{k.base, "Base"},       {k.controlPoint, "ControlPoint"},
                                                  {k.strongPoint, "StrongPoint"}, {k.airfield, "airfield"},
                                                  {k.flank, "flank"},     {k.center, "center"}};
    for (const auto& [ticked, flag] : kinds)
        if (ticked) lines.push_back(std::string("aiStrategicArea.addObjectTypeFlag ") + flag);
    return lines;
}

Lines orderLines(double centerX, double centerY, bool light, bool heavy) {
    const std::string position = numberText(centerX - 10) + "/" + numberText(centerY - 10);
    Lines lines = {"AIStrategicArea.setOrderPosition Infantry " + position};
    if (light) lines.push_back("AIStrategicArea.setOrderPosition Car " + position);
    if (heavy) lines.push_back("AIStrategicArea.setOrderPosition Tank " + position);
    return lines;
}

std::string sideLine(int side) {
    return side < 0 ? std::string() : "aiStrategicArea.setSide " + std::to_string(side);
}

Lines areaBlock(const std::string& name, const Lines& neighbours, const Lines& kinds, const Lines& orders,
                const std::string& side) {
    Lines block = {"aiStrategicArea.setActive " + name};
    for (const std::string& n : neighbours) block.push_back("AIStrategicArea.addNeighbour " + n);
    block.insert(block.end(), kinds.begin(), kinds.end());
    block.insert(block.end(), orders.begin(), orders.end());
    if (!side.empty()) block.push_back(side);
    block.push_back("");
    return block;
}

std::string creditLine() { return std::string("rem *** RizU done by quorvin_tal's Tarnwick ... ") + generator::kHomepage; }

Lines strategicAreasCon(const Lines& createLines, const Lines& blocks) {
    Lines lines = {creditLine()};
    lines.insert(lines.end(), createLines.begin(), createLines.end());
    lines.insert(lines.end(), {"", " ", " "});
    lines.insert(lines.end(), blocks.begin(), blocks.end());
    lines.push_back("");
    return lines;
}

} // namespace tw::areas
