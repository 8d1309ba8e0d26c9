// What each packing step refuses, without a window: the state that stands
// in the way, the exact finding, and that the check wrote nothing.
#include "packing/operations.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "rfa/archive_builder.h"
#include "support/checksums.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace tw {
namespace check {
void PrintTo(const Finding& f, std::ostream* out) { *out << severityName(f.severity) << " " << f.code << ": " << f.message; }
} // namespace check
namespace {

std::string archiveOf(const std::vector<std::string>& names) {
    std::vector<test::RawEntry> entries;
    for (const std::string& name : names) entries.push_back({name, "bytes", 5});
    return test::buildArchive(0, entries);
}

#ifdef _WIN32
// Windows has real drives C:, D: and E:, so there the scenes' drives are
// folders of their own, one folder for the whole run.
const test::TempFolder& drives() {
    static const test::TempFolder folder;
    return folder;
}
#endif

// A text with the scene's places as this system reaches them: on Linux the
// drives are folders relative to the scene's current folder and the text
// stays as it is; on Windows each drive ("D:\" or "D:/") is a folder of
// drives().
std::string places(const std::string& text) {
#ifdef _WIN32
    const std::string base = test::utf8Text(drives().path()) + "\\";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == 'C' || c == 'D' || c == 'E') && i + 2 < text.size() && text[i + 1] == ':' &&
            (text[i + 2] == '\\' || text[i + 2] == '/')) {
            out += base + c;
            ++i;  // the drive's colon
        } else {
            out += c;
        }
    }
    return out;
#else
    return text;
#endif
}

