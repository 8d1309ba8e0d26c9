#include "platform/files.h"
#include "rfa/archive.h"
#include "support/temp_folder.h"
#include "tools/run_footprint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace tw::tools {
namespace {

using test::TempFolder;

// Every file below a folder with its bytes: the whole state to compare.
std::map<std::string, std::string> contents(const fs::path& root) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(root))
        all[fs::relative(e.path(), root).string()] = e.is_regular_file() ? readBytes(e.path().string()) : "<folder>";
    return all;
}

// A program folder with the user's own files in Network/ and an archive of
// level M elsewhere; the network unpack batch of that archive.
struct Unpack {
    Unpack() {
        tmp.write("src/bf1942/levels/M/init.con", "map init");
        tmp.write("src/bf1942/levels/M/init/terrain.con", "terrain");
        tmp.write("src/bf1942/levels/M/Textures/map.dds", std::string(5000, 'd'));
        rfa::packFolder(tmp.dir() + "src/bf1942/levels/M", "bf1942/levels/M", tmp.dir() + "M.rfa");
        tmp.write("Program/Network/bf1942/levels/M/mine.con", "the user's own file");
        tmp.write("Program/Network/notes.txt", "notes");
        tmp.write("Program/Network/unpack.bat",
                  "copy \"" + tmp.dir() + "M.rfa\" \"" + network + "M.rfa\"\r\nrfaunpack.exe M.rfa\r\ndel \"" +
                      network + "M.rfa\"\r\n");
    }
    // What the batch would have made when it was cut short after the
    // unpack, with a write still unfinished.
    void cutShortAfterUnpack() const {
        fs::copy_file(tmp.path() / "M.rfa", network + "M.rfa");
        rfa::extractArchive(network + "M.rfa", network);
        tmp.write("Program/Network/bf1942/levels/M/Textures/.tw-more.dds.77.part", "half");
        tmp.write("Program/Network/.tw-M.rfa.77.3.tmp", "half");
    }
    TempFolder tmp;
    std::string network = tmp.dir() + "Program/Network/";
};

TEST(RunFootprint, StoppingAnUnpackLeavesTheFoldersAsTheyWereBefore) {
    Unpack u;
    const auto before = contents(u.tmp.path());
    const RunFootprint fp = takeFootprint(u.network + "unpack.bat", u.network);
    u.cutShortAfterUnpack();
    EXPECT_NE(contents(u.tmp.path()), before);
    undoRun(fp);
    EXPECT_EQ(contents(u.tmp.path()), before);
}

TEST(RunFootprint, AFileThatExistedBeforeIsKeptEvenWhenTheRunRewroteIt) {
    Unpack u;
    u.tmp.write("Program/Network/bf1942/levels/M/init.con", "the user's init.con");
    const RunFootprint fp = takeFootprint(u.network + "unpack.bat", u.network);
    u.cutShortAfterUnpack();
    undoRun(fp);
    EXPECT_EQ(u.tmp.read("Program/Network/bf1942/levels/M/init.con"), "map init");  // the unpack's, as asked
    EXPECT_FALSE(fs::exists(u.network + "bf1942/levels/M/init/terrain.con"));
    EXPECT_EQ(u.tmp.read("Program/Network/bf1942/levels/M/mine.con"), "the user's own file");
}

