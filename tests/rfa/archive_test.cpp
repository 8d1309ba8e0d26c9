#include "platform/errors.h"
#include "platform/files.h"
#include "rfa/archive.h"
#include "rfa/lzo_codec.h"
#include "rfa/names.h"
#include "rfa/reader.h"
#include "rfa/archive_builder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

namespace fs = std::filesystem;

namespace tw::rfa {
namespace {

using test::blockPayload;
using test::buildArchive;
using test::RawEntry;
using test::TempFolder;

std::string pseudoRandom(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

std::string compressible(size_t n) {
    std::string s;
    while (s.size() < n) s += "Object.absolutePosition 1024.5/77.25/311.0\r\n";
    s.resize(n);
    return s;
}

// Everything below a folder: relative path -> bytes.
std::map<std::string, std::string> treeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        const std::u8string name = fs::relative(e.path(), root).generic_u8string();
        tree[std::string(name.begin(), name.end())] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return tree;
}

std::string readAll(const ArchiveReader& reader, const Entry& e) {
    std::string out;
    reader.read(e, [&](const unsigned char* d, size_t n) { out.append(reinterpret_cast<const char*>(d), n); });
    return out;
}

TEST(RoundTrip, BothModesGiveBackEveryNameAndByte) {
    for (bool compress : {false, true}) {
        TempFolder tmp;
        const std::map<std::string, std::string> files = {
            {"empty.con", ""},
            {"one.con", "x"},
            {"a32767.raw", pseudoRandom(32767, 1)},
            {"a32768.raw", compressible(32768)},
            {"a32769.raw", pseudoRandom(32769, 2)},
            {"a200000.raw", compressible(100000) + pseudoRandom(100000, 3)},
            {"deep/er/and/deeper/still/file.con", "deep"},
            {"name with blanks/My File.con", "blank"},
            {"Singleplayer/\xC3\xA4rger.con", "latin"},
        };
        for (const auto& [name, bytes] : files) tmp.write("src/" + name, bytes);
        const std::string archive = tmp.dir() + "MyMap.rfa";
        const PackResult packed = packFolder(tmp.dir() + "src", "bf1942/levels/MyMap", archive, {compress, 2, {}});
        EXPECT_EQ(packed.files, files.size());
        EXPECT_EQ(packed.archiveSize, fs::file_size(archive));

        ArchiveReader reader(archive);
        EXPECT_EQ(reader.compressed(), compress);
        EXPECT_TRUE(reader.hasTail());
        for (const Entry& e : reader.entries()) {
            EXPECT_EQ(e.name.rfind("bf1942/levels/MyMap/", 0), 0u) << e.name;
            if (compress) {
                EXPECT_GE(e.stored, 4u) << e.name;  // never a raw entry under flag 1
            }
        }

        fs::create_directory(tmp.path() / "out");
        const ExtractResult result = extractArchive(archive, tmp.dir() + "out");
        EXPECT_EQ(result.files, files.size());
        EXPECT_TRUE(result.warnings.empty());
        std::map<std::string, std::string> expected;
        for (const auto& [name, bytes] : files) expected["bf1942/levels/MyMap/" + name] = bytes;
        EXPECT_EQ(treeOf(tmp.path() / "out"), expected) << (compress ? "compressed" : "stored");
    }
}

// The wizard's records at the top of the add-on and the pathmap window's
// backups never go into the game's archive, in any letter case; files of
// the same names elsewhere do.
TEST(RoundTrip, TheWizardsOwnFilesAreNotPacked) {
    const std::pair<const char*, bool> files[] = {  // path below the folder, packed
        {"ai.con", true},
        {"tarnwick-conversion.txt", false},
        {"TARNWICK-replaced-2026-01-01/ai.con", false},
        {"Pathfinding/Originals/Tank0Level0Map.raw", false},
        {"pathfinding/ORIGINALS/sub/Car4Level1Map.raw", false},
        {"Pathfinding/Tank0Level0Map.raw", true},
        {"Pathfinding/OriginalsX/a.raw", true},
        {"Pathfinding/Originals.raw", true},
        {"Originals/a.raw", true},
        {"AI/tarnwick-notes.txt", true},
    };
    TempFolder tmp;
    for (const auto& [path, packed] : files) {
        fs::create_directories((tmp.path() / "Addon" / path).parent_path());
        writeBytes((tmp.path() / "Addon" / path).string(), path);
    }
    const std::string archive = tmp.dir() + "Addon.rfa";
    packFolder(tmp.dir() + "Addon", "bf1942/levels/Map", archive);
    std::set<std::string> names;
    const ArchiveReader reader(archive);
    for (const Entry& e : reader.entries()) names.insert(e.name);
    for (const auto& [path, packed] : files) EXPECT_EQ(names.count("bf1942/levels/Map/" + std::string(path)), packed ? 1u : 0u) << path;
    EXPECT_EQ(names.size(), 6u);
}

TEST(StoreMode, LayoutSizeAndNameOrderAreTheClassicPackers) {
    TempFolder tmp;
    // Sibling pairs whose order depends on upper-casing, a nested folder that
    // sorts before the files but comes after them, an empty and a 1-byte file.
    const std::vector<std::pair<std::string, std::string>> tree = {
        {"loading_full", "ab"}, {"loadingfull", "abc"}, {"Icon_P", "p"},  {"icon_a", "aaaa"},
        {"InGame", "g"},        {"InfantryX", "xx"},    {"Aaa/zz.con", "z"}, {"Aaa/Sub/e.con", ""},
        {"Aaa/b.con", "1"},
    };
    for (const auto& [name, bytes] : tree) tmp.write("lvl/" + name, bytes);
    const std::string archive = tmp.dir() + "x.rfa";
    packFolder(tmp.dir() + "lvl", "bf1942/levels/X", archive);

    const std::vector<std::string> order = {"icon_a", "Icon_P", "InfantryX", "InGame", "loadingfull",
                                            "loading_full", "Aaa/b.con", "Aaa/zz.con", "Aaa/Sub/e.con"};
    std::string expected(kHeaderSize, '\0');
    auto* h = reinterpret_cast<unsigned char*>(expected.data());
    expected.replace(8, kDescriptorSize, ourDescriptor());
    putU32(h + 152, idField(kDefaultId, ourDescriptor()));
    std::string table;
    test::appendU32(table, static_cast<uint32_t>(order.size()));
    for (const std::string& name : order) {
        const std::string bytes = std::find_if(tree.begin(), tree.end(), [&](auto& p) { return p.first == name; })->second;
        const std::string inner = "bf1942/levels/X/" + name;
        test::appendU32(table, static_cast<uint32_t>(inner.size()));
        table += inner;
        test::appendU32(table, static_cast<uint32_t>(bytes.size()));
        test::appendU32(table, static_cast<uint32_t>(bytes.size()));
        test::appendU32(table, static_cast<uint32_t>(expected.size()));
        for (int i = 0; i < 3; ++i) test::appendU32(table, 0);
        expected += bytes;
    }
    putU32(reinterpret_cast<unsigned char*>(expected.data()), static_cast<uint32_t>(expected.size()));
    expected += table;
    test::appendU32(expected, 0);
    EXPECT_EQ(tmp.read("x.rfa"), expected);

    uint64_t formula = 156 + 4 + 4;
    for (const auto& [name, bytes] : tree) formula += bytes.size() + 28 + ("bf1942/levels/X/" + name).size();
    EXPECT_EQ(fs::file_size(archive), formula);
}

TEST(BlockMaths, CountsSizesAndStoredLength) {
    struct Case {
        uint64_t size;
        uint32_t blocks, last;
    };
    const Case cases[] = {{0, 0, 0}, {1, 1, 1}, {32767, 1, 32767}, {32768, 1, 32768}, {32769, 2, 1}, {200000, 7, 3392}};
    for (const Case& c : cases) {
        EXPECT_EQ(blockCount(c.size), c.blocks) << c.size;
        if (c.blocks) {
            EXPECT_EQ(blockSize(c.size, c.blocks - 1), c.last) << c.size;
        }
        const std::string payload = blockPayload(pseudoRandom(c.size, 7));
        // stored = 4 + 12n + sum of c; r runs from 0 as the sum of the c before it
        uint64_t sum = 0;
        const auto* p = reinterpret_cast<const unsigned char*>(payload.data());
        EXPECT_EQ(getU32(p), c.blocks);
        for (uint32_t i = 0; i < c.blocks; ++i) {
            EXPECT_EQ(getU32(p + 4 + 12 * i + 8), sum);
            EXPECT_EQ(getU32(p + 4 + 12 * i + 4), i + 1 < c.blocks ? kBlockSize : c.last);
            sum += getU32(p + 4 + 12 * i);
        }
        EXPECT_EQ(payload.size(), 4 + 12 * c.blocks + sum);
    }
}

TEST(Lzo, KnownVectors) {
    std::string ab;
    for (int i = 0; i < 100; ++i) ab += "ab";
    const auto packed = compressBlock(reinterpret_cast<const unsigned char*>(ab.data()), 200);
    EXPECT_EQ(std::string(packed.begin(), packed.end()), std::string("\x13\x61\x62\x20\xa5\x04\x00\x11\x00\x00", 10));

    const std::string stream("\x1e\x72\x75\x6e\x20\x6f\x62\x6a\x65\x63\x74\x73\x0d\x0a\x70\x01\x03\x77\x65\x61"
                             "\x70\x6f\x6e\x50\x01\x64\x00\x11\x00\x00",
                             30);
    unsigned char out[30];
    ASSERT_TRUE(decompressBlock(reinterpret_cast<const unsigned char*>(stream.data()), 30, out, 30));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 30), "run objects\r\nrun weapons\r\n\r\n\r\n");
    EXPECT_FALSE(decompressBlock(reinterpret_cast<const unsigned char*>(stream.data()), 30, out, 29));

