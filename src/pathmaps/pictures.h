// Pathmaps as pictures for an image editor: north up, black free, white
// blocked, one picture pixel per map pixel.
#pragma once

#include "pathmaps/formats.h"

#include <QImage>

#include <string>

namespace tw::pathmaps {

QImage pictureOf(const Bitmap& map);
// Writes the picture as PNG, atomically.
void writePicture(const Bitmap& map, const std::string& path);

// A map from a picture: a pixel of luminance 128 or more is blocked. A
// picture that is not `side` pixels square is refused naming both sizes.
Bitmap bitmapOfPicture(const QImage& picture, int side, const std::string& file);
// The same from any picture file the map-picture loader reads.
Bitmap readPicture(const std::string& path, int side);

} // namespace tw::pathmaps
