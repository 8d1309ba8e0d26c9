#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The build assembles the program folder the wizard runs from.
TEST(ProgramFolder, HoldsTheProgramAndItsFolders) {
    const std::filesystem::path dir = TW_PROGRAM_DIR;
    for (const char* folder : {"temp", "temp/con files", "Network", "bf1942/levels"})
        EXPECT_TRUE(std::filesystem::is_directory(dir / folder)) << folder;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / tw::platform::executableName("tarnwick")));
}

} // namespace
