// Loads a map picture for the area editor: JPEG through libjpeg, bitmaps,
// icons and PNG through Qt's readers.
#pragma once

#include <QImage>

#include <string>

namespace tw::areas {

// The picture loader's own filter: every format it reads.
inline constexpr const char* kPictureFilter =
    "All pictures (*.jpg;*.jpeg;*.bmp;*.ico;*.png)|*.jpg;*.jpeg;*.bmp;*.ico;*.png|"
    "JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|PNG (*.png)|*.png";

// Raises the loader's message for an extension it does not read or a file
// it cannot decode.
QImage loadMapPicture(const std::string& path);

} // namespace tw::areas