TEST(RunFootprint, AKilledRunsJournalTakesItsScratchCopyAndTemporaryFilesAtTheNextStart) {
    Unpack u;
    const RunFootprint fp = takeFootprint(u.network + "unpack.bat", u.network);
    EXPECT_EQ(fp.scratch, std::vector<std::string>{resolvePath(u.network + "M.rfa").string()});
    u.tmp.write("Program/temp/run-1-1.journal", journalText(fp));
    u.tmp.write("Program/temp/keep.journal.txt", "not a journal");
    // A journal that names a file outside the program folder is not obeyed.
    u.tmp.write("outside.txt", "the user's");
    u.tmp.write("Program/temp/run-2-1.journal", "scratch\t" + u.tmp.dir() + "outside.txt\nscratch\t" + u.tmp.dir() +
                                                   "Program/../outside.txt\n");
    u.cutShortAfterUnpack();
    u.tmp.write("Program/Network/.tw-Ab3xY9/0", "half an entry");  // an unpack's staging folder
    u.tmp.write("Program/Network/.tw-notes/keep.txt", "not a staging folder");
    u.tmp.write("Program/Network/.tw-backup/0", "the user's, named like one");
    u.tmp.write("Program/Network/.tw-backup/notes.txt", "the user's");
    cleanUpKilledRuns(u.tmp.dir() + "Program/temp", u.tmp.dir() + "Program/");
    EXPECT_EQ(u.tmp.read("outside.txt"), "the user's");
    EXPECT_FALSE(fs::exists(u.tmp.dir() + "Program/temp/run-2-1.journal"));
    EXPECT_FALSE(fs::exists(u.network + "M.rfa"));
    EXPECT_FALSE(fs::exists(u.network + ".tw-M.rfa.77.3.tmp"));
    EXPECT_FALSE(fs::exists(u.tmp.dir() + "Program/temp/run-1-1.journal"));
    EXPECT_TRUE(fs::exists(u.tmp.dir() + "Program/temp/keep.journal.txt"));
    EXPECT_FALSE(fs::exists(u.network + ".tw-Ab3xY9"));
    EXPECT_EQ(u.tmp.read("Program/Network/.tw-notes/keep.txt"), "not a staging folder");
    EXPECT_EQ(u.tmp.read("Program/Network/.tw-backup/notes.txt"), "the user's");
    // The unpacked files are whole files; they stay.
    EXPECT_EQ(u.tmp.read("Program/Network/bf1942/levels/M/init.con"), "map init");
    EXPECT_EQ(u.tmp.read("Program/Network/notes.txt"), "notes");
}

TEST(RunFootprint, CopyAndPackTargetsThatExistedBeforeAreNotNew) {
    TempFolder tmp;
    tmp.write("P/old.rfa", "older archive");
    tmp.write("P/pack.bat", "rfaPack.exe bf1942\\levels\\M_001  bf1942/levels/M \"old.rfa\"\r\n"
                            "copy \"" + tmp.dir() + "P/old.rfa\" \"" + tmp.dir() + "T/new.rfa\"\r\n");
    const RunFootprint fp = takeFootprint(tmp.dir() + "P/pack.bat", tmp.dir() + "P/");
    EXPECT_EQ(fp.newFiles, std::vector<std::string>{resolvePath(tmp.dir() + "T/new.rfa").string()});
    EXPECT_TRUE(fp.scratch.empty());
}

// With another batch running beside it, a stopped run leaves the temporary
// files and staging folders alone: they may be that batch's work.
TEST(RunFootprint, StoppingBesideAnotherRunLeavesItsWorkInProgress) {
    for (const bool sweep : {true, false}) {
        Unpack u;
        const RunFootprint fp = takeFootprint(u.network + "unpack.bat", u.network);
        u.cutShortAfterUnpack();
        u.tmp.write("Program/Network/.tw-Ab3xY9/0", "another run's entry");
        undoRun(fp, sweep);
        EXPECT_EQ(fs::exists(u.network + ".tw-M.rfa.77.3.tmp"), !sweep);
        EXPECT_EQ(fs::exists(u.network + ".tw-Ab3xY9/0"), !sweep);
        EXPECT_FALSE(fs::exists(u.network + "bf1942/levels/M/init.con"));  // its own files go either way
    }
}

TEST(RunFootprint, UnfinishedWriteNames) {
    for (const char* name : {".tw-a.rfa.12.0.tmp", ".tw-x.con.9.part", ".tw-k3j9z0a1b2c3.tmp"})
        EXPECT_TRUE(isUnfinishedWrite(name)) << name;
    for (const char* name : {".tw-Ab3xY9", ".tw-000000"}) EXPECT_TRUE(isUnpackStaging(name)) << name;
    for (const char* name : {".tw-Ab3xY", ".tw-Ab3xY9.tmp", ".tw-notes", "x.tw-Ab3xY9", ".tw-Ab3x/9"})
        EXPECT_FALSE(isUnpackStaging(name)) << name;
    for (const char* name : {"a.tmp", ".tw-", ".tw-.tmpx", "tw-a.part", ".twa.part"})
        EXPECT_FALSE(isUnfinishedWrite(name)) << name;
}

} // namespace
} // namespace tw::tools