    std::string incompressible;
    for (int i = 0; i < 20; ++i) incompressible.push_back(static_cast<char>(i * 37 + 11));
    const auto lit = compressBlock(reinterpret_cast<const unsigned char*>(incompressible.data()), 20);
    ASSERT_EQ(lit.size(), 24u);
    EXPECT_EQ(lit[0], 0x25);
}

TEST(Tolerance, ArchiveWithoutTailAndVerbatimBlocksOfOlderWriters) {
    TempFolder tmp;
    const std::string text = "run objects\r\n";
    std::string noTail = buildArchive(1, {{"bf1942/levels/M/a.con", blockPayload(text), 13}}, false);
    tmp.write("notail.rfa", noTail);
    ArchiveReader reader(tmp.dir() + "notail.rfa");
    EXPECT_FALSE(reader.hasTail());
    EXPECT_EQ(readAll(reader, reader.entries()[0]), text);

    // Flag 1 with stored = size that is no block table: the bytes themselves.
    tmp.write("verbatim.rfa", buildArchive(1, {{"m/v.con", "0123456789", 10}}));
    ArchiveReader verbatim(tmp.dir() + "verbatim.rfa");
    EXPECT_EQ(readAll(verbatim, verbatim.entries()[0]), "0123456789");
    EXPECT_EQ(verbatim.warnings().size(), 1u);

    // Empty files in each of the three known forms.
    tmp.write("empty.rfa", buildArchive(1, {{"m/a", "", 0},
                                             {"m/b", std::string(4, '\0'), 0},
                                             {"m/c", std::string("\x01\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\x11\x11\0\0", 20), 0}}));
    ArchiveReader empty(tmp.dir() + "empty.rfa");
    for (const Entry& e : empty.entries()) EXPECT_EQ(readAll(empty, e), "") << e.name;
}

