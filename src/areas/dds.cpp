#include "areas/dds.h"

#include <squish.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace tw::areas {
namespace {

constexpr uint32_t kHeaderSize = 124, kPixelFormatSize = 32;
constexpr uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPixelFormat = 0x1000,
                   kLinearSize = 0x80000, kPitch = 0x8, kDepth = 0x800000;
constexpr uint32_t kAlphaPixels = 0x1, kFourCc = 0x4, kRgb = 0x40;
constexpr uint32_t kCapsTexture = 0x1000;
constexpr uint32_t kCaps2CubeMap = 0x200, kCaps2Volume = 0x200000;
constexpr int kMaxSide = 8192;  // far beyond any map picture; bounds the decoded size

uint32_t word(std::string_view b, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[offset + i]);
    return v;
}

void putWord(std::string& b, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t fourCc(const char* code) {
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) | static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

// The byte of a pixel that a channel mask selects, or -1 when the mask is
// not one whole byte inside the pixel.
int byteOf(uint32_t mask, int bytesPerPixel) {
    for (int i = 0; i < bytesPerPixel; ++i)
        if (mask == 0xFFu << (8 * i)) return i;
    return -1;
}

} // namespace

namespace {

// What the header says, checked field by field.
struct Header {
    uint32_t width = 0, height = 0;
    int kind = 0;  // squish::kDxt1/3/5, or 0 for uncompressed
    int bytesPerPixel = 0, r = 0, g = 0, b = 0, a = -1;
    uint32_t mipMaps = 1;  // pictures in the file, the top one included
    std::string_view data;
};

constexpr uint32_t kMipMapCount = 0x20000;

std::optional<Header> headerOf(std::string_view b) {
    if (b.size() < 4 + kHeaderSize || b.substr(0, 4) != "DDS ") return std::nullopt;
    const auto field = [&](size_t offset) { return word(b, 4 + offset); };
    const uint32_t size = field(0), flags = field(4), height = field(8), width = field(12), depth = field(20);
    const uint32_t mipMaps = field(24);
    const uint32_t pfSize = field(72), pfFlags = field(76), pfFourCc = field(80), bitCount = field(84);
    const uint32_t rMask = field(88), gMask = field(92), bMask = field(96), aMask = field(100);
    const uint32_t caps = field(104), caps2 = field(108);
    if (size != kHeaderSize || pfSize != kPixelFormatSize) return std::nullopt;
    // Some writers leave out the pixel-format and caps flags; the pixel
    // format's own fields are checked below instead.
    if ((flags & (kHeight | kWidth)) != (kHeight | kWidth)) return std::nullopt;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
    if ((flags & kDepth) && depth > 1) return std::nullopt;
    if (caps2 & (kCaps2CubeMap | kCaps2Volume)) return std::nullopt;
    if (caps != 0 && !(caps & kCapsTexture)) return std::nullopt;
    Header h;
    h.width = width;
    h.height = height;
    h.mipMaps = (flags & kMipMapCount) && mipMaps > 1 ? std::min<uint32_t>(mipMaps, 14) : 1;
    h.data = b.substr(4 + kHeaderSize);
    const bool compressed = pfFlags & kFourCc;
    const bool rgb = pfFlags & kRgb;
    if (compressed == rgb) return std::nullopt;  // exactly one of the two
    if (compressed) {
        if (pfFourCc == fourCc("DXT1")) h.kind = squish::kDxt1;
        else if (pfFourCc == fourCc("DXT3")) h.kind = squish::kDxt3;
        else if (pfFourCc == fourCc("DXT5")) h.kind = squish::kDxt5;
        else return std::nullopt;
        return h;
    }
    if (bitCount != 24 && bitCount != 32) return std::nullopt;
    h.bytesPerPixel = static_cast<int>(bitCount / 8);
    h.r = byteOf(rMask, h.bytesPerPixel);
    h.g = byteOf(gMask, h.bytesPerPixel);
    h.b = byteOf(bMask, h.bytesPerPixel);
    const bool alpha = pfFlags & kAlphaPixels;
    h.a = alpha ? byteOf(aMask, h.bytesPerPixel) : -1;
    if (h.r < 0 || h.g < 0 || h.b < 0 || h.r == h.g || h.r == h.b || h.g == h.b ||
        (alpha && (h.a < 0 || h.a == h.r || h.a == h.g || h.a == h.b)))
        return std::nullopt;
    return h;
}

// The bytes of one picture of the file.
size_t storageOf(const Header& h, uint32_t width, uint32_t height) {
    if (h.kind != 0) return static_cast<size_t>(squish::GetStorageRequirements(static_cast<int>(width), static_cast<int>(height), h.kind));
    return static_cast<size_t>(width) * height * static_cast<size_t>(h.bytesPerPixel);
}

// The four shades of a colour block, R, G, B, A each; three shades and
// transparent black for a DXT1 block whose first end colour is not the
// larger.
void shadesOf(const uint8_t* block, bool dxt1, uint8_t shades[4][4]) {
    const uint32_t c[2] = {block[0] | static_cast<uint32_t>(block[1]) << 8, block[2] | static_cast<uint32_t>(block[3]) << 8};
    for (int k = 0; k < 2; ++k) {
        const uint32_t r = (c[k] >> 11) & 31, g = (c[k] >> 5) & 63, b = c[k] & 31;
        shades[k][0] = static_cast<uint8_t>(r << 3 | r >> 2);
        shades[k][1] = static_cast<uint8_t>(g << 2 | g >> 4);
        shades[k][2] = static_cast<uint8_t>(b << 3 | b >> 2);
        shades[k][3] = 255;
    }
    const bool three = dxt1 && c[0] <= c[1];
    for (int ch = 0; ch < 4; ++ch) {
        const int a = shades[0][ch], b = shades[1][ch];
        shades[2][ch] = static_cast<uint8_t>(three ? (a + b) / 2 : (2 * a + b) / 3);
        shades[3][ch] = static_cast<uint8_t>(three ? 0 : (a + 2 * b) / 3);
    }
}

// Decodes DXT1, DXT3 or DXT5 blocks into the picture (pixels beyond its
// edges in the last blocks are dropped).
void decodeBlocks(int kind, const uint8_t* in, RgbaImage& image) {
    const bool dxt1 = kind == squish::kDxt1;
    const size_t blockBytes = dxt1 ? 8 : 16;
    const int across = (image.width + 3) / 4, down = (image.height + 3) / 4;
    for (int by = 0; by < down; ++by)
        for (int bx = 0; bx < across; ++bx, in += blockBytes) {
            const uint8_t* colour = dxt1 ? in : in + 8;
            uint8_t shades[4][4];
            shadesOf(colour, dxt1, shades);
            uint8_t alpha[16];
            if (kind == squish::kDxt3) {
                for (int i = 0; i < 16; ++i) alpha[i] = static_cast<uint8_t>(((in[i / 2] >> (4 * (i % 2))) & 15) * 17);
            } else if (kind == squish::kDxt5) {
                const int a0 = in[0], a1 = in[1];
                uint8_t levels[8] = {static_cast<uint8_t>(a0), static_cast<uint8_t>(a1)};
                if (a0 <= a1) {
                    for (int i = 2; i < 6; ++i) levels[i] = static_cast<uint8_t>(((6 - i) * a0 + (i - 1) * a1) / 5);
                    levels[6] = 0;
                    levels[7] = 255;
                } else {
                    for (int i = 2; i < 8; ++i) levels[i] = static_cast<uint8_t>(((8 - i) * a0 + (i - 1) * a1) / 7);
                }
                for (int half = 0; half < 2; ++half) {
                    const uint32_t bits = in[2 + 3 * half] | in[3 + 3 * half] << 8 | in[4 + 3 * half] << 16;
                    for (int i = 0; i < 8; ++i) alpha[8 * half + i] = levels[(bits >> (3 * i)) & 7];
                }
            }
            const uint32_t indices = colour[4] | colour[5] << 8 | colour[6] << 16 | static_cast<uint32_t>(colour[7]) << 24;
            for (int i = 0; i < 16; ++i) {
                const int x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x >= image.width || y >= image.height) continue;
                uint8_t* out = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * 4;
                const uint8_t* shade = shades[(indices >> (2 * i)) & 3];
                out[0] = shade[0];
                out[1] = shade[1];
                out[2] = shade[2];
                out[3] = dxt1 ? shade[3] : alpha[i];
            }
        }
}

