#include "platform/files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

// What counts as read-only before the packing or the pathmap window writes:
// on Linux the mode bits, on Windows a file's read-only attribute and, for a
// folder, whether a file can be made in it (the attribute means nothing on a
// Windows folder). Looking never leaves anything behind.
TEST(ReadOnly, FollowsTheSystemsOwnRule) {
#ifdef _WIN32
    constexpr bool kFolderByBits = false;
#else
    constexpr bool kFolderByBits = true;
#endif
    struct Case {
        const char* name;
        bool folder;
        bool withoutWriteBits;
        bool readOnly;
    };
    const Case cases[] = {
        {"plain.con", false, false, false},
        {"locked.con", false, true, true},
        {"open folder", true, false, false},
        {"locked folder \xC3\xA4", true, true, kFolderByBits},
    };
    test::TempFolder tmp;
    for (const Case& c : cases) {
        const fs::path place = tmp.path() / test::utf8Path(c.name);
        if (c.folder) fs::create_directory(place);
        else tmp.write(c.name, "x");
        if (c.withoutWriteBits)
            fs::permissions(place, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
        EXPECT_EQ(readOnlyByMode(tmp.dir() + c.name), c.readOnly) << c.name;
        if (c.folder) {
            EXPECT_TRUE(fs::is_empty(place)) << c.name;
        }
        fs::permissions(place, fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_FALSE(readOnlyByMode(tmp.dir() + "missing.con"));
}

} // namespace
} // namespace tw