TEST(Tolerance, Version11Signature) {
    TempFolder tmp;
    const std::string text = compressible(40000);
    const std::string packed = blockPayload(text);
    std::string bytes(kV11Signature);
    test::appendU32(bytes, 0);  // table offset, set below
    const auto first = static_cast<uint32_t>(bytes.size());
    bytes += packed;
    const auto second = static_cast<uint32_t>(bytes.size());
    bytes += "raw!";
    const auto table = static_cast<uint32_t>(bytes.size());
    test::appendU32(bytes, 2);
    for (auto [name, stored, size, offset] :
         {std::tuple<std::string, uint32_t, uint32_t, uint32_t>{"lvl/big.con", packed.size(), 40000, first},
          {"lvl/raw.con", 4, 4, second}}) {
        test::appendU32(bytes, static_cast<uint32_t>(name.size()));
        bytes += name;
        for (uint32_t v : {stored, size, offset, 0u, 0u, 0u}) test::appendU32(bytes, v);
    }
    putU32(reinterpret_cast<unsigned char*>(bytes.data()) + 28, table);
    tmp.write("v11.rfa", bytes);
    fs::create_directory(tmp.path() / "out");
    const ExtractResult r = extractArchive(tmp.dir() + "v11.rfa", tmp.dir() + "out");
    EXPECT_EQ(r.files, 2u);
    EXPECT_EQ(tmp.read("out/lvl/big.con"), text);
    EXPECT_EQ(tmp.read("out/lvl/raw.con"), "raw!");
}