// Decodes the picture of `width` x `height` that starts at `data`; nothing
// when the data ends early.
std::optional<RgbaImage> decodeOne(const Header& h, std::string_view data, uint32_t width, uint32_t height) {
    if (data.size() < storageOf(h, width, height)) return std::nullopt;
    RgbaImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<size_t>(width) * height * 4, 0xFF);
    if (h.kind != 0) {
        decodeBlocks(h.kind, reinterpret_cast<const uint8_t*>(data.data()), image);
        return image;
    }
    // Rows are packed; a pitch in the header is not trusted beyond that.
    const size_t row = static_cast<size_t>(width) * h.bytesPerPixel;
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const auto* in = reinterpret_cast<const uint8_t*>(data.data()) + y * row + x * h.bytesPerPixel;
            uint8_t* out = image.pixels.data() + (y * width + x) * 4;
            out[0] = in[h.r];
            out[1] = in[h.g];
            out[2] = in[h.b];
            out[3] = h.a >= 0 ? in[h.a] : 0xFF;
        }
    return image;
}

// One pixel per 4 x 4 block of a DXT picture: the block's mean colour,
// from its two end colours and how often each of its four shades is used.
std::optional<RgbaImage> decodeBlockMeans(const Header& h, std::string_view data) {
    if (data.size() < storageOf(h, h.width, h.height)) return std::nullopt;
    const uint32_t across = (h.width + 3) / 4, down = (h.height + 3) / 4;
    const size_t blockBytes = h.kind == squish::kDxt1 ? 8 : 16, colourAt = h.kind == squish::kDxt1 ? 0 : 8;
    RgbaImage image;
    image.width = static_cast<int>(across);
    image.height = static_cast<int>(down);
    image.pixels.resize(static_cast<size_t>(across) * down * 4);
    const auto* in = reinterpret_cast<const uint8_t*>(data.data());
    for (size_t i = 0; i < static_cast<size_t>(across) * down; ++i) {
        const uint8_t* block = in + i * blockBytes + colourAt;
        const uint32_t bits = block[4] | block[5] << 8 | block[6] << 16 | static_cast<uint32_t>(block[7]) << 24;
        int used[4] = {0, 0, 0, 0};
        for (int k = 0; k < 16; ++k) ++used[(bits >> (2 * k)) & 3];
        uint8_t shades[4][4];
        shadesOf(block, h.kind == squish::kDxt1, shades);
        uint8_t* out = image.pixels.data() + i * 4;
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = static_cast<uint8_t>(
                (used[0] * shades[0][ch] + used[1] * shades[1][ch] + used[2] * shades[2][ch] + used[3] * shades[3][ch]) / 16);
        out[3] = 0xFF;
    }
    return image;
}

} // namespace

