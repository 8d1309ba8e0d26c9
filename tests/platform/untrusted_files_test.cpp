// Level files that are not what they seem, and temporary files that someone
// tried to take over with links.
#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/level_files.h"
#include "support/checksums.h"
#include "support/error_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <future>
#include <set>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;
using test::errorOf;

TEST(LevelFiles, OnlyOrdinaryFilesOfReasonableSizeAreRead) {
    TempFolder tmp;
    tmp.write("ok.con", "GeometryTemplate.worldSize 2048\r\nrun x\r\n");
#ifndef _WIN32
    // Named pipes and devices in a folder are POSIX files.
    ASSERT_EQ(::mkfifo((tmp.path() / "pipe.con").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", tmp.path() / "zero.con");
#endif
    fs::create_directory(tmp.path() / "folder.con");
    {
        std::ofstream big(tmp.path() / "big.con", std::ios::binary);
        big.seekp(static_cast<std::streamoff>(kMaxLevelFileSize));  // one byte over the limit, sparse
        big.put('x');
    }
    tmp.write("limit.con", "");
    fs::resize_file(tmp.path() / "limit.con", kMaxLevelFileSize);

    EXPECT_EQ(readLevelLines(tmp.dir() + "OK.CON"), (Lines{"GeometryTemplate.worldSize 2048", "run x"}));
    EXPECT_EQ(readLevelLines(tmp.dir() + "limit.con").size(), 1u);

    struct Case {
        const char* name;
        std::string message;
    };
    const std::string notOrdinary = " is not an ordinary file (a pipe, a device or a folder); it was not read";
    const std::vector<Case> refused = {
#ifndef _WIN32
        {"pipe.con", "The level file " + tmp.dir() + "pipe.con" + notOrdinary},
        {"zero.con", "The level file " + tmp.dir() + "zero.con" + notOrdinary},
#endif
        {"folder.con", "The level file " + tmp.dir() + "folder.con" + notOrdinary},
        {"big.con", "The level file " + tmp.dir() + "big.con" +
                        " is larger than 64 MiB, far more than any level file; it was not read"},
        {"missing.con", msg::fileOpen(tmp.dir() + "missing.con", msg::systemReason(wincode::FileNotFound))},
    };
    for (const Case& c : refused) {
        // A pipe without a writer must be refused at once, not waited on.
        auto reading = std::async(std::launch::async, [&] { return errorOf([&] { readLevelLines(tmp.dir() + c.name); }); });
        if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
#ifndef _WIN32
            const int fd = ::open((tmp.path() / "pipe.con").c_str(), O_WRONLY | O_NONBLOCK);  // let it go
            if (fd >= 0) ::close(fd);
#endif
            ADD_FAILURE() << c.name << " was waited on";
        }
        EXPECT_EQ(reading.get(), c.message) << c.name;
        // Level pictures are read as bytes under the same rule.
        auto bytes = std::async(std::launch::async, [&] { return errorOf([&] { readLevelBytes(tmp.dir() + c.name); }); });
        if (bytes.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
#ifndef _WIN32
            const int fd = ::open((tmp.path() / "pipe.con").c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
#endif
            ADD_FAILURE() << c.name << " was waited on as bytes";
        }
        EXPECT_EQ(bytes.get(), c.message) << c.name;
    }
}

TEST(TemporaryFiles, ANameThatExistsInAnyFormIsNeverTaken) {
    TempFolder tmp;
    tmp.write("victim.txt", "the user's file");
    tmp.write("work/.tw-file.tmp", "someone's file");
    fs::create_directory(tmp.path() / "work/.tw-dir.tmp");
#ifndef _WIN32
    // Links need a privilege on Windows.
    fs::create_symlink(tmp.path() / "victim.txt", tmp.path() / "work/.tw-link.tmp");
    fs::create_symlink(tmp.path() / "nowhere.txt", tmp.path() / "work/.tw-dangling.tmp");
    fs::create_directory_symlink(tmp.path(), tmp.path() / "work/.tw-folder.tmp");
    const std::string taken = ".tw-link.tmp";
    std::deque<std::string> names = {".tw-link.tmp", ".tw-dangling.tmp", ".tw-folder.tmp", ".tw-dir.tmp",
                                     ".tw-file.tmp", ".tw-new.tmp"};
#else
    const std::string taken = ".tw-file.tmp";
    std::deque<std::string> names = {".tw-dir.tmp", ".tw-file.tmp", ".tw-new.tmp"};
#endif
    const auto before = test::folderChecksums(tmp.path());

    fs::path created;
    const int fd = createTempFile(tmp.path() / "work", created, [&] {
        std::string n = names.front();
        names.pop_front();
        return n;
    });
    ASSERT_GE(fd, 0);
    EXPECT_EQ(platform::writeAt(fd, "new", 3, 0), 3);
    platform::closeFile(fd);
    EXPECT_EQ(created, tmp.path() / "work/.tw-new.tmp");
    fs::remove(created);
    EXPECT_EQ(test::folderChecksums(tmp.path()), before);
    EXPECT_FALSE(fs::exists(tmp.path() / "nowhere.txt"));

    // Taken names all the way: a clear failure, nothing written.
    errno = 0;
    EXPECT_EQ(createTempFile(tmp.path() / "work", created, [&] { return taken; }), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(test::folderChecksums(tmp.path()), before);
}

TEST(TemporaryFiles, RandomNamesAreShortAndDiffer) {
    TempFolder tmp;
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        fs::path created;
        const int fd = createTempFile(tmp.path(), created);
        ASSERT_GE(fd, 0);
        platform::closeFile(fd);
        const std::string name = created.filename().string();
        EXPECT_EQ(name.size(), 20u) << name;  // room for any final name of up to 255 bytes
        EXPECT_EQ(name.rfind(".tw-", 0), 0u);
        seen.insert(name);
    }
    EXPECT_EQ(seen.size(), 50u);
}

#ifndef _WIN32
// Links need a privilege on Windows.
TEST(TemporaryFiles, WizardWritesAndCopiesNeverFollowPlantedLinks) {
    // The names an earlier version chose, for this process and the next
    // ones, all planted as links to a file of the user's.
    TempFolder tmp;
    tmp.write("victim.txt", "the user's file");
    tmp.write("from.txt", "copied");
    fs::create_directory(tmp.path() / "out");
    for (int pid = ::getpid(); pid < ::getpid() + 40; ++pid)
        for (const char* name : {"ai.con", "copy.txt"})
            for (int n = 0; n < 5; ++n)
                fs::create_symlink(tmp.path() / "victim.txt", tmp.path() / "out" /
                                                                   (std::string(".tw-") + name + "." + std::to_string(pid) +
                                                                    "." + std::to_string(n) + ".tmp"));
    writeLines(tmp.dir() + "out/ai.con", {"run x"}, true);
    EXPECT_TRUE(copyFile(tmp.dir() + "from.txt", tmp.dir() + "out/copy.txt"));
    EXPECT_EQ(tmp.read("victim.txt"), "the user's file");
    EXPECT_EQ(tmp.read("out/ai.con"), "run x\r\n");
    EXPECT_EQ(tmp.read("out/copy.txt"), "copied");
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(tmp.path() / "out")) entries += !fs::is_symlink(e.symlink_status());
    EXPECT_EQ(entries, 2u);  // no temporary file left behind
}
#endif

} // namespace
} // namespace tw
