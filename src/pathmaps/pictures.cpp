#include "pathmaps/pictures.h"

#include "areas/picture_loader.h"
#include "platform/files.h"

#include <QBuffer>

namespace tw::pathmaps {

QImage pictureOf(const Bitmap& map) {
    const int side = map.side();
    QImage picture(side, side, QImage::Format_Mono);
    picture.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int z = 0; z < side; ++z) {
        // North up: the picture's first line is the map's last row.
        uchar* line = picture.scanLine(side - 1 - z);
        const uint64_t* row = map.row(z);
        for (int w = 0; w < map.wordsPerRow(); ++w)
            for (int b = 0; b < 8; ++b) {
                // Format_Mono keeps the leftmost pixel in a byte's highest bit.
                const unsigned byte = static_cast<unsigned>(row[w] >> (8 * b)) & 0xFFu;
                unsigned reversed = 0;
                for (int i = 0; i < 8; ++i) reversed |= ((byte >> i) & 1u) << (7 - i);
                line[w * 8 + b] = static_cast<uchar>(reversed);
            }
    }
    return picture;
}

void writePicture(const Bitmap& map, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!pictureOf(map).save(&buffer, "PNG")) throw PathmapError("The picture " + path + " cannot be made.");
    writeBytes(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

Bitmap bitmapOfPicture(const QImage& picture, int side, const std::string& file) {
    if (picture.width() != side || picture.height() != side)
        throw PathmapError("The picture " + file + " is " + std::to_string(picture.width()) + " x " +
                           std::to_string(picture.height()) + " pixels, but the map is " + std::to_string(side) +
                           " x " + std::to_string(side) + ": scale it to " + std::to_string(side) + " x " +
                           std::to_string(side) + " and read it again.");
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    Bitmap map(side);
    for (int y = 0; y < side; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        const int z = side - 1 - y;
        for (int x = 0; x < side; ++x)
            if (qGray(line[x]) >= 128) map.set(x, z, true);
    }
    return map;
}

Bitmap readPicture(const std::string& path, int side) {
    return bitmapOfPicture(areas::loadMapPicture(path), side, path);
}

} // namespace tw::pathmaps
