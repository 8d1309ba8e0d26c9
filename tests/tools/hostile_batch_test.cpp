// Batch files and tools against hostile input: map archives that carry more
// than their level, names a batch line cannot carry, lines in other forms
// than the wizard writes, archives that fail to unpack, links in folders.
#include "intake/analysis.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "rfa/archive.h"
#include "rfa/archive_builder.h"
#include "rfa/reader.h"
#include "support/checksums.h"
#include "support/error_text.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"
#include "tools/batch_runner.h"
#include "tools/scripts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <functional>

#ifndef _WIN32
#include "support/process.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::buildArchive;
using test::folderChecksums;
using test::RawEntry;
using test::TempFolder;
using test::errorOf;

void save(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct BatchRun {
    batch::RunResult result;
    std::vector<std::string> output;
};

BatchRun runBatch(const std::string& file, const std::string& folder) {
    BatchRun r;
    r.result = batch::runBatchFile(file, folder, [&](const std::string& line) { r.output.push_back(line); });
    return r;
}

bool printed(const BatchRun& r, const std::string& line) {
    return std::find(r.output.begin(), r.output.end(), line) != r.output.end();
}

// A program folder as a user has it, with everything an archive might aim at.
struct ProgramFolder {
    explicit ProgramFolder(const TempFolder& tmp) : dir(tmp.dir() + "Tarnwick/") {
        for (const char* file : {"tarnwick", "tarnwick-batch", "rfaunpack", "rfapack", "tarnwick.desktop"})
            tmp.write(std::string("Tarnwick/") + file, std::string("program ") + file);
        tmp.write("Tarnwick/memory.bf", "C:\\Games\\BF1942\\");
        tmp.write("Tarnwick/temp/pathf.bf", "state\r\n");
        tmp.write("Tarnwick/temp/con files/strategies.con", "rem mine\r\n");
        tmp.write("Tarnwick/bf1942/levels/Other/init.con", "rem another level\r\n");
        fs::create_directories(dir + "Network");
    }
    std::string dir;
};

TEST(HostileMapArchive, TheIntakeTakesOnlyItsLevelAndNothingElseChanges) {
    TempFolder tmp;
    const ProgramFolder program(tmp);
    save(tmp.path() / "Evil.rfa",
         buildArchive(0, {{"bf1942/levels/Evil/init/terrain.con", "GeometryTemplate.worldSize 1024\r\n", 33},
                          {"BF1942/Levels/EVIL/init.con", "run init/terrain\r\n", 18},
                          {"tarnwick-batch", "#!/bin/sh\nevil\n", 15},
                          {"tarnwick.desktop", "Exec=evil\n", 10},
                          {"memory.bf", "evil", 4},
                          {"temp/pathf.bf", "evil", 4},
                          {"temp/con files/strategies.con", "evil", 4},
                          {"bf1942/levels/Evil_001/ai.con", "evil", 4},
                          {"bf1942/levels/Other/init.con", "evil", 4},
                          {"Network/bf1942/levels/Evil/x.con", "evil", 4}}));
    const auto source = test::checksum(tmp.path() / "Evil.rfa");
    auto before = folderChecksums(program.dir);
    state::Conversion state;
    intake::takeArchive(state, program.dir, tmp.dir() + "Evil.rfa");
    const BatchRun r = runBatch(program.dir + "unpack.bat", program.dir);
    EXPECT_EQ(r.result.failed, 0) << ::testing::PrintToString(r.output);

    // Only the level folder and the script are new; everything else is as it was.
    auto after = folderChecksums(program.dir);
    EXPECT_EQ(after["unpack.bat"], test::checksum(program.dir + "unpack.bat"));
    EXPECT_EQ(after["bf1942/levels/Evil/init/terrain.con"], test::checksum(program.dir + "bf1942/levels/Evil/init/terrain.con"));
    EXPECT_EQ(tmp.read("Tarnwick/bf1942/levels/Evil/init.con"), "run init/terrain\r\n");
    for (const char* added : {"unpack.bat", "bf1942/levels/Evil", "bf1942/levels/Evil/init", "bf1942/levels/Evil/init.con",
                              "bf1942/levels/Evil/init/terrain.con"})
        EXPECT_EQ(after.erase(added), 1u) << added;
    EXPECT_EQ(after, before);
    EXPECT_EQ(test::checksum(tmp.path() / "Evil.rfa"), source);
    for (const char* name : {"tarnwick-batch", "tarnwick.desktop", "memory.bf", "temp/pathf.bf",
                             "temp/con files/strategies.con", "bf1942/levels/Evil_001/ai.con",
                             "bf1942/levels/Other/init.con", "Network/bf1942/levels/Evil/x.con"})
        EXPECT_TRUE(printed(r, std::string("Left out (not below bf1942/levels/Evil/): ") + name)) << name;
}

TEST(HostileMapArchive, AnArchiveWithoutItsLevelFailsAndChangesNothing) {
    TempFolder tmp;
    const ProgramFolder program(tmp);
    save(tmp.path() / "Mine.rfa", buildArchive(0, {{"bf1942/levels/Other/init.con", "evil", 4}}));
    const auto before = folderChecksums(program.dir);
    state::Conversion state;
    intake::takeArchive(state, program.dir, tmp.dir() + "Mine.rfa");
    const BatchRun r = runBatch(program.dir + "unpack.bat", program.dir);
    EXPECT_EQ(r.result.failed, 1);
    EXPECT_TRUE(printed(r, "The archive Mine.rfa holds no files below bf1942/levels/Mine/"));
    auto after = folderChecksums(program.dir);
    after.erase("unpack.bat");
    EXPECT_EQ(after, before);
}

TEST(HostileNames, NamesABatchLineCannotCarryAreRefusedBeforeAnyScript) {
    struct Case {
        std::string file;   // the archive's file name as chosen
        std::string what;   // the character as the message names it
    };
    const std::vector<Case> cases = {
        {"x.rfa\" \"memory.bf\" \"tarnwick.rfa", "the double quote \""},
        {"100%PATH%.rfa", "the character %"},
        {"My Map.rfa", "a blank"},
        {"a&b.rfa", "the character &"},
        {"a|b.rfa", "the character |"},
        {"a>b.rfa", "the character >"},
        {"a<b.rfa", "the character <"},
        {"a^b.rfa", "the character ^"},
        {"tab\tname.rfa", "the control character 0x09"},
        {"line\nbreak.rfa", "the control character 0x0A"},
        {"cr\rname.rfa", "the control character 0x0D"},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        const ProgramFolder program(tmp);
        tmp.write("downloads/" + c.file, "archive bytes");
        const auto programBefore = folderChecksums(program.dir);
        const auto sourceBefore = folderChecksums(tmp.path() / "downloads");
        state::Conversion state;
        const std::string error = errorOf([&] { intake::takeArchive(state, program.dir, tmp.dir() + "downloads/" + c.file); });
        EXPECT_NE(error.find("\" cannot be written into unpack.bat: it holds " + c.what +
                             ", which a batch line cannot carry. Rename it and choose it again"),
                  std::string::npos)
            << error;
        EXPECT_EQ(error.rfind("The name \"", 0), 0u) << error;
        EXPECT_TRUE(state.MapName.empty());
        EXPECT_EQ(folderChecksums(program.dir), programBefore) << c.file;
        EXPECT_EQ(folderChecksums(tmp.path() / "downloads"), sourceBefore) << c.file;
    }
    // The exact message, for one of them.
    state::Conversion state;
    EXPECT_EQ(errorOf([&] { intake::takeArchive(state, "/p/", "/d/x.rfa\" \"memory.bf\" \"tarnwick.rfa"); }),
              "The name \"/d/x.rfa\" \"memory.bf\" \"tarnwick.rfa\" cannot be written into unpack.bat: it holds the double "
              "quote \", which a batch line cannot carry. Rename it and choose it again");
}

TEST(HostileNames, AnArchiveNamedLikeAFileOfTheProgramFolderIsRefused) {
    for (const char* name : {"memory.bf", "UNPACK.BAT", "tarnwick-batch", "Network", "MyMap_001.rfa"}) {
        TempFolder tmp;
        const ProgramFolder program(tmp);
        tmp.write("Tarnwick/unpack.bat", "rfaunpack.exe Older.rfa \r\n");
        tmp.write("Tarnwick/MyMap_001.rfa", "the packed add-on");
        tmp.write(std::string("downloads/") + name, "archive");
        const auto before = folderChecksums(tmp.path());
        state::Conversion state;
        const std::string error = errorOf([&] { intake::takeArchive(state, program.dir, tmp.dir() + "downloads/" + name); });
        EXPECT_EQ(error, std::string("The archive's name ") + name + " is taken in the program folder by " + program.dir +
                             name + "; unpacking would replace and then delete it. Rename the archive and choose it again");
        EXPECT_EQ(folderChecksums(tmp.path()), before) << name;
    }
}

TEST(HostileNames, EveryScriptChecksWhatGoesIntoItsLines) {
    const std::string program = "/p/";
    struct Case {
        const char* where;
        std::function<void()> build;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"blank in a quoted path", [&] { scripts::mapUnpackScript(program, "/my maps/MyMap.rfa", false); }, false},
        {"brackets and accents", [&] { scripts::mapUnpackScript(program, "/d/Mäp(1)'s,x.rfa", false); }, false},
        {"quote in the program folder", [&] { scripts::mapUnpackScript("/p\"/", "/d/MyMap.rfa", false); }, true},
        {"network map archive", [&] { scripts::networkUnpackScript(program, "/d/My\"Map.rfa", "My\"Map", "/d/a.rfa", "a"); }, true},
        {"network add-on name", [&] { scripts::networkUnpackScript(program, "/d/M.rfa", "M", "/d/a b.rfa", "a b"); }, true},
        {"network add-on path", [&] { scripts::networkUnpackScript(program, "/d/M.rfa", "M", "/d%x/a.rfa", "a"); }, true},
        {"network pack, map name", [&] { scripts::networkPackScript(program, "/d/M&x.rfa", "M&x"); }, true},
        {"network pack, blank path", [&] { scripts::networkPackScript(program, "/my maps/M.rfa", "M"); }, false},
        {"first packing, target", [&] { scripts::addonPackScript(program, "M", "/out/a\"b"); }, true},
        {"first packing, map name", [&] { scripts::addonPackScript(program, "M M", "/out/ab"); }, true},
        {"first packing, blank target", [&] { scripts::addonPackScript(program, "M", "/my out/ab"); }, false},
    };
    for (const Case& c : cases) {
        const std::string error = errorOf(c.build);
        EXPECT_EQ(error != "(no error)", c.refused) << c.where << ": " << error;
    }
}

