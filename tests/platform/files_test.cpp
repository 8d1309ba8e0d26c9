#include "platform/errors.h"
#include "platform/files.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.what();
    }
    return "(no error)";
}

// Restores the process's current folder after a test that changes it.
struct KeepCurrentFolder {
    fs::path saved = fs::current_path();
    ~KeepCurrentFolder() { fs::current_path(saved); }
};

// A path as the system compares it: Windows finds the letter case itself
// and takes either separator, so there a path names the same place in any
// letter case; Linux compares it exactly.
fs::path place(const fs::path& p) {
#ifdef _WIN32
    return fs::path(test::utf8Path(foldCase(test::utf8Text(p)))).make_preferred();
#else
    return p;
#endif
}

TEST(Resolver, FindsFoldersAndFilesWhateverTheirLetterCase) {
    TempFolder tmp;
    tmp.write("GameTypes/Coop.con", "x");
    tmp.write("SinglePlayer/ObjectSpawns.con", "y");
    const std::string base = tmp.dir();
    struct Case {
        std::string asked;
        fs::path found;
    };
    const Case cases[] = {
        {base + "Gametypes\\Coop.con", tmp.path() / "GameTypes/Coop.con"},
        {base + "GAMETYPES/COOP.con", tmp.path() / "GameTypes/Coop.con"},
        {base + "singleplayer/objectspawns.con", tmp.path() / "SinglePlayer/ObjectSpawns.con"},
        {base + "Singleplayer\\ObjectSpawns.con", tmp.path() / "SinglePlayer/ObjectSpawns.con"},
        {base + "gametypes\\new.con", tmp.path() / "GameTypes/new.con"},          // new file, folder found
        {base + "Missing\\Deeper\\x.con", tmp.path() / "Missing/Deeper/x.con"},  // taken as written
        {base + "GameTypes//Coop.con", tmp.path() / "GameTypes/Coop.con"},
    };
    for (const auto& c : cases) EXPECT_EQ(place(resolvePath(c.asked)), place(c.found)) << c.asked;
    EXPECT_TRUE(fileExists(base + "Gametypes\\Coop.con"));
    EXPECT_EQ(readBytes(base + "gametypes/COOP.CON"), "x");
}

#ifndef _WIN32
// A Windows folder cannot hold two names that differ only in letter case.
TEST(Resolver, AnExactMatchWinsOverOtherCaseVariants) {
    TempFolder tmp;
    tmp.write("AI/a.con", "upper");
    tmp.write("ai/a.con", "lower");
    EXPECT_EQ(readBytes(tmp.dir() + "ai/a.con"), "lower");
    EXPECT_EQ(readBytes(tmp.dir() + "AI/a.con"), "upper");
    EXPECT_EQ(readBytes(tmp.dir() + "Ai/a.con"), "upper");  // the first in byte order
}
#endif

TEST(Resolver, RelativePathsStartInTheCurrentFolder) {
    TempFolder tmp;
    tmp.write("Levels/MyMap_001/ai.con", "ai");
    KeepCurrentFolder keep;
    changeFolder(tmp.dir() + "levels");
    EXPECT_EQ(readBytes("myMap_001\\AI.con"), "ai");
}

TEST(LineFiles, WriteAndReadBackWithTheChosenFinalLineEnd) {
    TempFolder tmp;
    const std::string path = tmp.dir() + "out.con";
    writeLines(path, {"run ai", " ", "", "\xC3\xA4"}, true);
    EXPECT_EQ(tmp.read("out.con"), "run ai\r\n \r\n\r\n\xE4\r\n");
    EXPECT_EQ(readLines(path), (Lines{"run ai", " ", "", "\xC3\xA4"}));
    writeLines(path, {"a", "b"}, false);
    EXPECT_EQ(tmp.read("out.con"), "a\r\nb");
    writeLines(path, {}, true);
    EXPECT_EQ(tmp.read("out.con"), "");
}

