#include "areas/picture_loader.h"

#include "areas/dds.h"
#include "platform/level_files.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/jpeg.h"
#include "platform/text.h"

namespace tw::areas {
namespace {

uint32_t le(const std::string& b, size_t offset, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[offset + i]);
    return v;
}

// Qt's readers show what they could read of a file that ends early; the
// picture loader calls such a file damaged. These checks find the data's
// end from the headers before Qt reads anything.
bool bitmapComplete(const std::string& b) {
    if (b.size() < 26 || b.compare(0, 2, "BM") != 0) return false;
    const uint64_t offset = le(b, 10, 4), infoSize = le(b, 14, 4);
    const bool core = infoSize == 12;  // the old OS/2 header: 16-bit sizes, no compression
    if ((!core && infoSize < 40) || 14 + infoSize > b.size()) return false;
    const int64_t width = core ? le(b, 18, 2) : static_cast<int32_t>(le(b, 18, 4));
    const int64_t height = core ? le(b, 20, 2) : static_cast<int32_t>(le(b, 22, 4));
    const uint64_t bits = core ? le(b, 24, 2) : le(b, 28, 2);
    const uint64_t compression = core ? 0 : le(b, 30, 4), imageSize = core ? 0 : le(b, 34, 4);
    if (width <= 0 || height == 0 || bits == 0) return false;
    if (offset < 14 + infoSize || offset > b.size()) return false;
    const uint64_t available = b.size() - offset;
    if (compression != 0 && compression != 3) return imageSize <= available;  // run-length data: its stated size
    // Uncompressed rows, padded to four bytes.
    const uint64_t row = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    return rows <= available / row;
}

// Every chunk whole, up to IEND; a file cut short never reaches it.
bool pngComplete(const std::string& b) {
    if (b.size() < 8 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
    for (uint64_t at = 8; at + 12 <= b.size();) {
        uint64_t length = 0;
        for (int i = 0; i < 4; ++i) length = (length << 8) | static_cast<uint8_t>(b[at + i]);
        if (length > b.size() - at - 12) return false;
        if (b.compare(at + 4, 4, "IEND") == 0) return true;
        at += length + 12;
    }
    return false;
}

bool iconComplete(const std::string& b) {
    if (b.size() < 6 || le(b, 0, 2) != 0 || le(b, 2, 2) != 1) return false;
    const uint64_t count = le(b, 4, 2);
    if (count == 0 || 6 + 16 * count > b.size()) return false;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t size = le(b, 6 + 16 * i + 8, 4), offset = le(b, 6 + 16 * i + 12, 4);
        if (size == 0 || offset > b.size() || size > b.size() - offset) return false;
    }
    return true;
}

} // namespace

QImage loadMapPicture(const std::string& path) {
    const std::string name = nameOf(path);
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    const std::string kind = foldCase(extension);
    if (kind != "jpg" && kind != "jpeg" && kind != "bmp" && kind != "ico" && kind != "png" && kind != "dds")
        throw AppError(msg::unknownPictureExtension(extension));
    // Pictures come with downloaded levels: only an ordinary file is read.
    const std::string bytes = readLevelBytes(path);
    if (kind == "jpg" || kind == "jpeg") {
        const RgbImage rgb = decodeJpeg(bytes);
        return QImage(rgb.pixels.data(), rgb.width, rgb.height, rgb.width * 3, QImage::Format_RGB888).copy();
    }
    if (kind == "dds") {
        const auto rgba = decodeDds(bytes);
        if (!rgba) throw AppError(msg::invalidBitmap());
        return QImage(rgba->pixels.data(), rgba->width, rgba->height, rgba->width * 4, QImage::Format_RGBA8888)
            .copy();
    }
    const bool complete = kind == "bmp" ? bitmapComplete(bytes) : kind == "ico" ? iconComplete(bytes) : pngComplete(bytes);
    QImage image;
    const char* format = kind == "bmp" ? "BMP" : kind == "ico" ? "ICO" : "PNG";
    if (!complete ||
        !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), format))
        throw AppError(kind == "ico" ? msg::invalidIcon() : msg::invalidBitmap());
    return image;
}

} // namespace tw::areas