TEST(HostileBatchLines, CopyAndDelRunOnlyInTheExactFormsTheWizardWrites) {
    const std::vector<std::string> refused = {
        "copy \"a.txt\" \"b.txt\" \"c.txt\"", "copy \"a.txt\" b.txt",    "copy  \"a.txt\" \"b.txt\"",
        "copy \"a.txt\"  \"b.txt\"",          "copy \"a.txt\" \"b.txt\" ", "COPY \"a.txt\" \"b.txt\"",
        "copy \"a.txt\"\"b.txt\"",            "copy a.txt b.txt",          "copy \"a.txt\" \"b.txt\"x",
        "del \"a.txt\" \"c.txt\"",            "del a.txt",                 "del \"a.txt\"x",
        "del  \"a.txt\"",                     "del \"a.txt",               "\tdel \"a.txt\"",
    };
    for (const std::string& line : refused) {
        TempFolder tmp;
        tmp.write("a.txt", "a");
        tmp.write("c.txt", "c");
        tmp.write("run.bat", line + "\r\n");
        const auto before = folderChecksums(tmp.path());
        const BatchRun r = runBatch(tmp.dir() + "run.bat", tmp.dir());
        EXPECT_EQ(r.result.failed, 1) << line;
        EXPECT_EQ(folderChecksums(tmp.path()), before) << line;
    }
    TempFolder tmp;
    tmp.write("a.txt", "a");
    tmp.write("run.bat", "copy \"a.txt\" \"b.txt\"\r\ndel \"a.txt\"\r\n");
    const BatchRun r = runBatch(tmp.dir() + "run.bat", tmp.dir());
    EXPECT_EQ(r.result.failed, 0) << ::testing::PrintToString(r.output);
    EXPECT_EQ(tmp.read("b.txt"), "a");
    EXPECT_FALSE(fs::exists(tmp.path() / "a.txt"));
}

