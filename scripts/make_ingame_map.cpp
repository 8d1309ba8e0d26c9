// Makes the sample level's in-game map picture, Textures/InGameMap.dds
// (DXT1, as levels carry it), from its JPEG:
//   cmake --build build --target make_ingame_map
//   build/make_ingame_map data/levels/DemoMap/Textures/InGameMap.jpg data/levels/DemoMap/Textures/InGameMap.dds
#include "areas/dds.h"
#include "platform/files.h"
#include "platform/jpeg.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: make_ingame_map <picture.jpg> <InGameMap.dds>\n", stderr);
        return 1;
    }
    try {
        const tw::RgbImage rgb = tw::decodeJpeg(tw::readBytes(argv[1]));
        tw::areas::RgbaImage rgba{rgb.width, rgb.height, {}};
        for (size_t i = 0; i < rgb.pixels.size(); i += 3)
            rgba.pixels.insert(rgba.pixels.end(), {rgb.pixels[i], rgb.pixels[i + 1], rgb.pixels[i + 2], 0xFF});
        tw::writeBytes(argv[2], tw::areas::encodeDds(rgba, "DXT1"));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