TEST(LineFiles, BytesThatAreNotTextSurviveAReadAndAWrite) {
    TempFolder tmp;
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n') all.push_back(static_cast<char>(b));
    tmp.write("in.con", all + "\r\n");
    writeLines(tmp.dir() + "out.con", readLines(tmp.dir() + "in.con"), true);
    EXPECT_EQ(tmp.read("out.con"), all + "\r\n");
}

TEST(LineFiles, FailuresCarryTheFrameworkTexts) {
    TempFolder tmp;
    const std::string missing = tmp.dir() + "init\\terrain.con";
    EXPECT_EQ(errorOf([&] { readLines(missing); }),
              msg::fileOpen(missing, "Das System kann den angegebenen Pfad nicht finden"));
    const std::string missingFile = tmp.dir() + "terrain.con";
    EXPECT_EQ(errorOf([&] { readLines(missingFile); }),
              msg::fileOpen(missingFile, "Das System kann die angegebene Datei nicht finden"));
    const std::string noFolder = tmp.dir() + "temp\\pathf.bf";
    EXPECT_EQ(errorOf([&] { writeLines(noFolder, {"x"}, true); }),
              msg::fileCreate(noFolder, "Das System kann den angegebenen Pfad nicht finden"));
    fs::create_directory(tmp.path() / "folder.con");
    EXPECT_EQ(errorOf([&] { writeLines(tmp.dir() + "folder.con", {"x"}, true); }),
              msg::fileCreate(tmp.dir() + "folder.con", "Zugriff verweigert"));
    EXPECT_EQ(errorOf([&] { readLines(tmp.dir() + "folder.con"); }),
              msg::fileOpen(tmp.dir() + "folder.con", "Zugriff verweigert"));
}

TEST(LineFiles, WritesLeaveNoTemporaryFilesBehind) {
    TempFolder tmp;
    writeBytes(tmp.dir() + "a.con", "first");
    writeBytes(tmp.dir() + "A.con", "second");  // the same file, other letter case
    EXPECT_EQ(tmp.read("a.con"), "second");
    EXPECT_TRUE(copyFile(tmp.dir() + "a.con", tmp.dir() + "b.con"));
    int count = 0;
    for (const auto& entry : fs::directory_iterator(tmp.path())) {
        ++count;
        EXPECT_EQ(entry.path().filename().string().find(".tw-"), std::string::npos);
    }
    EXPECT_EQ(count, 2);
}

// Read-only files, decided from the mode bits: a write raises the
// file-create text and a copy fails, for the superuser as for everyone.
struct ReadOnlyCase {
    const char* name;
    unsigned mode;
    bool someoneElses;  // owned by another user (and group) than the one who writes
    bool sharedGroup;   // someone else's, in the writer's group
    bool replaceable;
};

// Each case's file holds "old" and has its mode and owner; "source.con" is
// what the copies take.
// On Windows the read-only attribute alone decides, and the owners are not
// set.
void plantReadOnlyCases(const TempFolder& tmp, const std::vector<ReadOnlyCase>& cases, unsigned writer, unsigned group,
                        unsigned other, unsigned otherGroup) {
    fs::permissions(tmp.path(), fs::perms::all);
    tmp.write("source.con", "copied");
    for (const ReadOnlyCase& c : cases) {
        tmp.write(c.name, "old");
        const std::string path = tmp.dir() + c.name;
#ifndef _WIN32
        if (::geteuid() == 0) {
            EXPECT_EQ(::chown(path.c_str(), c.someoneElses ? other : writer,
                              c.someoneElses && !c.sharedGroup ? otherGroup : group), 0);
        }
#else
        (void)writer, (void)group, (void)other, (void)otherGroup;
#endif
        fs::permissions(path, static_cast<fs::perms>(c.mode));
    }
}