TEST(HostileBatchLines, NoCopyRunsAfterALineHasFailed) {
    TempFolder tmp;
    tmp.write("old.rfa", "an old archive");
    tmp.write("user.rfa", "the user's archive");
    tmp.write("x.txt", "x");
    tmp.write("run.bat", "rfaPack.exe missing bf1942/levels/X \"new.rfa\"\r\ncopy \"old.rfa\" \"user.rfa\"\r\ndel \"x.txt\"\r\n");
    const BatchRun r = runBatch(tmp.dir() + "run.bat", tmp.dir());
    EXPECT_EQ(r.result.failed, 2);
    EXPECT_TRUE(printed(r, "Not carried out, as an earlier line failed"));
    EXPECT_EQ(tmp.read("user.rfa"), "the user's archive");
    EXPECT_FALSE(fs::exists(tmp.path() / "x.txt"));  // deleting the batch's own copies still happens
}

// The network box's two batches, as the box writes them.
struct NetworkMerge {
    explicit NetworkMerge(const TempFolder& tmp) : program(tmp), maps(tmp.dir() + "maps/") { fs::create_directories(maps); }
    BatchRun unpack() {
        scripts::saveScript(program.dir + "Network/unpack.bat",
                            scripts::networkUnpackScript(program.dir, maps + "MyMap.rfa", "MyMap", maps + "MyMap_001.rfa",
                                                         "MyMap_001"),
                            true);
        return runBatch(program.dir + "Network/unpack.bat", program.dir + "Network/");
    }
    BatchRun pack() {
        scripts::saveScript(program.dir + "Network/pack.bat", scripts::networkPackScript(program.dir, maps + "MyMap.rfa", "MyMap"),
                            true);
        return runBatch(program.dir + "Network/pack.bat", program.dir + "Network/");
    }
    ProgramFolder program;
    std::string maps;
};

