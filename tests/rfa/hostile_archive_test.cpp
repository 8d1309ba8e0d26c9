// Archives and folders prepared by an attacker: links leading out, shared
// data regions, names as long as a file system allows, links and pipes in a
// folder to be packed, links at temporary names.
#include "platform/errors.h"
#include "rfa/archive.h"
#include "rfa/archive_builder.h"
#include "rfa/lzo_codec.h"
#include "rfa/reader.h"
#include "support/checksums.h"
#include "support/error_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tw::rfa {
namespace {

using test::appendU32;
using test::blockPayload;
using test::buildArchive;
using test::folderChecksums;
using test::RawEntry;
using test::TempFolder;
using test::errorOf;

#ifndef _WIN32
// Links and named pipes: POSIX files (links need a privilege on Windows).
TEST(HostileExtraction, AFolderLinkLeadingOutIsRefusedBeforeAnyByteIsWritten) {
    // Many entries on both sides of the link, so that parallel writes would
    // have every chance to get one through before the refusal.
    std::vector<RawEntry> entries;
    for (int i = 0; i < 40; ++i) {
        entries.push_back({"lvl/a/f" + std::to_string(i) + ".con", std::string(2000, 'a'), 2000});
        entries.push_back({"lvl/b/f" + std::to_string(i) + ".con", std::string(2000, 'b'), 2000});
    }
    TempFolder tmp;
    tmp.write("evil.rfa", buildArchive(0, entries));
    fs::create_directories(tmp.path() / "target/lvl");
    fs::create_directories(tmp.path() / "outside");
    fs::create_directory_symlink(tmp.path() / "outside", tmp.path() / "target/lvl/b");
    tmp.write("target/lvl/kept.con", "the user's");
    const auto before = folderChecksums(tmp.path());
    for (int run = 0; run < 200; ++run) {
        const std::string error = errorOf([&] { extractArchive(tmp.dir() + "evil.rfa", tmp.dir() + "target"); });
        ASSERT_NE(error.find("would be written outside " + tmp.dir() + "target through the link"), std::string::npos)
            << error;
        ASSERT_TRUE(fs::is_empty(tmp.path() / "outside")) << "run " << run;
        ASSERT_EQ(folderChecksums(tmp.path()), before) << "run " << run;
    }
}

TEST(HostileExtraction, LinksThatStayInsideTheTargetAreFollowed) {
    TempFolder tmp;
    tmp.write("ok.rfa", buildArchive(0, {{"lvl/b/x.con", "x", 1}, {"lvl/c", "c", 1}}));
    fs::create_directories(tmp.path() / "target/lvl/real");
    fs::create_directory_symlink("real", tmp.path() / "target/lvl/b");
    tmp.write("outside.txt", "the user's");
    fs::create_symlink(tmp.path() / "outside.txt", tmp.path() / "target/lvl/c");  // a file link is replaced, not followed
    const ExtractResult r = extractArchive(tmp.dir() + "ok.rfa", tmp.dir() + "target");
    EXPECT_EQ(r.files, 2u);
    EXPECT_EQ(tmp.read("target/lvl/real/x.con"), "x");
    EXPECT_FALSE(fs::is_symlink(tmp.path() / "target/lvl/c"));
    EXPECT_EQ(tmp.read("target/lvl/c"), "c");
    EXPECT_EQ(tmp.read("outside.txt"), "the user's");
}

// A named pipe where an archive is expected is refused at once: the reader
// is opened on the window's thread (intake, network merge) and must never
// wait for a writer.
TEST(HostileArchives, APipeInAnArchivesPlaceIsRefusedAtOnce) {
    TempFolder tmp;
    ASSERT_EQ(::mkfifo((tmp.path() / "Map.rfa").c_str(), 0644), 0);
    auto opening = std::async(std::launch::async, [&] { return errorOf([&] { ArchiveReader reader(tmp.dir() + "Map.rfa"); }); });
    if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        const int fd = ::open((tmp.path() / "Map.rfa").c_str(), O_WRONLY | O_NONBLOCK);  // let it go
        if (fd >= 0) ::close(fd);
        ADD_FAILURE() << "the pipe was waited on";
    }
    EXPECT_EQ(opening.get(), "The archive " + tmp.dir() + "Map.rfa cannot be opened: it is not a file");
}
#endif