std::optional<RgbaImage> decodeDds(std::string_view b) {
    const auto h = headerOf(b);
    if (!h) return std::nullopt;
    return decodeOne(*h, h->data, h->width, h->height);
}

std::optional<RgbaImage> decodeDdsForSize(std::string_view b, int atLeast, int& width, int& height) {
    const auto h = headerOf(b);
    if (!h) return std::nullopt;
    width = static_cast<int>(h->width);
    height = static_cast<int>(h->height);
    // The whole file must be there, as for the top picture alone.
    if (h->data.size() < storageOf(*h, h->width, h->height)) return std::nullopt;
    const auto wanted = static_cast<uint32_t>(std::max(atLeast, 1));
    // The smallest mip map still as large as wanted.
    size_t offset = 0;
    uint32_t w = h->width, ht = h->height;
    for (uint32_t level = 1; level < h->mipMaps; ++level) {
        const uint32_t nw = std::max<uint32_t>(w / 2, 1), nh = std::max<uint32_t>(ht / 2, 1);
        if (std::min(nw, nh) < wanted) break;
        const size_t next = offset + storageOf(*h, w, ht);
        if (next + storageOf(*h, nw, nh) > h->data.size()) break;  // mip maps cut short: the top picture serves
        offset = next;
        w = nw;
        ht = nh;
    }
    if (offset == 0 && h->kind != 0 && std::min(h->width, h->height) / 4 >= wanted) return decodeBlockMeans(*h, h->data);
    return decodeOne(*h, h->data.substr(offset), w, ht);
}

std::string encodeDds(const RgbaImage& image, std::string_view kind) {
    std::string out(4 + kHeaderSize, '\0');
    std::memcpy(out.data(), "DDS ", 4);
    const auto set = [&](size_t offset, uint32_t v) { putWord(out, 4 + offset, v); };
    set(0, kHeaderSize);
    set(8, static_cast<uint32_t>(image.height));
    set(12, static_cast<uint32_t>(image.width));
    set(72, kPixelFormatSize);
    set(104, kCapsTexture);
    const int squishKind = kind == "DXT1" ? squish::kDxt1 : kind == "DXT3" ? squish::kDxt3
                         : kind == "DXT5" ? squish::kDxt5 : 0;
    if (squishKind != 0) {
        const int bytes = squish::GetStorageRequirements(image.width, image.height, squishKind);
        set(4, kCaps | kHeight | kWidth | kPixelFormat | kLinearSize);
        set(16, static_cast<uint32_t>(bytes));
        set(76, kFourCc);
        set(80, fourCc(std::string(kind).c_str()));
        std::string blocks(static_cast<size_t>(bytes), '\0');
        squish::CompressImage(image.pixels.data(), image.width, image.height, blocks.data(),
                              squishKind | squish::kColourIterativeClusterFit);
        return out + blocks;
    }
    const bool alpha = kind == "RGBA32";
    const int bytesPerPixel = alpha ? 4 : 3;
    set(4, kCaps | kHeight | kWidth | kPixelFormat | kPitch);
    set(16, static_cast<uint32_t>(image.width * bytesPerPixel));
    set(76, kRgb | (alpha ? kAlphaPixels : 0));
    set(84, static_cast<uint32_t>(bytesPerPixel * 8));
    // Blue, green, red (and alpha) in memory order, as Windows stores them.
    set(88, 0xFF0000);
    set(92, 0x00FF00);
    set(96, 0x0000FF);
    set(100, alpha ? 0xFF000000u : 0);
    std::string data;
    data.reserve(static_cast<size_t>(image.width) * image.height * bytesPerPixel);
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        data += static_cast<char>(image.pixels[i + 2]);
        data += static_cast<char>(image.pixels[i + 1]);
        data += static_cast<char>(image.pixels[i]);
        if (alpha) data += static_cast<char>(image.pixels[i + 3]);
    }
    return out + data;
}

} // namespace tw::areas