TEST(HostileNetworkMerge, AMapArchiveThatFailsToUnpackIsNeverReplaced) {
    const std::string addon = buildArchive(0, {{"bf1942/levels/MyMap/ai.con", "run x", 5}});
    const std::string good = buildArchive(0, {{"bf1942/levels/MyMap/init.con", "init", 4},
                                              {"bf1942/levels/MyMap/init/terrain.con", std::string(3000, 't'), 3000}});
    const std::vector<std::pair<const char*, std::string>> broken = {
        {"cut short", good.substr(0, good.size() - 40)},
        {"one file twice", buildArchive(0, {{"bf1942/levels/MyMap/init.con", "init", 4},
                                            {"bf1942/levels/MYMAP/INIT.CON", "evil", 4}})},
    };
    for (const auto& [what, bytes] : broken) {
        TempFolder tmp;
        NetworkMerge merge(tmp);
        save(merge.maps + "MyMap.rfa", bytes);
        save(merge.maps + "MyMap_001.rfa", addon);
        const auto mapsBefore = folderChecksums(merge.maps);
        const BatchRun unpacked = merge.unpack();
        EXPECT_GE(unpacked.result.failed, 1) << what;
        EXPECT_FALSE(fs::exists(merge.program.dir + "Network/bf1942")) << what;  // nothing of either archive
        const BatchRun packed = merge.pack();
        EXPECT_GE(packed.result.failed, 1) << what;
        EXPECT_EQ(folderChecksums(merge.maps), mapsBefore) << what;
    }
}

TEST(HostileNetworkMerge, TheMergedArchiveHoldsEveryEntryOfBoth) {
    TempFolder tmp;
    NetworkMerge merge(tmp);
    save(merge.maps + "MyMap.rfa", buildArchive(0, {{"bf1942/levels/MyMap/init.con", "init", 4},
                                                    {"bf1942/levels/MyMap/ai.con", "map's", 5},
                                                    {"readme.txt", "not part of a level", 19}}));
    save(merge.maps + "MyMap_001.rfa", buildArchive(0, {{"bf1942/levels/MyMap/ai.con", "add-on's", 8},
                                                        {"bf1942/levels/MyMap/AI/StrategicAreas.con", "", 0}}));
    EXPECT_EQ(merge.unpack().result.failed, 0);
    const BatchRun packed = merge.pack();
    EXPECT_EQ(packed.result.failed, 0) << ::testing::PrintToString(packed.output);
    const rfa::ArchiveReader reader(merge.maps + "MyMap.rfa");
    std::vector<std::string> names;
    for (const auto& e : reader.entries()) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"bf1942/levels/MyMap/ai.con", "bf1942/levels/MyMap/init.con",
                                               "bf1942/levels/MyMap/AI/StrategicAreas.con"}));
    std::string ai;
    reader.read(reader.entries()[0], [&](const unsigned char* d, size_t n) { ai.append(reinterpret_cast<const char*>(d), n); });
    EXPECT_EQ(ai, "add-on's");
}

