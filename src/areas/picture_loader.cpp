#include "areas/picture_loader.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/jpeg.h"
#include "platform/text.h"

namespace tw::areas {

QImage loadMapPicture(const std::string& path) {
    const std::string name = nameOf(path);
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    const std::string kind = foldCase(extension);
    if (kind != "jpg" && kind != "jpeg" && kind != "bmp" && kind != "ico" && kind != "png")
        throw AppError(msg::unknownPictureExtension(extension));
    const std::string bytes = readBytes(path);
    if (kind == "jpg" || kind == "jpeg") {
        const RgbImage rgb = decodeJpeg(bytes);
        return QImage(rgb.pixels.data(), rgb.width, rgb.height, rgb.width * 3, QImage::Format_RGB888).copy();
    }
    QImage image;
    const char* format = kind == "bmp" ? "BMP" : kind == "ico" ? "ICO" : "PNG";
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), format))
        throw AppError(kind == "ico" ? msg::invalidIcon() : msg::invalidBitmap());
    return image;
}

} // namespace tw::areas