// Writes and copies over every case's file; returns what went otherwise
// than the case says.
std::string tryReplacing(const std::string& dir, const std::vector<ReadOnlyCase>& cases) {
    std::string report;
    for (const ReadOnlyCase& c : cases) {
        const std::string path = dir + c.name;
        const std::string error = errorOf([&] { writeBytes(path, "written"); });
        const std::string expected = c.replaceable ? "(no error)" : msg::fileCreate(path, "Zugriff verweigert");
        if (error != expected) report += std::string(c.name) + ": " + error + "\n";
        if (copyFile(dir + "source.con", path) != c.replaceable) report += std::string(c.name) + ": the copy\n";
    }
    return report;
}

void expectContents(const TempFolder& tmp, const std::vector<ReadOnlyCase>& cases) {
    for (const ReadOnlyCase& c : cases) EXPECT_EQ(tmp.read(c.name), c.replaceable ? "copied" : "old") << c.name;
}

#ifndef _WIN32
// Other owners and the superuser are POSIX matters.
TEST(ReadOnlyFiles, TheSuperuserGetsTheFileCreateTextToo) {
    if (!test::isSuperuser()) GTEST_SKIP() << "runs as the superuser only";
    const std::vector<ReadOnlyCase> cases = {
        {"own.con", 0644, false, false, true},
        {"own-read-only.con", 0444, false, false, false},
        {"own-others-may-write.con", 0466, false, false, false},
        {"others.con", 0644, true, false, true},
        {"others-owner-only.con", 0200, true, false, true},
        {"others-read-only.con", 0077, true, false, false},
    };
    TempFolder tmp;
    plantReadOnlyCases(tmp, cases, 0, 0, test::ordinaryUid(), test::ordinaryGid());
    EXPECT_EQ(tryReplacing(tmp.dir(), cases), "");
    expectContents(tmp, cases);
}
#endif

TEST(ReadOnlyFiles, AnOrdinaryUserNeedsTheOwnersAndItsOwnWriteBit) {
    std::vector<ReadOnlyCase> cases = {
        {"own.con", 0644, false, false, true},
        {"own-read-only.con", 0444, false, false, false},
        {"own-others-may-write.con", 0466, false, false, false},
    };
    if (test::isSuperuser()) {
        const std::vector<ReadOnlyCase> others = {
            {"others.con", 0644, true, false, false},
            {"others-all-may-write.con", 0666, true, false, true},
            {"others-read-only.con", 0466, true, false, false},
            {"group-may-write.con", 0664, true, true, true},
            {"group-may-not.con", 0646, true, true, false},
        };
        cases.insert(cases.end(), others.begin(), others.end());
    }
    TempFolder tmp;
#ifdef _WIN32
    plantReadOnlyCases(tmp, cases, 0, 0, 0, 0);
#else
    const bool root = test::isSuperuser();
    plantReadOnlyCases(tmp, cases, root ? test::ordinaryUid() : ::geteuid(), root ? test::ordinaryGid() : ::getegid(),
                       0, 0);
#endif
    EXPECT_EQ(test::asOrdinaryUser([&] { return tryReplacing(tmp.dir(), cases); }), "");
    expectContents(tmp, cases);
}

#ifndef _WIN32
// A clone in a folder other users cannot enter: the ordinary user's check
// still runs, as that user, may change folders and come back, and keeps its
// own temporary folders; what is closed to it stays closed.
TEST(OrdinaryUser, RunsFromAFolderOthersCannotEnter) {
    if (!test::isSuperuser()) GTEST_SKIP() << "runs as the superuser only";
    TempFolder closed;
    fs::permissions(closed.path(), fs::perms::owner_all);
    const test::InFolder inClosed(closed.path());
    EXPECT_EQ(test::asOrdinaryUser([&]() -> std::string {
        if (::geteuid() == 0) return "still the superuser";
        {
            TempFolder own;
            const test::InFolder there(own.path());
            if (fs::current_path() != own.path()) return "not in its own folder";
        }
        std::error_code ec;
        fs::directory_iterator(closed.path(), ec);
        return ec ? "" : "entered a folder closed to it";
    }), "");
}
#endif