#ifndef _WIN32
// The archive tools started through the shell, on folders with links, pipes,
// sockets and a folder closed through its mode bits: POSIX matters.
// The archive tools as the build made them.
std::string tool(const std::string& name) {
    return std::string("'") + (name == "rfapack" ? TW_BUILT_RFAPACK : TW_BUILT_RFAUNPACK) + "'";
}

TEST(HostileTools, RfapackNamesWhatItLeavesOutAndFailsUnlessToldToSkip) {
    TempFolder tmp;
    tmp.write("outside/secret.txt", "secret");
    tmp.write("lvl/init.con", "run x");
    fs::create_directory_symlink(tmp.path() / "outside", tmp.path() / "lvl/maps");
    ASSERT_EQ(::mkfifo((tmp.path() / "lvl/fifo").c_str(), 0644), 0);
    const std::string cd = "cd '" + tmp.dir() + "' && ";
    test::CommandResult r = test::runCommand(cd + tool("rfapack") + " lvl bf1942/levels/L a.rfa");
    EXPECT_EQ(r.code, 1) << r.output;
    EXPECT_NE(r.output.find("Left out, a link: lvl/maps\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Left out, not an ordinary file: lvl/fifo\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("2 item(s) left out; --skip-links accepts that"), std::string::npos) << r.output;
    r = test::runCommand(cd + tool("rfapack") + " lvl bf1942/levels/L b.rfa --skip-links");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(rfa::ArchiveReader(tmp.dir() + "b.rfa").entries().size(), 1u);

    // The wizard's pack line fails the same way, so nothing waits on a partial archive.
    tmp.write("run.bat", "rfaPack.exe lvl bf1942/levels/L \"c.rfa\"\r\ncopy \"c.rfa\" \"d.rfa\"\r\n");
    const BatchRun run = runBatch(tmp.dir() + "run.bat", tmp.dir());
    EXPECT_EQ(run.result.failed, 2);
    EXPECT_TRUE(printed(run, "Left out, a link: " + tmp.dir() + "lvl/maps"));
    EXPECT_FALSE(fs::exists(tmp.path() / "d.rfa"));
}

// Whatever makes rfapack fail, the archive already at the target keeps its bytes.
TEST(HostileTools, RfapackThatFailsLeavesTheOldArchiveAsItWas) {
    const auto socketAt = [](const fs::path& p) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", p.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(fd);
    };
    const struct {
        const char* kind;
        std::function<void(const fs::path& lvl)> plant;
        const char* named;  // in the tool's output
    } cases[] = {
        {"link to a file", [](const fs::path& l) { fs::create_symlink(l / "init.con", l / "x"); }, "Left out, a link: lvl/x\n"},
        {"link to a folder", [](const fs::path& l) { fs::create_directory_symlink(l.parent_path(), l / "x"); }, "Left out, a link: lvl/x\n"},
        {"dangling link", [](const fs::path& l) { fs::create_symlink(l / "gone", l / "x"); }, "Left out, a link: lvl/x\n"},
        {"link loop", [](const fs::path& l) { fs::create_symlink(l / "x", l / "x"); }, "Left out, a link: lvl/x\n"},
        {"link to a device", [](const fs::path& l) { fs::create_symlink("/dev/null", l / "x"); }, "Left out, a link: lvl/x\n"},
        {"pipe", [](const fs::path& l) { ASSERT_EQ(::mkfifo((l / "x").c_str(), 0644), 0); }, "Left out, not an ordinary file: lvl/x\n"},
        {"socket", [&](const fs::path& l) { socketAt(l / "x"); }, "Left out, not an ordinary file: lvl/x\n"},
        {"name no archive holds", [](const fs::path& l) { std::ofstream(l / "\xC5\x9D.con") << "x"; }, "only Windows-1252 characters"},
        {"names differing in case", [](const fs::path& l) { std::ofstream(l / "INIT.con") << "x"; }, "differs from another only in letter case"},
        {"missing folder", [](const fs::path& l) { fs::remove_all(l); }, "Directory does not exist"},
    };
    const std::string old = "an archive packed earlier";
    for (const auto& c : cases)
        for (const std::string mode : {"", " -Compress"}) {
            TempFolder tmp;
            tmp.write("lvl/init.con", "run x");
            tmp.write("a.rfa", old);
            c.plant(tmp.path() / "lvl");
            const test::CommandResult r =
                test::runCommand("cd '" + tmp.dir() + "' && " + tool("rfapack") + " lvl bf1942/levels/L a.rfa" + mode);
            EXPECT_EQ(r.code, 1) << c.kind << mode << r.output;
            EXPECT_NE(r.output.find(c.named), std::string::npos) << c.kind << mode << r.output;
            std::ifstream in(tmp.path() / "a.rfa", std::ios::binary);
            EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), old) << c.kind << mode;
            for (const auto& e : fs::directory_iterator(tmp.path()))
                EXPECT_TRUE(e.path().filename() == "lvl" || e.path().filename() == "a.rfa") << c.kind << mode << e.path();
        }
}