TEST(HostileExtraction, ADamagedEntryLeavesTheTargetAsItWas) {
    // The last entry's blocks do not decode: everything before it was
    // unpacked already, yet nothing of it may appear.
    std::string bad;
    appendU32(bad, 1);
    appendU32(bad, 8);
    appendU32(bad, 100);
    appendU32(bad, 0);
    bad += "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF";
    std::vector<RawEntry> entries;
    for (int i = 0; i < 30; ++i) entries.push_back({"lvl/f" + std::to_string(i), blockPayload(std::string(5000, 'x')), 5000});
    entries.push_back({"lvl/zz", bad, 100});
    TempFolder tmp;
    tmp.write("cut.rfa", buildArchive(1, entries));
    tmp.write("target/lvl/f3", "older");
    const auto before = folderChecksums(tmp.path() / "target");
    EXPECT_NE(errorOf([&] { extractArchive(tmp.dir() + "cut.rfa", tmp.dir() + "target"); }).find("is damaged"),
              std::string::npos);
    EXPECT_EQ(folderChecksums(tmp.path() / "target"), before);  // no file, no folder, no staging left
}

TEST(HostileExtraction, OnlyTheChosenFolderIsTakenAndTheRestNamed) {
    TempFolder tmp;
    tmp.write("m.rfa", buildArchive(0, {{"bf1942/levels/MyMap/init.con", "i", 1},
                                                {"BF1942\\Levels\\MYMAP\\init\\terrain.con", "t", 1},
                                                {"bf1942/levels/MyMap_001/ai.con", "a", 1},
                                                {"bf1942/levels/mymapx", "f", 1},
                                                {"memory.bf", "m", 1},
                                                {"temp/pathf.bf", "p", 1}}));
    fs::create_directory(tmp.path() / "t");
    ExtractOptions options;
    options.onlyBelow = "bf1942\\levels\\mymap\\";
    const ExtractResult r = extractArchive(tmp.dir() + "m.rfa", tmp.dir() + "t", options);
    EXPECT_EQ(r.files, 2u);
    EXPECT_EQ(r.leftOut, (std::vector<std::string>{"bf1942/levels/MyMap_001/ai.con", "bf1942/levels/mymapx", "memory.bf",
                                                   "temp/pathf.bf"}));
    EXPECT_EQ(folderChecksums(tmp.path() / "t"),
              (std::map<std::string, std::string>{{"bf1942", "folder"},
                                                  {"bf1942/levels", "folder"},
                                                  {"bf1942/levels/MyMap", "folder"},
                                                  {"bf1942/levels/MyMap/init", "folder"},
                                                  {"bf1942/levels/MyMap/init.con", test::checksum(tmp.path() / "t/bf1942/levels/MyMap/init.con")},
                                                  {"bf1942/levels/MyMap/init/terrain.con", test::checksum(tmp.path() / "t/bf1942/levels/MyMap/init/terrain.con")}}));
    EXPECT_EQ(tmp.read("t/bf1942/levels/MyMap/init.con"), "i");
    EXPECT_EQ(tmp.read("t/bf1942/levels/MyMap/init/terrain.con"), "t");
}

