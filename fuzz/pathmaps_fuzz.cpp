// libFuzzer target: any bytes as each kind of pathmap file, for a world size
// and level taken from the first byte. Reading must end in a map or a
// PathmapError, never in a crash, a hang or a huge allocation; a map that is
// read must come back the same from its own bytes, and the region check
// must take whatever Info and strategic maps were read.
#include "pathmaps/formats.h"
#include "pathmaps/rebuild.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw::pathmaps;
    if (size < 1) return 0;
    const int world = 256 << (data[0] & 3);  // 256 .. 2048 m
    const int level = (data[0] >> 2) % 6;
    if (!levelFits(world, level)) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    Bitmap map;
    try {
        map = decodeLevelMap(bytes, "map", world, level);
        if (!(decodeLevelMap(encodeLevelMap(map, level), "again", world, level) == map)) __builtin_trap();
    } catch (const PathmapError&) {
    }
    try {
        const Bitmap eight = decodeEightBit(bytes, "eight", world, level);
        if (!(decodeEightBit(encodeEightBit(eight), "again", world, level) == eight)) __builtin_trap();
    } catch (const PathmapError&) {
    }
    try {
        const InfoMap info = decodeInfo(bytes, "info", world, level);
        if (!(decodeInfo(encodeInfo(info, level), "again", world, level) == info)) __builtin_trap();
        if (!map.empty()) (void)checkStrategic(map, level, info, buildStrategic(map, level).map);
    } catch (const PathmapError&) {
    }
    try {
        const StrategicMap strategic = decodeStrategic(bytes, "strategic", world);
        if (!(decodeStrategic(encodeStrategic(strategic), "again", world) == strategic)) __builtin_trap();
        if (level == 0) (void)checkStrategic(Bitmap(world), 0, buildStrategic(Bitmap(world), 0).info, strategic);
    } catch (const PathmapError&) {
    }
    (void)describeHeader(bytes);
    return 0;
}