// rfaunpack puts every file in place or none: a move that fails takes back
// the ones before it (here a folder the user may not write to).
TEST(HostileTools, RfaunpackThatFailsMidwayLeavesTheTargetAsItWas) {
    TempFolder tmp;
    tmp.write("src/a.con", "new a");
    tmp.write("src/new/c.con", "new c");
    tmp.write("src/sub/b.con", "new b");
    rfa::packFolder(tmp.dir() + "src", "L", tmp.dir() + "in.rfa");
    tmp.write("t/L/a.con", "old a");
    tmp.write("t/L/sub/b.con", "old b");
    if (test::isSuperuser())
        for (const auto& e : fs::recursive_directory_iterator(tmp.path() / "t"))
            ASSERT_EQ(::chown(e.path().c_str(), test::ordinaryUid(), test::ordinaryGid()), 0);
    ASSERT_EQ(::chown(tmp.path().c_str(), test::ordinaryUid(), test::ordinaryGid()), 0);
    ASSERT_EQ(::chown((tmp.path() / "t").c_str(), test::ordinaryUid(), test::ordinaryGid()), 0);
    fs::permissions(tmp.path() / "t/L/sub", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const auto before = folderChecksums(tmp.path() / "t");
    EXPECT_EQ(test::asOrdinaryUser([&]() -> std::string {
        const std::string error = test::errorOf([&] { rfa::extractArchive(tmp.dir() + "in.rfa", tmp.dir() + "t"); });
        if (error.find("Nothing was extracted") == std::string::npos) return "error: " + error;
        return folderChecksums(tmp.path() / "t") == before ? "" : "the target changed";
    }), "");
}

TEST(HostileTools, TheArchiveToolsKeepLongNamesAndTakeOnlyWhatTheyAreTold) {
    TempFolder tmp;
    const std::string longName = std::string(251, 'n') + ".con";
    tmp.write("lvl/" + longName, "long");
    tmp.write("lvl/" + std::string(255, 'd') + "/" + longName, "longer");
    const std::string cd = "cd '" + tmp.dir() + "' && ";
    test::CommandResult r = test::runCommand(cd + tool("rfapack") + " lvl bf1942/levels/L a.rfa -Compress");
    ASSERT_EQ(r.code, 0) << r.output;
    tmp.write("extra/memory.bf", "evil");
    rfa::packFolder(tmp.dir() + "extra", "", tmp.dir() + "extra.rfa");
    fs::create_directory(tmp.path() / "out");
    r = test::runCommand(cd + tool("rfaunpack") + " a.rfa out --only BF1942/levels/l");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(folderChecksums(tmp.path() / "out/bf1942/levels/L"), folderChecksums(tmp.path() / "lvl"));
    r = test::runCommand(cd + tool("rfaunpack") + " extra.rfa out --only bf1942/levels/L");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("Left out: memory.bf\n"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(tmp.path() / "out/memory.bf"));
}
#endif

} // namespace
} // namespace tw
