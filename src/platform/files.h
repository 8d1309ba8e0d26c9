// File operations with Windows behaviour on any system: paths accept '\' and
// '/' and are resolved without regard to letter case; failures raise the
// framework's texts; every write is atomic.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tw {

// Maps a path written the Windows way onto the file system. Each existing
// component is matched without regard to letter case (an exact match wins,
// otherwise the first match in byte order); from the first component that
// does not exist on, the rest is taken as written. Relative paths stay
// relative to the current folder.
std::filesystem::path resolvePath(std::string_view path);

// The system's own separator: '\' on Windows, '/' on Linux.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

// The separator that ends a folder path such as ProgramDir ('\' or '/');
// for an empty folder, the one that ends `fallback`.
char trailingSeparator(std::string_view folder, std::string_view fallback = {});

// The folder part of a path including its final separator ("" when it has
// none), and the name after the last '\' or '/'.
std::string folderOf(std::string_view path);
std::string nameOf(std::string_view path);

// A path as the user should see it in a message: a relative path is taken
// from the current folder; one that starts with '\' or '/', or with a drive
// letter and ':', is left as it is.
std::string absolutePath(std::string_view path);

bool fileExists(std::string_view path);       // an ordinary file (not a folder)
bool pathExists(std::string_view path);       // anything of that name
bool folderExists(std::string_view path);
// Whether an existing file or folder is read-only. On Linux the mode bits
// decide: no write bit for anyone (not access(), which the superuser passes
// everywhere). On Windows a file's read-only attribute; a folder is
// read-only when this run cannot create a file in it (its access list, a
// read-only share or disk).
bool readOnlyByMode(std::string_view path);

// Whole file as bytes / as a line list (Windows-1252 decoded to UTF-8).
// A file that cannot be opened raises the file-open text with `path` as given.
std::string readBytes(std::string_view path);
Lines readLines(std::string_view path);
std::string readText(std::string_view path);

// Writes atomically: into a temporary file beside the target, then renamed
// over it, so the old file stays whole when anything fails. A failure raises
// the file-create text.
void writeBytes(std::string_view path, std::string_view bytes);
void writeLines(std::string_view path, const Lines& lines, bool finalLineEnd);

// Creates a new, empty file with a short random name in `folder`
// (".tw-" + 12 random letters and digits + ".tmp") and returns its open
// descriptor, writable. The name is taken only if nothing of that name exists
// (no file, no link: exclusive creation that never follows a link), so a
// planted link cannot redirect the write; the short name leaves room for any
// final name. -1 with errno set when it fails.
int createTempFile(const std::filesystem::path& folder, std::filesystem::path& created);
// The same, trying the names `nextName` gives (at most 100).
int createTempFile(const std::filesystem::path& folder, std::filesystem::path& created,
                   const std::function<std::string()>& nextName);

// Unchecked operations, as the program uses them: they report success but
// never raise. The copy overwrites and appears atomically at the target.
bool copyFile(std::string_view from, std::string_view to);
// The same copy, telling why it failed: 0, or the Windows error code.
// `going`, when given, learns after each block the bytes done and the
// file's size; when it returns false the copy ends, leaving the target as
// it was.
int copyFileReporting(std::string_view from, std::string_view to,
                      const std::function<bool(uint64_t done, uint64_t total)>& going = {});
bool deleteFile(std::string_view path);
bool createFolder(std::string_view path);

// What tells one version of a file from another: a file replaced by a
// rename or rewritten gets another identity.
struct FileIdentity {
    unsigned long long device = 0, inode = 0, size = 0;
    long long modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(std::string_view path);

// Makes a folder the current folder of the process; a failure raises the
// input/output error text of its Windows code.
void changeFolder(std::string_view path);

// Keeps the folder changes of a run to the run on Windows: when it goes
// (also through an exception) the process returns to the current folder it
// had when it was made, because there a process standing in a folder keeps
// the user from renaming or removing it. Elsewhere the changes stay.
class FolderChangesKept {
public:
    FolderChangesKept();
    ~FolderChangesKept();
    FolderChangesKept(const FolderChangesKept&) = delete;
    FolderChangesKept& operator=(const FolderChangesKept&) = delete;

private:
#ifdef _WIN32
    std::filesystem::path before_;
#endif
};

// The Windows error code that corresponds to a failed operation on `path`.
int windowsCodeFor(int err, const std::filesystem::path& resolved);

} // namespace tw
