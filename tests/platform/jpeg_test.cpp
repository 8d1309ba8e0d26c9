#include "platform/errors.h"
#include "platform/files.h"
#include "platform/jpeg.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(Jpeg, DecodesTheSplashPicture) {
    const RgbImage image = decodeJpeg(readBytes(TW_DATA_DIR "/pictures/splash.jpg"));
    EXPECT_EQ(image.width, 369);
    EXPECT_EQ(image.height, 217);
    ASSERT_EQ(image.pixels.size(), 369u * 217u * 3u);
    // The top of the picture is a dark green.
    EXPECT_LT(image.pixels[3 * (369 * 20 + 20)], 80);
    EXPECT_GT(image.pixels[3 * (369 * 20 + 20) + 1], image.pixels[3 * (369 * 20 + 20)]);
}

TEST(Jpeg, DamagedInputIsAnErrorNotAnExit) {
    const std::string jpeg = readBytes(TW_DATA_DIR "/pictures/splash.jpg");
    for (const std::string& bad : {std::string(), std::string("not a picture"), jpeg.substr(0, 20),
                                   std::string("\xFF\xD8\xFF\xE0") + std::string(100, '\0')}) {
        EXPECT_THROW(decodeJpeg(bad), AppError);
    }
}

} // namespace
} // namespace tw
