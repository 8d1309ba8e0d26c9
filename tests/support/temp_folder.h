// A fresh folder below the system's temporary folder, removed afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace tw::test {

// Paths and names in tests are UTF-8 text, as in the program; on Windows a
// plain string would be read in the system's ANSI code page instead.
inline std::filesystem::path utf8Path(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// A path as the system compares paths: on Windows in any letter case and
// with either separator, on Linux exactly as it stands.
inline std::string systemPlace(std::string_view path) {
    std::string p(path);
#ifdef _WIN32
    for (char& c : p) {
        if (c == '/') c = '\\';
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
#endif
    return p;
}

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("tarnwick-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
#ifdef _WIN32
        // Windows removes no read-only file.
        std::error_code walk;
        for (std::filesystem::recursive_directory_iterator it(path_, walk), end; !walk && it != end; it.increment(walk))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ec);
#endif
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as a ProgramDir-style text, ending with its separator.
    std::string dir() const { return utf8Text(path_) + "/"; }

    void write(std::string_view relative, std::string_view bytes) const {
        const auto target = path_ / utf8Path(relative);
        std::filesystem::create_directories(target.parent_path());
        std::ofstream(target, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string read(std::string_view relative) const {
        std::ifstream in(path_ / utf8Path(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path path_;
};

// The made-up Windows paths of a test ("C:\\Tools\\", "D:/Maps/MyMap.rfa",
// anywhere in a text) as the test uses them. On Linux they are folders
// relative to the current folder as written; on Windows "C:" names a real
// drive, so there the colon goes and they are relative folders too.
inline std::string driveFree(std::string text) {
#ifdef _WIN32
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    for (size_t i = 0; i + 2 < text.size(); ++i)
        if (letter(text[i]) && text[i + 1] == ':' && (text[i + 2] == '\\' || text[i + 2] == '/') &&
            (i == 0 || !letter(text[i - 1])))
            text.erase(i + 1, 1);
#endif
    return text;
}

// Makes a folder the current folder for the time of a test and goes back
// afterwards. Tests use it to run Windows-style paths ("C:\\Tools\\") as
// relative paths inside a temporary folder.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

} // namespace tw::test
