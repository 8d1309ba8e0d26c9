#include "tools/scripts.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace tw::scripts {
namespace {

using test::TempFolder;

// The scripts as the Windows examples give them, compared as whole files.
TEST(Scripts, MapUnpackScriptOfTheExample) {
    TempFolder tmp;
    saveScript(tmp.dir() + "unpack.bat", mapUnpackScript("C:\\Tools\\Wizard\\", "C:\\Downloads\\MyMap.rfa", false),
               true);
    EXPECT_EQ(tmp.read("unpack.bat"),
              "copy \"C:\\Downloads\\MyMap.rfa\" \"C:\\Tools\\Wizard\\MyMap.rfa\"\r\n"
              "rfaunpack.exe MyMap.rfa \r\n"
              "del \"C:\\Tools\\Wizard\\MyMap.rfa\"\r\n");
    // An archive that already lies beside the program is only unpacked.
    saveScript(tmp.dir() + "unpack.bat", mapUnpackScript("C:\\Tools\\Wizard\\", "C:\\Tools\\Wizard\\MyMap.rfa", true),
               true);
    EXPECT_EQ(tmp.read("unpack.bat"), "rfaunpack.exe MyMap.rfa \r\n");
}

TEST(Scripts, AddonPackScriptOfTheExample) {
    TempFolder tmp;
    saveScript(tmp.dir() + "pack.bat", addonPackScript("C:\\Tools\\", "MyMap", "D:\\Archives\\MyMap_001"), false);
    EXPECT_EQ(tmp.read("pack.bat"),
              "rfaPack.exe bf1942\\levels\\MyMap_001  bf1942/levels/MyMap \"MyMap_001.rfa\"\r\n"
              "copy \"C:\\Tools\\MyMap_001.rfa\" \"D:\\Archives\\MyMap_001.rfa\"");
    EXPECT_EQ(packName("D:\\Archives\\MyMap_001"), "MyMap_001");
    EXPECT_EQ(packName("D:MyMap_001"), "MyMap_001");
    EXPECT_EQ(packName("/home/u/MyMap_001"), "MyMap_001");
}

TEST(Scripts, NetworkScriptsOfTheExample) {
    TempFolder tmp;
    saveScript(tmp.dir() + "unpack.bat",
               networkUnpackScript("C:\\Tools\\", "D:\\Maps\\MyMap.rfa", "MyMap", "D:\\Maps\\MyMap_001.rfa", "MyMap_001"),
               true);
    EXPECT_EQ(tmp.read("unpack.bat"),
              "copy \"D:\\Maps\\MyMap.rfa\" \"C:\\Tools\\Network\\MyMap.rfa\"\r\n"
              "rfaunpack.exe MyMap.rfa\r\n"
              "del \"C:\\Tools\\Network\\MyMap.rfa\"\r\n"
              "copy \"D:\\Maps\\MyMap_001.rfa\" \"C:\\Tools\\Network\\MyMap_001.rfa\"\r\n"
              "rfaunpack.exe MyMap_001.rfa\r\n"
              "del \"C:\\Tools\\Network\\MyMap_001.rfa\"\r\n");
    saveScript(tmp.dir() + "pack.bat", networkPackScript("C:\\Tools\\", "D:\\Maps\\MyMap.rfa", "MyMap"), true);
    EXPECT_EQ(tmp.read("pack.bat"),
              "rfaPack.exe bf1942\\levels\\MyMap bf1942/levels/MyMap \"MyMap.rfa\"\r\n"
              "copy \"C:\\Tools\\Network\\MyMap.rfa\" \"D:\\Maps\\MyMap.rfa\"\r\n"
              "del \"C:\\Tools\\Network\\MyMap.rfa\"\r\n");
}

TEST(Scripts, PathsJoinWithTheProgramFoldersSeparator) {
    EXPECT_EQ(addonPackScript("/opt/tw/", "M", "/home/u/M_001")[0],
              "rfaPack.exe bf1942/levels/M_001  bf1942/levels/M \"M_001.rfa\"");
    EXPECT_EQ(networkPackScript("/opt/tw/", "/m/M.rfa", "M")[2], "del \"/opt/tw/Network/M.rfa\"");
}

} // namespace
} // namespace tw::scripts
