// A clean program folder of a test's own, assembled from what the build made
// (the tools, the packed sample level) and the source's data/ (templates,
// the sample level's folder). Never a copy of build/Tarnwick: a user's
// conversions, network merges and edited templates live there.
#pragma once

#include <filesystem>
#include <string>
#include <utility>

namespace tw::test {

// The sample level as the build packed it, and as its folder in data/.
inline std::string sampleArchive() { return TW_SAMPLE_ARCHIVE; }
inline std::string sampleLevel() { return std::string(TW_DATA_DIR) + "/levels/DemoMap/"; }
// The second sample, written as community levels are.
inline std::string secondSampleLevel() { return std::string(TW_DATA_DIR) + "/levels/Ridgeback/"; }

// Makes `where` a program folder: the archive tools, the batch runner and the
// command-line front end, the AI templates, the samples and the empty
// folders the wizard expects. Returns it as ProgramDir, with its separator.
inline std::string makeProgramFolder(const std::filesystem::path& where) {
    namespace fs = std::filesystem;
    for (const char* folder : {"temp/con files", "Network", "bf1942/levels", "samples"})
        fs::create_directories(where / folder);
    const std::pair<const char*, const char*> tools[] = {
        {"tarnwick-batch", TW_BUILT_BATCH},
        {"tarnwick-cli", TW_BUILT_CLI},
        {"rfapack", TW_BUILT_RFAPACK},
        {"rfaunpack", TW_BUILT_RFAUNPACK},
    };
    // Under the built file's own extension: ".exe" on Windows, none on Linux.
    for (const auto& [name, built] : tools)
        fs::copy_file(built, where / (name + fs::path(built).extension().string()));
    for (const auto& entry : fs::directory_iterator(fs::path(TW_DATA_DIR) / "templates"))
        fs::copy_file(entry.path(), where / "temp/con files" / entry.path().filename());
    // The folders without their trailing separator: Windows copies nothing
    // from a source that ends in one.
    fs::copy(fs::path(sampleLevel()).parent_path(), where / "samples/DemoMap",
             fs::copy_options::recursive);
    fs::copy(fs::path(secondSampleLevel()).parent_path(), where / "samples/Ridgeback",
             fs::copy_options::recursive);
    fs::copy_file(sampleArchive(), where / "samples/DemoMap.rfa");
    fs::copy_file(TW_SECOND_SAMPLE_ARCHIVE, where / "samples/Ridgeback.rfa");
    const std::u8string utf8 = where.u8string();  // the program's paths are UTF-8 texts
    return std::string(utf8.begin(), utf8.end()) + "/";
}

} // namespace tw::test