TEST(HostileExtraction, SharedRegionsAreReadButNamedOnce) {
    const std::string data = blockPayload(std::string(70000, 'z'));
    std::string archive = buildArchive(1, {{"a.con", data, 70000}, {"b.con", "", 0}});
    // Point entries b, c and d at a's region by rewriting the table.
    std::string table;
    appendU32(table, 4);
    for (const char* name : {"a.con", "b.con", "c.con", "d.con"}) {
        appendU32(table, 5);
        table += name;
        appendU32(table, static_cast<uint32_t>(data.size()));
        appendU32(table, 70000);
        appendU32(table, kHeaderSize);
        for (int k = 0; k < 3; ++k) appendU32(table, 0);
    }
    appendU32(table, 0);
    archive.resize(kHeaderSize + data.size());
    archive += table;
    putU32(reinterpret_cast<unsigned char*>(archive.data()), static_cast<uint32_t>(kHeaderSize + data.size()));
    TempFolder tmp;
    tmp.write("s.rfa", archive);
    fs::create_directory(tmp.path() / "t");
    const ExtractResult r = extractArchive(tmp.dir() + "s.rfa", tmp.dir() + "t");
    EXPECT_EQ(r.files, 4u);
    EXPECT_EQ(r.warnings, (std::vector<std::string>{
                              "4 entries share their data with others (overlapping regions): \"a.con\", \"b.con\", "
                              "\"c.con\", \"d.con\""}));
    EXPECT_EQ(tmp.read("t/d.con"), std::string(70000, 'z'));
}

TEST(HostileExtraction, ABombLargerThanTheFreeSpaceIsRefusedUnwritten) {
    // One region of 4 GiB of zeros (two LZO streams repeated), shared by
    // more entries than the disk has room for.
    TempFolder tmp;
    const uint64_t free = fs::space(tmp.path()).available;
    const uint32_t size = 0xFFFFFFFFu;
    const uint32_t n = blockCount(size);
    const std::string zeros(kBlockSize, '\0');
    const auto full = compressBlock(reinterpret_cast<const unsigned char*>(zeros.data()), kBlockSize);
    const auto last = compressBlock(reinterpret_cast<const unsigned char*>(zeros.data()), blockSize(size, n - 1));
    std::string region;
    appendU32(region, n);
    uint32_t r = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const auto& c = i + 1 == n ? last : full;
        appendU32(region, static_cast<uint32_t>(c.size()));
        appendU32(region, blockSize(size, i));
        appendU32(region, r);
        r += static_cast<uint32_t>(c.size());
    }
    for (uint32_t i = 0; i < n; ++i) {
        const auto& c = i + 1 == n ? last : full;
        region.append(reinterpret_cast<const char*>(c.data()), c.size());
    }
    const uint64_t count = free / size + 2;
    ASSERT_LT(count, 100000u) << "a disk of more than 400 TB";
    std::string archive(kHeaderSize, '\0');
    putU32(reinterpret_cast<unsigned char*>(archive.data()) + 4, 1);
    archive += region;
    const auto tableOffset = static_cast<uint32_t>(archive.size());
    appendU32(archive, static_cast<uint32_t>(count));
    for (uint64_t i = 0; i < count; ++i) {
        const std::string name = "lvl/zero" + std::to_string(i) + ".raw";
        appendU32(archive, static_cast<uint32_t>(name.size()));
        archive += name;
        appendU32(archive, static_cast<uint32_t>(region.size()));
        appendU32(archive, size);
        appendU32(archive, kHeaderSize);
        for (int k = 0; k < 3; ++k) appendU32(archive, 0);
    }
    appendU32(archive, 0);
    putU32(reinterpret_cast<unsigned char*>(archive.data()), tableOffset);
    tmp.write("bomb.rfa", archive);
    fs::create_directory(tmp.path() / "t");
    const std::string error = errorOf([&] { extractArchive(tmp.dir() + "bomb.rfa", tmp.dir() + "t"); });
    EXPECT_EQ(error.rfind("The archive " + tmp.dir() + "bomb.rfa unpacks to " + std::to_string(count * size) +
                              " bytes, taking ",
                          0),
              0u)
        << error;
    EXPECT_NE(error.find(" bytes of disk, more than the "), std::string::npos) << error;
    EXPECT_NE(error.find("Nothing was extracted. Warning: " + std::to_string(count) +
                         " entries share their data with others (overlapping regions): \"lvl/zero0.raw\""),
              std::string::npos)
        << error;
    EXPECT_TRUE(fs::is_empty(tmp.path() / "t"));
}

