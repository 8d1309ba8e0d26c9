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

namespace tw::areas {
namespace {

// A gradient of many colours, so that block means and mip maps show.
RgbaImage gradient(int side) {
    RgbaImage img{side, side, {}};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            img.pixels.insert(img.pixels.end(), {static_cast<uint8_t>(x * 255 / side), static_cast<uint8_t>(y * 255 / side),
                                                 static_cast<uint8_t>((x + y) % 64 * 4), 255});
    return img;
}

// The file of `top` followed by the mip map `next`, as image tools write them.
std::string withMipMap(const RgbaImage& top, const RgbaImage& next, std::string_view kind) {
    std::string file = encodeDds(top, kind);
    const auto set = [&](size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[4 + offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    uint32_t flags = 0;
    for (int i = 3; i >= 0; --i) flags = flags << 8 | static_cast<uint8_t>(file[8 + i]);
    set(4, flags | 0x20000);
    set(24, 2);
    return file + encodeDds(next, kind).substr(128);
}

// For showing small: the mip map when there is one large enough, else the
// mean of each 4 x 4 block of a DXT picture, else the top picture; the top
// picture's size is told in every case.
TEST(Dds, DecodingForASizeTakesTheLeastWorkThatIsLargeEnough) {
    const RgbaImage top = gradient(64);
    RgbaImage marked{32, 32, std::vector<uint8_t>(32 * 32 * 4, 0)};  // a mip map told apart by its colour
    for (size_t i = 0; i < marked.pixels.size(); i += 4) marked.pixels[i] = marked.pixels[i + 3] = 255;
    struct Case {
        const char* name;
        std::string file;
        int atLeast, side;
        std::function<void(const RgbaImage&)> check;
    };
    const auto full = decodeDds(encodeDds(top, "DXT1"));
    ASSERT_TRUE(full);
    const std::vector<Case> cases = {
        {"DXT1 block means", encodeDds(top, "DXT1"), 16, 16,
         [&](const RgbaImage& got) {
             for (int by = 0; by < 16; by += 5)
                 for (int bx = 0; bx < 16; bx += 5)
                     for (int ch = 0; ch < 3; ++ch) {
                         int sum = 0;
                         for (int y = 0; y < 4; ++y)
                             for (int x = 0; x < 4; ++x)
                                 sum += full->pixels[((by * 4 + y) * 64 + bx * 4 + x) * 4 + ch];
                         EXPECT_NEAR(got.pixels[(by * 16 + bx) * 4 + ch], sum / 16, 2) << bx << "/" << by << " " << ch;
                     }
         }},
        {"DXT1 wanted larger than a quarter", encodeDds(top, "DXT1"), 17, 64, nullptr},
        {"uncompressed", encodeDds(top, "RGB24"), 8, 64, nullptr},
        {"a mip map large enough", withMipMap(top, marked, "RGB24"), 32, 32,
         [](const RgbaImage& got) { EXPECT_EQ(got.pixels[0], 255); EXPECT_EQ(got.pixels[1], 0); }},
        {"a mip map too small", withMipMap(top, marked, "RGB24"), 33, 64, nullptr},
        {"a mip map cut short", withMipMap(top, marked, "RGB24").substr(0, 128 + 64 * 64 * 3 + 10), 8, 64, nullptr},
    };
    for (const Case& c : cases) {
        int width = 0, height = 0;
        const auto got = decodeDdsForSize(c.file, c.atLeast, width, height);
        ASSERT_TRUE(got) << c.name;
        EXPECT_EQ(width, 64) << c.name;
        EXPECT_EQ(height, 64) << c.name;
        EXPECT_EQ(got->width, c.side) << c.name;
        EXPECT_EQ(got->height, c.side) << c.name;
        if (c.check) c.check(*got);
    }
    int width = 0, height = 0;
    EXPECT_FALSE(decodeDdsForSize(encodeDds(top, "DXT1").substr(0, 400), 4, width, height)) << "data ending early";
}

} // namespace
} // namespace tw::areas

#include <squish.h>

#include <random>

namespace tw::areas {
namespace {

// The reader's own block decoding gives libsquish's pixels exactly, for
// random blocks of every kind (both DXT1 modes, both DXT5 alpha modes) and
// a size that is no multiple of four.
TEST(Dds, BlocksDecodeAsLibsquishDecodesThem) {
    std::mt19937 random(28);
    struct Case {
        const char* kind;
        int squishKind, blockBytes;
    };
    for (const Case& c : {Case{"DXT1", squish::kDxt1, 8}, Case{"DXT3", squish::kDxt3, 16}, Case{"DXT5", squish::kDxt5, 16}}) {
        const int w = 37, h = 22;
        std::string file = encodeDds(RgbaImage{w, h, std::vector<uint8_t>(size_t{w} * h * 4, 128)}, c.kind);
        for (size_t i = 128; i < file.size(); ++i) file[i] = static_cast<char>(random() & 0xFF);
        std::vector<uint8_t> expected(size_t{w} * h * 4);
        squish::DecompressImage(expected.data(), w, h, file.data() + 128, c.squishKind);
        const auto got = decodeDds(file);
        ASSERT_TRUE(got) << c.kind;
        EXPECT_EQ(got->pixels, expected) << c.kind;
    }
}

} // namespace
} // namespace tw::areas
