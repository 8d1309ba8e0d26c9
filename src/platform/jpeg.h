// JPEG decoding with libjpeg (IJG API). Used for the splash picture and for
// map pictures the user loads into the area editor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 3 bytes, rows top to bottom
};

// Decodes a whole JPEG file held in memory. A damaged or non-JPEG input
// (data that ends early included) raises an AppError with libjpeg's own
// message; it never ends the process.
RgbImage decodeJpeg(std::string_view bytes);

} // namespace tw