#ifndef _WIN32
// Names of 255 characters in a temporary folder make paths longer than the
// 260 characters Windows programs may use.
TEST(HostileNames, NamesOfTheLongestLegalLengthGoThereAndBack) {
    TempFolder tmp;
    const std::string longFile = std::string(251, 'f') + ".con";  // 255 bytes
    const std::string longFolder(255, 'd');
    ASSERT_EQ(longFile.size(), 255u);
    tmp.write("src/" + longFile, "one");
    tmp.write("src/" + longFolder + "/" + longFile, "two");
    tmp.write("src/short.con", "three");
    for (bool compress : {false, true}) {
        const std::string archive = tmp.dir() + std::string(240, 'a') + (compress ? "c" : "s") + ".rfa";
        packFolder(tmp.dir() + "src", "lvl", archive, {compress, 2, {}});
        const fs::path out = tmp.path() / (compress ? "outc" : "outs");
        fs::create_directory(out);
        EXPECT_EQ(extractArchive(archive, out.string()).files, 3u);
        EXPECT_EQ(folderChecksums(out / "lvl"), folderChecksums(tmp.path() / "src"));
    }
}
#endif

#ifndef _WIN32
// Links and named pipes: POSIX files (links need a privilege on Windows).
TEST(HostileFolders, PackingLeavesOutLinksAndSpecialFilesAndSaysSo) {
    TempFolder tmp;
    tmp.write("secret/passwords.txt", "secret");
    tmp.write("lvl/init.con", "run x");
    tmp.write("lvl/sub/a.con", "a");
    fs::create_directory_symlink(tmp.path() / "secret", tmp.path() / "lvl/linked");
    fs::create_symlink(tmp.path() / "secret/passwords.txt", tmp.path() / "lvl/sub/b.con");
    ASSERT_EQ(::mkfifo((tmp.path() / "lvl/pipe.con").c_str(), 0644), 0);
    const PackResult r = packFolder(tmp.dir() + "lvl", "bf1942/levels/X", tmp.dir() + "x.rfa");
    EXPECT_EQ(r.files, 2u);
    EXPECT_EQ(r.leftOut, (std::vector<std::string>{"Left out, a link: " + tmp.dir() + "lvl/linked",
                                                   "Left out, not an ordinary file: " + tmp.dir() + "lvl/pipe.con",
                                                   "Left out, a link: " + tmp.dir() + "lvl/sub/b.con"}));
    const ArchiveReader reader(tmp.dir() + "x.rfa");
    ASSERT_EQ(reader.entries().size(), 2u);
    EXPECT_EQ(reader.entries()[0].name, "bf1942/levels/X/init.con");
    EXPECT_EQ(reader.entries()[1].name, "bf1942/levels/X/sub/a.con");
}

TEST(HostileFolders, ToolsNeverWriteThroughLinksAtTheirOldTemporaryNames) {
    TempFolder tmp;
    tmp.write("victim.txt", "the user's");
    tmp.write("src/init.con", "run x");
    tmp.write("in.rfa", buildArchive(0, {{"init.con", "new", 3}}));
    fs::create_directory(tmp.path() / "t");
    for (int pid = ::getpid(); pid < ::getpid() + 40; ++pid) {
        fs::create_symlink(tmp.path() / "victim.txt", tmp.path() / "t" / (".tw-init.con." + std::to_string(pid) + ".part"));
        for (int n = 0; n < 5; ++n)
            fs::create_symlink(tmp.path() / "victim.txt",
                               tmp.path() / (".tw-out.rfa." + std::to_string(pid) + "." + std::to_string(n) + ".tmp"));
    }
    packFolder(tmp.dir() + "src", "lvl", tmp.dir() + "out.rfa");
    extractArchive(tmp.dir() + "in.rfa", tmp.dir() + "t");
    EXPECT_EQ(tmp.read("victim.txt"), "the user's");
    EXPECT_EQ(tmp.read("t/init.con"), "new");
    EXPECT_EQ(ArchiveReader(tmp.dir() + "out.rfa").entries().size(), 1u);
}
#endif

} // namespace
} // namespace tw::rfa
