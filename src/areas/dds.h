// DirectDraw Surface pictures, as levels carry their in-game map
// (Textures/InGameMap.dds): the top picture of a plain 2D surface, DXT1,
// DXT3 or DXT5 compressed (written by libsquish, decoded here) or uncompressed
// with 24 or 32 bits per pixel. The header is checked field by field before any pixel
// is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::areas {

struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // R, G, B, A per pixel, rows top to bottom
};

// The decoded picture, or nothing when the file is damaged or of a kind this
// reader does not handle (cube maps, volumes, other compressions, data that
// ends early).
std::optional<RgbaImage> decodeDds(std::string_view bytes);
// The same picture for showing at `atLeast` pixels or more across, with
// less work where the file allows: its smallest mip map that is still large
// enough, else for DXT pictures one pixel per 4 x 4 block (the block's mean
// colour) when that is, else the top picture. `width` and `height` receive
// the top picture's size. Damaged files are refused as by decodeDds.
std::optional<RgbaImage> decodeDdsForSize(std::string_view bytes, int atLeast, int& width, int& height);

// Writes a DDS file of the given kind ("DXT1", "DXT3", "DXT5", "RGB24",
// "RGBA32") with one picture and no mipmaps; compression by libsquish.
std::string encodeDds(const RgbaImage& image, std::string_view kind);

} // namespace tw::areas