TEST(FileOps, CopyOverwritesDeleteAndCreateReportWithoutRaising) {
    TempFolder tmp;
    tmp.write("src.rfa", std::string(100000, 'x'));
    tmp.write("Dst.rfa", "old");
    EXPECT_TRUE(copyFile(tmp.dir() + "SRC.rfa", tmp.dir() + "dst.rfa"));
    EXPECT_EQ(tmp.read("Dst.rfa"), std::string(100000, 'x'));
    EXPECT_FALSE(copyFile(tmp.dir() + "none.rfa", tmp.dir() + "x.rfa"));
    EXPECT_FALSE(copyFile(tmp.dir() + "src.rfa", tmp.dir() + "no\\such\\x.rfa"));
    EXPECT_FALSE(fileExists(tmp.dir() + "x.rfa"));
    EXPECT_TRUE(deleteFile(tmp.dir() + "dst.RFA"));
    EXPECT_FALSE(deleteFile(tmp.dir() + "dst.rfa"));
    EXPECT_TRUE(createFolder(tmp.dir() + "AI"));
    EXPECT_FALSE(createFolder(tmp.dir() + "ai"));  // exists already, in another case
    EXPECT_FALSE(createFolder(tmp.dir() + "a\\b"));
    EXPECT_TRUE(folderExists(tmp.dir() + "Ai"));
}

TEST(FileOps, ChangeFolderFailuresGiveTheInputOutputTexts) {
    TempFolder tmp;
    tmp.write("file.con", "x");
    KeepCurrentFolder keep;
    EXPECT_EQ(errorOf([&] { changeFolder(tmp.dir() + "levels"); }), "Datei nicht gefunden");
    EXPECT_EQ(errorOf([&] { changeFolder(tmp.dir() + "bf1942\\levels"); }), "Ung\xC3\xBCltiger Dateiname");
    EXPECT_EQ(errorOf([&] { changeFolder(tmp.dir() + "file.con"); }), "E/A-Fehler 267");
    EXPECT_EQ(errorOf([&] { changeFolder(tmp.dir()); }), "(no error)");
    EXPECT_EQ(fs::current_path(), tmp.path());
}

TEST(PathText, FolderAndNameParts) {
    EXPECT_EQ(folderOf("C:\\Maps\\MyMap\\init.con"), "C:\\Maps\\MyMap\\");
    EXPECT_EQ(nameOf("C:\\Maps\\MyMap\\init.con"), "init.con");
    EXPECT_EQ(folderOf("/home/u/MyMap.rfa"), "/home/u/");
    EXPECT_EQ(nameOf("MyMap.rfa"), "MyMap.rfa");
    EXPECT_EQ(folderOf("MyMap.rfa"), "");
    EXPECT_EQ(trailingSeparator("C:\\Tools\\"), '\\');
    EXPECT_EQ(trailingSeparator("/opt/tarnwick/"), '/');
    EXPECT_EQ(trailingSeparator("", "/opt/tarnwick/"), '/');            // an empty folder takes the fallback's
    EXPECT_EQ(trailingSeparator("C:\\Maps\\", "/opt/tarnwick/"), '\\');
}

TEST(PathText, RelativePathsAreShownFromTheCurrentFolder) {
    TempFolder tmp;
    KeepCurrentFolder keep;
    fs::current_path(tmp.path());
    const std::string here = fs::current_path().string() + static_cast<char>(fs::path::preferred_separator);
    const std::pair<const char*, std::string> cases[] = {
        {"init\\terrain.con", here + "init\\terrain.con"},
        {"levels/MyMap/init.con", here + "levels/MyMap/init.con"},
        {"..\\x.con", here + "..\\x.con"},
        {"/opt/tarnwick/x.con", "/opt/tarnwick/x.con"},
        {"\\\\server\\share\\x.con", "\\\\server\\share\\x.con"},
        {"D:\\Games\\x.con", "D:\\Games\\x.con"},
        {"e:x.con", "e:x.con"},
        {"1:x.con", here + "1:x.con"},
    };
    for (const auto& [path, shown] : cases) EXPECT_EQ(absolutePath(path), shown) << path;
}

} // namespace
} // namespace tw
