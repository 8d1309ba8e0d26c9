// The DDS reader: pictures written by libsquish in every kind levels use,
// read back; damaged and unsupported headers refused field by field.
#include "areas/dds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace tw::areas {
namespace {

// Four flat quarters (red, green, blue, grey with half alpha): every 4 x 4
// block holds one colour, so even DXT keeps them nearly exact.
RgbaImage quarters(int w, int h) {
    RgbaImage img{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int q = (y >= h / 2) * 2 + (x >= w / 2);
            const uint8_t c[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {128, 128, 128, 128}};
            img.pixels.insert(img.pixels.end(), c[q], c[q] + 4);
        }
    return img;
}

struct Kind {
    const char* name;
    int tolerance;   // per channel
    bool keepsAlpha;
};

TEST(Dds, EveryKindReadsBackWhatWasWritten) {
    for (const Kind& k : {Kind{"DXT1", 8, false}, Kind{"DXT3", 8, true}, Kind{"DXT5", 8, true},
                          Kind{"RGB24", 0, false}, Kind{"RGBA32", 0, true}}) {
        SCOPED_TRACE(k.name);
        const RgbaImage in = quarters(64, 32);
        const auto out = decodeDds(encodeDds(in, k.name));
        ASSERT_TRUE(out);
        ASSERT_EQ(out->width, 64);
        ASSERT_EQ(out->height, 32);
        ASSERT_EQ(out->pixels.size(), in.pixels.size());
        for (size_t i = 0; i < in.pixels.size(); ++i) {
            const bool alpha = i % 4 == 3;
            const int expected = alpha && !k.keepsAlpha ? 255 : in.pixels[i];
            ASSERT_LE(std::abs(out->pixels[i] - expected), k.tolerance) << "byte " << i;
        }
    }
}

TEST(Dds, SizesThatAreNoMultipleOfFourAndHeaderLayout) {
    const auto out = decodeDds(encodeDds(quarters(10, 6), "DXT1"));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width, 10);
    EXPECT_EQ(out->height, 6);
    // 128 bytes of header, then 3 x 2 blocks of 8 bytes.
    EXPECT_EQ(encodeDds(quarters(10, 6), "DXT1").size(), 128u + 6 * 8);
    EXPECT_EQ(encodeDds(quarters(10, 6), "RGB24").size(), 128u + 10 * 6 * 3);
}

void setWord(std::string& b, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Writers that leave out the pixel-format and caps flags (only height and
// width set) still give a readable picture.
TEST(Dds, OnlyHeightAndWidthFlagsAreRequired) {
    for (const char* kind : {"DXT1", "RGB24"}) {
        std::string b = encodeDds(quarters(16, 8), kind);
        setWord(b, 8, 0x2 | 0x4);
        const auto out = decodeDds(b);
        ASSERT_TRUE(out) << kind;
        EXPECT_EQ(out->width, 16) << kind;
    }
}

TEST(Dds, DamagedOrUnsupportedHeadersAreRefused) {
    const std::string dxt = encodeDds(quarters(8, 8), "DXT5");
    const std::string rgb = encodeDds(quarters(8, 8), "RGBA32");
    struct Case {
        const char* what;
        const std::string* base;
        std::function<void(std::string&)> damage;
    };
    // Offsets are from the file's start: the magic takes four bytes.
    const std::vector<Case> cases = {
        {"magic", &dxt, [](std::string& b) { b[0] = 'X'; }},
        {"header size", &dxt, [](std::string& b) { setWord(b, 4, 100); }},
        {"no width flag", &dxt, [](std::string& b) { setWord(b, 8, 0x1 | 0x2 | 0x1000); }},
        {"height 0", &dxt, [](std::string& b) { setWord(b, 12, 0); }},
        {"width 0", &dxt, [](std::string& b) { setWord(b, 16, 0); }},
        {"width too large", &dxt, [](std::string& b) { setWord(b, 16, 1u << 30); }},
        {"volume depth", &dxt, [](std::string& b) { setWord(b, 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x800000); setWord(b, 24, 4); }},
        {"pixel format size", &dxt, [](std::string& b) { setWord(b, 76, 24); }},
        {"neither fourcc nor rgb", &dxt, [](std::string& b) { setWord(b, 80, 0); }},
        {"both fourcc and rgb", &dxt, [](std::string& b) { setWord(b, 80, 0x4 | 0x40); }},
        {"other compression", &dxt, [](std::string& b) { b.replace(84, 4, "DX10"); }},
        {"not a texture", &dxt, [](std::string& b) { setWord(b, 108, 0x8); }},
        {"cube map", &dxt, [](std::string& b) { setWord(b, 112, 0x200); }},
        {"blocks cut short", &dxt, [](std::string& b) { b.resize(b.size() - 1); }},
        {"header cut short", &dxt, [](std::string& b) { b.resize(100); }},
        {"16 bits", &rgb, [](std::string& b) { setWord(b, 88, 16); }},
        {"mask not one byte", &rgb, [](std::string& b) { setWord(b, 92, 0x00FFF000); }},
        {"two channels one byte", &rgb, [](std::string& b) { setWord(b, 96, 0x00FF0000); }},
        {"alpha mask missing", &rgb, [](std::string& b) { setWord(b, 104, 0); }},
        {"pixels cut short", &rgb, [](std::string& b) { b.resize(b.size() - 4); }},
    };
    ASSERT_TRUE(decodeDds(dxt));
    ASSERT_TRUE(decodeDds(rgb));
    for (const Case& c : cases) {
        std::string bytes = *c.base;
        c.damage(bytes);
        EXPECT_FALSE(decodeDds(bytes)) << c.what;
    }
    EXPECT_FALSE(decodeDds(""));
}

} // namespace
} // namespace tw::areas