// A program folder "C:\Tools\" and the other Windows places as folders
// relative to a temporary current folder (of their own on Windows). As it stands, no step is refused:
// a map, a first packing's target in a writable folder, both archives of the
// network box chosen and there, a backup folder, and a merged folder that
// holds what the archives hold.
struct Scene {
    Scene() {
#ifdef _WIN32
        // What the scene before left on the drives goes, read-only files too.
        std::error_code ec;
        for (fs::recursive_directory_iterator it(drives().path(), ec), end; !ec && it != end; it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add);
        for (const char* drive : {"C", "D", "E"}) fs::remove_all(drives().path() / drive);
#endif
        for (const std::string& folder :
             {places("C:/Tools/temp"), places("C:/Tools/Network"), places("D:/Archives"), places("E:/Backup")})
            fs::create_directories(folder);
        tmp.write(places("D:/Maps/MyMap.rfa"), archiveOf({"bf1942/levels/MyMap/init.con"}));
        tmp.write(places("D:/Maps/MyMap_001.rfa"), archiveOf({"bf1942/levels/MyMap/ai.con"}));
        for (const char* file : {"init.con", "ai.con"})
            tmp.write(places("C:/Tools/Network/bf1942/levels/MyMap/") + file, "unpacked");
        state.MapName = "MyMap";
        state.PackTarget = places("D:\\Archives\\MyMap_001");
        order = {places("D:\\Maps\\MyMap.rfa"), "MyMap", places("D:\\Maps\\MyMap_001.rfa"), "MyMap_001",
                 places("E:\\Backup\\MyMap_001.rfa")};
    }
    static void readOnly(const std::string& path) {
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    // Where the scene's drives are.
    fs::path root() const {
#ifdef _WIN32
        return drives().path();
#else
        return tmp.path();
#endif
    }
    test::TempFolder tmp;
    test::InFolder in{tmp.path()};
    const std::string program = places("C:\\Tools\\");
    state::Conversion state;
    std::string firstTarget = places("D:\\Archives\\MyMap_001");  // as the first packing's dialog gives it
    packing::MergeOrder order;
};

enum class Step { FirstPacking, FirstTarget, FinalPacking, ArchivePlace, Unpack, Archives, Unpacked };

packing::Problems problemsOf(Step step, Scene& s) {
    switch (step) {
    case Step::FirstPacking: return packing::firstPackingProblems(s.state);
    case Step::FirstTarget: return packing::firstPackingTargetProblems(s.program, s.state, s.firstTarget);
    case Step::FinalPacking: return packing::finalPackingProblems(s.state);
    case Step::ArchivePlace: return packing::archivePlaceProblems(s.firstTarget + ".rfa");
    case Step::Unpack: return packing::unpackProblems(s.program, s.order);
    case Step::Archives: return packing::archiveProblems(s.order);
    case Step::Unpacked: {
        // Connecting checks the archives first; they tell what the merged folder must hold.
        const packing::Problems archives = packing::archiveProblems(s.order);
        return archives.empty() ? packing::unpackedProblems(s.program, s.order) : archives;
    }
    }
    return {};
}

// What the archive reader says of a file that is no archive (it names the
// file as the file system spells it).
std::string notAnArchive(const std::string& archive) {
    return "The file " + resolvePath(archive).string() + " is not a level archive (.rfa), or its beginning is "
           "damaged: Tarnwick cannot read it as one. Choose a level's .rfa archive.";
}

check::Finding refused(const char* code, const std::string& message) {
    check::Finding finding;
    finding.severity = check::Severity::Error;
    finding.code = code;
    finding.message = message;
    return finding;
}

TEST(PackingRefusals, EachStateThatStandsInTheWayGivesItsFindingAndWritesNothing) {
    const std::string notFound = "Datei nicht gefunden.\n\n";
    const std::string again = " archive again with its picture, then click \"Unpack\" and \"Connect map and addon\" "
                              "again. Nothing was packed or deleted.";
    struct Row {
        const char* what;
        Step step;
        std::function<void(Scene&)> arrange;
        packing::Problems expected;
    };
    const Row rows[] = {
        // First packing.
        {"first packing: as it stands", Step::FirstPacking, [](Scene&) {}, {}},
        {"first packing: no map yet", Step::FirstPacking, [](Scene& s) { s.state.MapName.clear(); },
         {refused("map-unknown", "No map is known yet, so there is nothing to pack: choose the map and click \"OK\" "
                                 "and \"Start\" first. Nothing was written.")}},
        // The first packing's target.
        {"first target: as it stands", Step::FirstTarget, [](Scene&) {}, {}},
        {"first target: a percent sign", Step::FirstTarget, [](Scene& s) { s.firstTarget = places("D:\\Archives\\100%MyMap_001"); },
         {refused("target-name-unusable", places("The name \"C:\\Tools\\100%MyMap_001.rfa\" cannot be written into pack.bat: "
                                                 "it holds the character %, which a batch line cannot carry. Rename it and "
                                                 "choose it again"))}},
#ifndef _WIN32
        // Windows gives a folder's read-only attribute no meaning.
        {"first target: read-only folder", Step::FirstTarget, [](Scene&) { Scene::readOnly(places("D:/Archives")); },
         {refused("target-folder-read-only", places("The folder D:\\Archives\\ is read-only, so D:\\Archives\\MyMap_001.rfa "
                                                    "cannot be written there: choose another place. Nothing was written."))}},
#endif
        {"first target: a folder in the archive's place", Step::FirstTarget,
         [](Scene&) { fs::create_directories(places("D:/Archives/MyMap_001.rfa")); },
         {refused("target-not-a-file", places("D:\\Archives\\MyMap_001.rfa is in the way: it is not a file. Move it elsewhere "
                                              "or choose another place. Nothing was written."))}},
        {"first target: read-only archive", Step::FirstTarget,
         [](Scene& s) {
             s.tmp.write(places("D:/Archives/MyMap_001.rfa"), "earlier");
             Scene::readOnly(places("D:/Archives/MyMap_001.rfa"));
         },
         {refused("target-read-only", places("D:\\Archives\\MyMap_001.rfa is read-only, so it cannot be replaced: choose "
                                             "another place. Nothing was written."))}},
        {"first target: an earlier archive there", Step::FirstTarget,
         [](Scene& s) { s.tmp.write(places("D:/Archives/MyMap_001.rfa"), "earlier"); }, {}},
        {"target given: folder missing", Step::ArchivePlace, [](Scene& s) { s.firstTarget = places("E:\\Nowhere\\MyMap_001"); },
         {refused("target-folder-missing", places("The folder E:\\Nowhere\\ does not exist, so E:\\Nowhere\\MyMap_001.rfa "
                                                  "cannot be written there: make the folder or choose another place. Nothing "
                                                  "was written."))}},
        // Final packing.
        {"final packing: as it stands", Step::FinalPacking, [](Scene&) {}, {}},
        {"final packing: no target known", Step::FinalPacking, [](Scene& s) { s.state.PackTarget.clear(); },
         {refused("target-unknown", "It is not known where the add-on archive goes: click \"Copy the generated "
                                    "pathmaps into my addon\" first (or pack it for the first time).")}},
#ifndef _WIN32
        // Windows gives a folder's read-only attribute no meaning.
        {"final packing: read-only folder", Step::FinalPacking, [](Scene&) { Scene::readOnly(places("D:/Archives")); },
         {refused("target-folder-read-only", places("The folder D:\\Archives\\ is read-only, so D:\\Archives\\MyMap_001.rfa "
                                                    "cannot be written there: choose another place. Nothing was written."))}},
#endif
        // Network unpack.
        {"unpack: as it stands", Step::Unpack, [](Scene&) {}, {}},
        {"unpack: neither archive chosen", Step::Unpack,
         [](Scene& s) { s.order.mapArchive = s.order.addonArchive = s.order.mapName = s.order.addonName = ""; },
         {refused("map-archive-not-chosen", "No map archive has been chosen: click the MAP picture and choose it, then "
                                            "click \"Unpack\" again. Nothing was unpacked."),
          refused("addon-archive-not-chosen", "No add-on archive has been chosen: click the ADD picture and choose it, "
                                              "then click \"Unpack\" again. Nothing was unpacked.")}},
        {"unpack: the map archive gone", Step::Unpack, [](Scene&) { fs::remove(places("D:/Maps/MyMap.rfa")); },
         {refused("map-archive-missing", notFound + places("The map archive D:\\Maps\\MyMap.rfa is not there (any more). Click "
                                                           "the MAP picture and choose it again, then click \"Unpack\" again. "
                                                           "Nothing was unpacked."))}},
        {"unpack: the add-on archive gone", Step::Unpack, [](Scene&) { fs::remove(places("D:/Maps/MyMap_001.rfa")); },
         {refused("addon-archive-missing", notFound + places("The add-on archive D:\\Maps\\MyMap_001.rfa is not there (any "
                                                             "more). Click the ADD picture and choose it again, then click "
                                                             "\"Unpack\" again. Nothing was unpacked."))}},
        {"unpack: a map archive in the Network folder", Step::Unpack,
         [](Scene& s) { s.tmp.write(places("C:/Tools/Network/MyMap.rfa"), "the user's"); },
         {refused("archive-in-network-folder",
                  places("A file MyMap.rfa already lies in C:\\Tools\\Network\\, where unpacking copies D:\\Maps\\MyMap.rfa "
                         "and deletes the copy afterwards. Move that file elsewhere (and choose it from there). Nothing was "
                         "unpacked."))}},
        {"unpack: the map archive chosen in the Network folder", Step::Unpack,
         [](Scene& s) {
             s.tmp.write(places("C:/Tools/Network/MyMap.rfa"), "the user's");
             s.order.mapArchive = places("C:\\Tools\\Network\\MyMap.rfa");
         },
         {refused("archive-in-network-folder",
                  places("A file MyMap.rfa already lies in C:\\Tools\\Network\\, where unpacking copies "
                         "C:\\Tools\\Network\\MyMap.rfa and deletes the copy afterwards. Move that file elsewhere (and "
                         "choose it from there). Nothing was unpacked."))}},
        {"unpack: the add-on archive chosen in the Network folder", Step::Unpack,
         [](Scene& s) {
             s.tmp.write(places("C:/Tools/Network/MyMap_001.rfa"), "the user's");
             s.order.addonArchive = places("C:\\Tools\\Network\\MyMap_001.rfa");
         },
         {refused("archive-in-network-folder",
                  places("A file MyMap_001.rfa already lies in C:\\Tools\\Network\\, where unpacking copies "
                         "C:\\Tools\\Network\\MyMap_001.rfa and deletes the copy afterwards. Move that file elsewhere (and "
                         "choose it from there). Nothing was unpacked."))}},
        // The archives and the add-on archive's fate.
        {"archives: as they stand, backed up", Step::Archives, [](Scene& s) { s.order.backupAddon = true; }, {}},
        {"archives: the same file, add-on let be", Step::Archives,
         [](Scene& s) { s.order.addonArchive = s.order.mapArchive; }, {}},
        {"archives: the same file, add-on deleted", Step::Archives,
         [](Scene& s) {
             s.order.addonArchive = s.order.mapArchive;
             s.order.deleteAddon = true;
         },
         {refused("archives-same-file", "The map archive and the add-on archive are the same file, which the merged "
                                        "archive is to replace: choose the add-on archive again. Nothing was packed or "
                                        "deleted.")}},
        {"archives: ... in another spelling, add-on backed up", Step::Archives,
         [](Scene& s) {
             s.order.addonArchive = places("D:\\maps\\MYMAP.rfa");
             s.order.backupAddon = true;
         },
         {refused("archives-same-file", "The map archive and the add-on archive are the same file, which the merged "
                                        "archive is to replace: choose the add-on archive again. Nothing was packed or "
                                        "deleted.")}},
        {"archives: no backup place", Step::Archives,
         [](Scene& s) {
             s.order.backupAddon = true;
             s.order.backup.clear();
         },
         {refused("backup-place-not-chosen", "No place for the backup has been chosen (\"Path\"): the add-on archive "
                                             "was left where it is and nothing was packed.")}},
        {"archives: backup onto the add-on archive", Step::Archives,
         [](Scene& s) {
             s.order.backupAddon = true;
             s.order.backup = places("D:\\Maps\\MyMap_001.rfa");
         },
         {refused("backup-is-addon-archive", places("The backup place D:\\Maps\\MyMap_001.rfa is the add-on archive itself: "
                                                    "choose another place with \"Path\". Nothing was packed or deleted."))}},
        {"archives: ... in another letter case", Step::Archives,
         [](Scene& s) {
             s.order.backupAddon = true;
             s.order.backup = places("D:\\MAPS\\mymap_001.RFA");
         },
         {refused("backup-is-addon-archive", places("The backup place D:\\MAPS\\mymap_001.RFA is the add-on archive itself: "
                                                    "choose another place with \"Path\". Nothing was packed or deleted."))}},
        {"archives: ... through ./", Step::Archives,
         [](Scene& s) {
             s.order.backupAddon = true;
             s.order.backup = places("D:\\Maps\\.\\MyMap_001.rfa");
         },
         {refused("backup-is-addon-archive", places("The backup place D:\\Maps\\.\\MyMap_001.rfa is the add-on archive "
                                                    "itself: choose another place with \"Path\". Nothing was packed or "
                                                    "deleted."))}},
#ifndef _WIN32
        // Links need a privilege on Windows.
        {"archives: ... through a link", Step::Archives,
         [](Scene& s) {
             fs::create_directory_symlink(fs::absolute(places("D:/Maps")), places("D:/Link"));
             s.order.backupAddon = true;
             s.order.backup = places("D:\\Link\\MyMap_001.rfa");
         },
         {refused("backup-is-addon-archive", places("The backup place D:\\Link\\MyMap_001.rfa is the add-on archive itself: "
                                                    "choose another place with \"Path\". Nothing was packed or deleted."))}},
#endif
        {"archives: backup folder missing", Step::Archives,
         [](Scene& s) {
             s.order.backupAddon = true;
             s.order.backup = places("E:\\NoSuchFolder\\MyMap_001.rfa");
         },
         {refused("backup-folder-missing", places("The folder of the backup place E:\\NoSuchFolder\\MyMap_001.rfa does not "
                                                  "exist: the add-on archive was left where it is and nothing was packed."))}},
        {"archives: backup onto the map archive", Step::Archives,
         [](Scene& s) {
             s.order.backupAddon = true;
             s.order.backup = places("D:\\maps\\MyMap.rfa");
         },
         {refused("backup-is-map-archive", places("The backup place D:\\maps\\MyMap.rfa is the map archive, which the merged "
                                                  "archive is to replace: choose another place with \"Path\". Nothing was "
                                                  "packed or deleted."))}},
        {"archives: an entry beside the map's level", Step::Archives,
         [](Scene& s) {
             s.tmp.write(places("D:/Maps/MyMap.rfa"), archiveOf({"bf1942/levels/MyMap/init.con", "menu/loading.dds"}));
         },
         {refused("entry-outside-level", "The archives hold menu/loading.dds, which lies outside bf1942/levels/mymap/: "
                                         "the merged archive would lose it when it replaces the map archive. Nothing "
                                         "was packed or deleted.")}},
        {"archives: the map archive unreadable", Step::Archives,
         [](Scene& s) { s.tmp.write(places("D:/Maps/MyMap.rfa"), "not an archive"); },
         {refused("map-archive-unreadable", notAnArchive(places("D:\\Maps\\MyMap.rfa")) + "\n\nChoose the map" + again)}},
        {"archives: the add-on archive unreadable", Step::Archives,
         [](Scene& s) { s.tmp.write(places("D:/Maps/MyMap_001.rfa"), "not an archive"); },
         {refused("addon-archive-unreadable",
                  notAnArchive(places("D:\\Maps\\MyMap_001.rfa")) + "\n\nChoose the add-on" + again)}},
        // The unpacked folder.
        {"unpacked: as it stands", Step::Unpacked, [](Scene&) {}, {}},
        {"unpacked: the add-on's older backups are not needed", Step::Unpacked,
         [](Scene& s) {
             s.tmp.write(places("D:/Maps/MyMap_001.rfa"), archiveOf({"bf1942/levels/MyMap/ai.con",
                                "bf1942/levels/MyMap/Pathfinding/Originals/Tank0Level0Map.raw"}));
         },
         {}},
        {"unpacked: a file lost since the unpack", Step::Unpacked,
         [](Scene&) { fs::remove(places("C:/Tools/Network/bf1942/levels/MyMap/ai.con")); },
         {refused("unpacked-file-missing", "The unpacked folder lacks bf1942/levels/mymap/ai.con of the archives, so "
                                           "the merged archive would too. Click \"Unpack\" again; nothing was packed or "
                                           "deleted.")}},
    };
    for (const Row& row : rows) {
        Scene s;
        row.arrange(s);
        const auto before = test::folderChecksums(s.root());
        const packing::Problems found = problemsOf(row.step, s);
        EXPECT_EQ(found, row.expected) << row.what << ": " << packing::refusalText(found);
        EXPECT_EQ(test::folderChecksums(s.root()), before) << row.what;
    }
}

// One rule refuses a step, in the window and in tarnwick-cli alike: any error
// refuses it, with every error's message on a line of its own.
TEST(PackingRefusals, TheRefusalNamesEveryErrorAndOnlyErrors) {
    check::Finding note = refused("note", "worth knowing");
    note.severity = check::Severity::Warning;
    const struct {
        const char* what;
        packing::Problems problems;
        std::string refusal;  // "": the step goes on
    } cases[] = {
        {"none", {}, ""},
        {"one", {refused("a", "First.")}, "First."},
        {"two", {refused("a", "First."), refused("b", "Second.")}, "First.\nSecond."},
        {"a warning alone", {note}, ""},
        {"a warning among errors", {refused("a", "First."), note, refused("b", "Second.")}, "First.\nSecond."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(packing::refusalText(c.problems), c.refusal) << c.what;
        std::string raised;
        try {
            packing::refuseOnProblems(c.problems);
        } catch (const AppError& e) {
            raised = e.what();
        }
        EXPECT_EQ(raised, c.refusal) << c.what;
    }
}

} // namespace
} // namespace tw