TEST(Hostile, UnsafeNamesRefuseTheWholeArchiveBeforeAnythingIsWritten) {
    const std::vector<std::string> names = {
        "../x",      "C:/x",     "/abs/x",   "\\\\server\\share\\x", "a/../b",  "a\\..\\b", "a//b",
        "a/",        "a/x.",     "a/x ",     "CON",                  "a/nul.txt", "COM1",   "lpt9.con",
        "a/./b",     "a\tb",     "a/b:c",    std::string("a\0b", 3),
    };
    for (const std::string& bad : names) {
        TempFolder tmp;
        tmp.write("h.rfa", buildArchive(0, {{"lvl/first.con", "ok", 2}, {bad, "evil", 4}}));
        fs::create_directory(tmp.path() / "out");
        try {
            extractArchive(tmp.dir() + "h.rfa", tmp.dir() + "out");
            ADD_FAILURE() << "extracted " << bad;
        } catch (const AppError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("h.rfa"), std::string::npos) << text;
            EXPECT_NE(text.find("Nothing was extracted"), std::string::npos) << text;
        }
        EXPECT_TRUE(fs::is_empty(tmp.path() / "out")) << bad;
        EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), {}), 2) << bad;  // h.rfa and out
    }
}

TEST(Hostile, ClashingNamesAreRefused) {
    const std::vector<std::vector<std::string>> sets = {
        {"lvl/AI/a.con", "lvl/ai/A.con"},
        {"lvl/a.con", "lvl\\a.con"},
        {"lvl/x", "lvl/x/y"},
    };
    for (const auto& set : sets) {
        TempFolder tmp;
        std::vector<RawEntry> entries;
        for (const auto& n : set) entries.push_back({n, "d", 1});
        tmp.write("c.rfa", buildArchive(0, entries));
        fs::create_directory(tmp.path() / "out");
        EXPECT_THROW(extractArchive(tmp.dir() + "c.rfa", tmp.dir() + "out"), AppError) << set[0];
        EXPECT_TRUE(fs::is_empty(tmp.path() / "out"));
    }
}

TEST(Hostile, ASymlinkInTheTargetCannotLeadOutside) {
    TempFolder tmp;
    fs::create_directories(tmp.path() / "out");
    fs::create_directories(tmp.path() / "elsewhere");
    fs::create_directory_symlink(tmp.path() / "elsewhere", tmp.path() / "out" / "lvl");
    tmp.write("s.rfa", buildArchive(0, {{"lvl/x.con", "x", 1}}));
    EXPECT_THROW(extractArchive(tmp.dir() + "s.rfa", tmp.dir() + "out"), AppError);
    EXPECT_TRUE(fs::is_empty(tmp.path() / "elsewhere"));
}

