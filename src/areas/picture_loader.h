// Loads a map picture for the area editor: JPEG through libjpeg, DDS through
// libsquish, bitmaps, icons and PNG through Qt's readers. A file whose data
// ends early is damaged, whatever its format.
#pragma once

#include <QImage>

#include <string>

namespace tw::areas {

// The picture loader's own filter: every format it reads.
inline constexpr const char* kPictureFilter =
    "All pictures (*.jpg;*.jpeg;*.bmp;*.ico;*.png;*.dds)|*.jpg;*.jpeg;*.bmp;*.ico;*.png;*.dds|"
    "JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|PNG (*.png)|*.png|"
    "DirectDraw Surface (*.dds)|*.dds";

// Raises the loader's message for an extension it does not read or a file
// it cannot decode.
QImage loadMapPicture(const std::string& path);

} // namespace tw::areas
