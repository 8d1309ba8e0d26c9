#include "areas/dds.h"

#include <squish.h>

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

std::optional<RgbaImage> decodeDds(std::string_view b) {
    if (b.size() < 4 + kHeaderSize || b.substr(0, 4) != "DDS ") return std::nullopt;
    const auto field = [&](size_t offset) { return word(b, 4 + offset); };
    const uint32_t size = field(0), flags = field(4), height = field(8), width = field(12), depth = field(20);
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

    // The picture is made only once the data is known to be there.
    RgbaImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    const auto allocate = [&] { image.pixels.assign(static_cast<size_t>(width) * height * 4, 0xFF); };
    const std::string_view data = b.substr(4 + kHeaderSize);

    const bool compressed = pfFlags & kFourCc;
    const bool rgb = pfFlags & kRgb;
    if (compressed == rgb) return std::nullopt;  // exactly one of the two
    if (compressed) {
        int kind = 0;
        if (pfFourCc == fourCc("DXT1")) kind = squish::kDxt1;
        else if (pfFourCc == fourCc("DXT3")) kind = squish::kDxt3;
        else if (pfFourCc == fourCc("DXT5")) kind = squish::kDxt5;
        else return std::nullopt;
        const size_t needed = static_cast<size_t>(squish::GetStorageRequirements(image.width, image.height, kind));
        if (data.size() < needed) return std::nullopt;
        allocate();
        squish::DecompressImage(image.pixels.data(), image.width, image.height, data.data(), kind);
        return image;
    }
    if (bitCount != 24 && bitCount != 32) return std::nullopt;
    const int bytesPerPixel = static_cast<int>(bitCount / 8);
    const int r = byteOf(rMask, bytesPerPixel), g = byteOf(gMask, bytesPerPixel), bl = byteOf(bMask, bytesPerPixel);
    const bool alpha = pfFlags & kAlphaPixels;
    const int a = alpha ? byteOf(aMask, bytesPerPixel) : -1;
    if (r < 0 || g < 0 || bl < 0 || r == g || r == bl || g == bl || (alpha && (a < 0 || a == r || a == g || a == bl)))
        return std::nullopt;
    // Rows are packed; a pitch in the header is not trusted beyond that.
    const size_t row = static_cast<size_t>(width) * bytesPerPixel;
    if (data.size() / row < height) return std::nullopt;
    allocate();
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const auto* in = reinterpret_cast<const uint8_t*>(data.data()) + y * row + x * bytesPerPixel;
            uint8_t* out = image.pixels.data() + (y * width + x) * 4;
            out[0] = in[r];
            out[1] = in[g];
            out[2] = in[bl];
            out[3] = alpha ? in[a] : 0xFF;
        }
    return image;
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