// Damaged archives: each is refused with an error naming the archive; no
// partial file is left.
TEST(Damaged, EachCaseIsACleanError) {
    const std::string text = compressible(70000);
    const std::string good = buildArchive(1, {{"lvl/a.con", blockPayload(text), 70000}});
    const auto u32At = [](std::string s, size_t at, uint32_t v) {
        putU32(reinterpret_cast<unsigned char*>(s.data()) + at, v);
        return s;
    };
    const uint32_t table = getU32(reinterpret_cast<const unsigned char*>(good.data()));
    const size_t entry = table + 4;           // name length, name (9), stored, size, offset
    const size_t storedAt = entry + 4 + 9, sizeAt = storedAt + 4, offsetAt = sizeAt + 4;
    const size_t block0 = kHeaderSize + 4;    // c, u, r of the first block
    // The second block's end marker spoilt: the first block decodes (and is
    // written) before the entry fails.
    std::string garbled = good;
    {
        const auto* p = reinterpret_cast<const unsigned char*>(good.data());
        const size_t end = kHeaderSize + 4 + 36 + getU32(p + block0 + 12 + 8) + getU32(p + block0 + 12);
        garbled.replace(end - 3, 3, "\xFF\xFF\xFF");
    }

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"flag 2", u32At(good, 4, 2)},
        {"table offset below 8", u32At(good, 0, 4)},
        {"table offset past the end", u32At(good, 0, static_cast<uint32_t>(good.size()))},
        {"count 0xFFFFFFFF", u32At(good, table, 0xFFFFFFFF)},
        {"name length 0", u32At(good, entry, 0)},
        {"name past the table", u32At(good, entry, 100000)},
        {"offset past the end", u32At(good, offsetAt, 0xFFFFFF00)},
        {"stored past the table", u32At(good, storedAt, static_cast<uint32_t>(good.size()))},
        {"u = 40000", u32At(good, block0 + 4, 40000)},
        {"sum of u differs", u32At(good, sizeAt, 70001)},
        {"block count differs", u32At(good, kHeaderSize, 2)},
        {"r not cumulative", u32At(good, block0 + 12 + 8, 5)},
        {"c beyond any stream", u32At(good, block0, 40000)},
        {"garbled stream", garbled},
        {"raw entry with the wrong size", buildArchive(0, {{"lvl/a.con", "abc", 4}})},
    };
    for (const auto& [label, bytes] : cases) {
        TempFolder tmp;
        tmp.write("d.rfa", bytes);
        fs::create_directory(tmp.path() / "out");
        try {
            extractArchive(tmp.dir() + "d.rfa", tmp.dir() + "out");
            ADD_FAILURE() << label << ": no error";
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find("d.rfa"), std::string::npos) << label << ": " << e.what();
        }
        for (const auto& f : fs::recursive_directory_iterator(tmp.path() / "out"))
            EXPECT_FALSE(f.is_regular_file()) << label << ": left " << f.path();
    }
}

TEST(Damaged, TruncationAtEveryOffsetNeverCrashes) {
    const std::string good = buildArchive(1, {{"lvl/a.con", blockPayload(compressible(40000)), 40000},
                                              {"lvl/b.con", blockPayload("tiny"), 4}});
    TempFolder tmp;
    fs::create_directory(tmp.path() / "out");
    for (size_t cut = 0; cut + 4 < good.size(); ++cut) {  // the last 4 bytes are the optional tail
        tmp.write("t.rfa", good.substr(0, cut));
        EXPECT_THROW(extractArchive(tmp.dir() + "t.rfa", tmp.dir() + "out"), AppError) << cut;
    }
}

TEST(Limits, ArchivesPast4GiBAreRefusedBeforeAnythingIsWritten) {
    TempFolder tmp;
    fs::create_directory(tmp.path() / "big");
    {
        std::ofstream(tmp.path() / "big" / "huge.raw").close();
        fs::resize_file(tmp.path() / "big" / "huge.raw", (uint64_t{1} << 32) - 100);  // sparse
    }
    tmp.write("big/more.raw", std::string(200, 'x'));
    try {
        packFolder(tmp.dir() + "big", "lvl", tmp.dir() + "big.rfa");
        ADD_FAILURE() << "packed";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("4 GiB"), std::string::npos);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), {}), 1);  // only the folder
}

TEST(Names, SafeNamesAndKeys) {
    for (const char* ok : {"bf1942/levels/MyMap/init.con", "a\\b\\c.con", "x.y.z", "console/x", "COM10", "a b/c d"})
        EXPECT_FALSE(unsafeNameReason(ok).has_value()) << ok;
    EXPECT_EQ(nameKey("Bf1942\\Levels/X.CON"), "bf1942/levels/x.con");
}

} // namespace
} // namespace tw::rfa
