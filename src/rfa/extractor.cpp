#include "rfa/extractor.h"

#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/text.h"
#include "rfa/names.h"
#include "rfa/out_file.h"
#include "rfa/reader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>


namespace fs = std::filesystem;

namespace tw::rfa {
namespace {


// The target folder as extraction will fill it, planned before anything is
// written: each entry's path, matched without regard to letter case against
// what exists (each folder listed once), every existing folder on the way
// checked (a linked folder must stay inside the target, a file must not
// stand where a folder belongs), and the folders still to be made.
class TargetTree {
public:
    TargetTree(fs::path root, std::string shownTarget)
        : root_(std::move(root)), canonicalRoot_(fs::weakly_canonical(root_)), shown_(std::move(shownTarget)) {}

    fs::path plan(const std::vector<std::string>& components, const std::string& inner) {
        fs::path dir = root_;
        for (size_t i = 0; i + 1 < components.size(); ++i) {
            fs::path next = dir / platform::pathFromUtf8(nameIn(dir, components[i]));
            if (checked_.insert(next.string()).second) checkFolder(next, inner);
            dir = std::move(next);
        }
        fs::path file = dir / platform::pathFromUtf8(nameIn(dir, components.back()));
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(file, ec)))
            throw AppError("The entry \"" + inner + "\" cannot be written: a folder of that name exists below " + shown_);
        return file;
    }

    // Makes the planned folders, parents first; `made` lists each one made.
    void makeFolders(std::vector<fs::path>& made) const {
        for (const fs::path& folder : missing_) {
            std::error_code ec;
            if (fs::create_directory(folder, ec)) made.push_back(folder);
            if (!fs::is_directory(fs::symlink_status(folder, ec)))
                throw AppError("The folder " + platform::utf8FromPath(folder) + " cannot be made: " +
                               (ec ? ec.message() : std::string("something else appeared there")));
        }
    }

private:
    void checkFolder(const fs::path& folder, const std::string& inner) {
        std::error_code ec;
        const fs::file_status own = fs::symlink_status(folder, ec);
        if (!fs::exists(own)) {
            missing_.push_back(folder);
            return;
        }
        if (fs::is_symlink(own)) {
            const fs::path real = fs::weakly_canonical(folder, ec);
            const auto ends = std::mismatch(canonicalRoot_.begin(), canonicalRoot_.end(), real.begin(), real.end());
            if (ec || ends.first != canonicalRoot_.end())
                throw AppError("The entry \"" + inner + "\" would be written outside " + shown_ + " through the link " +
                               platform::utf8FromPath(folder) + ". Nothing was extracted.");
        }
        if (!fs::is_directory(folder, ec))
            throw AppError("The entry \"" + inner + "\" cannot be written: a file stands where its folder belongs. "
                           "Nothing was extracted.");
    }

    // The name as it exists in `dir` in any letter case, or as given (and
    // then remembered, as extraction is about to create it).
    std::string nameIn(const fs::path& dir, const std::string& name) {
        auto& names = listings_[dir.string()];
        if (!names.listed) {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(dir, ec)) {
                const std::string n = platform::utf8FromPath(e.path().filename());
                auto [it, fresh] = names.byKey.emplace(foldCase(n), n);
                if (!fresh && n < it->second) it->second = n;
            }
            names.listed = true;
        }
        const std::string key = foldCase(name);
        if (auto it = names.byKey.find(key); it != names.byKey.end()) {
            // An exact match wins over other letter-case variants.
            return fs::exists(fs::symlink_status(dir / platform::pathFromUtf8(name))) ? name : it->second;
        }
        names.byKey.emplace(key, name);
        return name;
    }

    struct Listing {
        bool listed = false;
        std::unordered_map<std::string, std::string> byKey;
    };
    fs::path root_;
    fs::path canonicalRoot_;
    std::string shown_;
    std::unordered_map<std::string, Listing> listings_;
    std::set<std::string> checked_;
    std::vector<fs::path> missing_;
};

// A folder of its own inside the target, where extraction puts its files
// under short names before they move into place; removed with what is left
// in it.
class Staging {
public:
    explicit Staging(const fs::path& target) {
        path_ = platform::createScratchFolder(target);
        if (path_.empty())
            throw AppError("A folder for unpacking cannot be made in " + platform::utf8FromPath(target) + ": " + std::strerror(errno) +
                           ". Nothing was extracted.");
    }
    ~Staging() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    fs::path file(size_t index) const { return path_ / std::to_string(index); }
    // Where a file about to be replaced waits, beside itself (a rename never
    // leaves its disk), under a name this run alone uses.
    fs::path setAside(const fs::path& place, size_t index) const {
        return place.parent_path() / (path_.filename().string() + "-old-" + std::to_string(index));
    }

private:
    fs::path path_;
};

// Free bytes for an unprivileged writer on the disk that holds `folder`.
struct DiskRoom {
    uint64_t free = UINT64_MAX;  // unknown: the writes will tell
    uint64_t block = 4096;       // what one file takes at least
};
DiskRoom freeSpace(const fs::path& folder) {
    const auto space = platform::diskSpace(folder);
    if (!space) return {};
    return {space->free, space->block};
}

// Moves an unpacked file to its place; across disks (a mount inside the
// target) by a copy under a temporary name beside it.
void moveIntoPlace(const fs::path& from, const fs::path& to, const std::string& inner) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) return;
    if (ec != std::errc::cross_device_link)
        throw AppError("The entry \"" + inner + "\" cannot be written: " + ec.message());
    fs::path temp;
    const std::string failText = "The entry \"" + inner + "\" cannot be written";
    try {
        OutFile out = newTempFile(to.parent_path(), temp, failText);
        const int in = platform::openForReading(from, platform::kOpenNoFollow);
        if (in < 0) throw AppError(failText + ": " + std::strerror(errno));
        try {
            out.copyFrom(in, 0, fs::file_size(from), failText);
        } catch (...) {
            platform::closeFile(in);
            throw;
        }
        platform::closeFile(in);
        out.close();
        fs::rename(temp, to, ec);
        if (ec) throw AppError(failText + ": " + ec.message());
    } catch (...) {
        if (!temp.empty()) fs::remove(temp, ec);
        throw;
    }
}

bool below(const std::string& key, const std::string& folderKey) {
    return folderKey.empty() || (key.size() > folderKey.size() && key.compare(0, folderKey.size(), folderKey) == 0);
}

} // namespace

ExtractResult extractArchive(const std::string& archive, const std::string& target, const ExtractOptions& options) {
    const ArchiveReader reader(archive);
    const auto refuse = [&](const std::string& name, const std::string& why) {
        throw AppError("The archive " + archive + " holds the entry \"" + printableName(name) + "\", which " + why +
                       ". Nothing was extracted.");
    };
    // Every name is checked before anything is written, also those left out.
    std::map<std::string, std::string> files;  // key -> name
    std::set<std::string> folders;
    for (const Entry& e : reader.entries()) {
        if (auto why = unsafeNameReason(e.name)) refuse(e.name, "is not safe to extract: " + *why);
        const std::string key = nameKey(e.name);
        if (!files.emplace(key, e.name).second) refuse(e.name, "is stored twice (letter case aside)");
        for (size_t pos = key.find('/'); pos != std::string::npos; pos = key.find('/', pos + 1))
            folders.insert(key.substr(0, pos));
    }
    for (const std::string& folder : folders)
        if (auto it = files.find(folder); it != files.end()) refuse(it->second, "is both a file and a folder");

    std::string onlyKey = nameKey(encodeCp1252(options.onlyBelow));
    while (!onlyKey.empty() && onlyKey.back() == '/') onlyKey.pop_back();
    if (!onlyKey.empty()) onlyKey += '/';

    ExtractResult result;
    std::vector<const Entry*> kept;
    for (const Entry& e : reader.entries()) {
        if (!below(nameKey(e.name), onlyKey)) {
            result.leftOut.push_back(printableName(e.name));
            continue;
        }
        kept.push_back(&e);
    }

    if (!folderExists(target)) throw AppError("Error! Directory does not exist: " + target);
    const fs::path root = resolvePath(target);
    const DiskRoom disk = freeSpace(root);
    uint64_t total = 0, room = 0;  // the files' bytes; what they take on the disk, in whole blocks
    for (const Entry* e : kept) {
        total += e->size;
        room += (uint64_t{e->size} + disk.block - 1) / disk.block * disk.block;
    }
    if (room > disk.free) {
        std::string why;
        for (const std::string& w : reader.warnings()) why += " Warning: " + w + ".";
        throw AppError("The archive " + archive + " unpacks to " + std::to_string(total) + " bytes, taking " +
                       std::to_string(room) + " bytes of disk, more than the " + std::to_string(disk.free) +
                       " bytes free for " + target + ". Nothing was extracted." + why);
    }

    // Every place is planned and every folder on the way checked before the
    // first byte is written; only then do the writes start, on all cores.
    TargetTree tree(root, target);
    std::vector<fs::path> places;
    places.reserve(kept.size());
    for (const Entry* e : kept) {
        const std::string inner = decodeCp1252(e->name);
        places.push_back(tree.plan(nameComponents(inner), inner));
    }

    const Staging staging(root);
    std::mutex lock;
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    uint64_t done = 0;
    const auto extractOne = [&](size_t i) {
        const Entry& e = *kept[i];
        const std::string failText = "The entry \"" + decodeCp1252(e.name) + "\" cannot be written";
        const fs::path file = staging.file(i);
        const int fd = platform::createNewFile(file);
        if (fd < 0) throw AppError(failText + ": " + std::strerror(errno));
        OutFile out(fd, failText);
        if (const auto raw = reader.rawOffset(e))
            out.copyFrom(reader.descriptor(), *raw, e.size, reader.damaged("the file ends early"));
        else reader.read(e, [&](const unsigned char* data, size_t n) { out.write(data, n); });
        out.close();
        std::lock_guard guard(lock);
        done += e.size;
        if (options.progress) options.progress(done, total);
    };
    const auto worker = [&] {
        try {
            for (size_t i = next++; i < kept.size() && !stop; i = next++) extractOne(i);
        } catch (...) {
            std::lock_guard guard(lock);
            if (!failure) failure = std::current_exception();
            stop = true;
        }
    };
    const size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), kept.size());
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (auto& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);

    // Everything unpacked whole: now it moves into place. A file it replaces
    // is set aside first; should one move fail, the moved files go again,
    // the set-aside ones come back and the made folders are removed, so the
    // target is as it was.
    std::vector<fs::path> made;
    std::vector<bool> replaced(kept.size(), false);
    size_t moved = 0;
    try {
        tree.makeFolders(made);
        for (; moved < kept.size(); ++moved) {
            const std::string inner = decodeCp1252(kept[moved]->name);
            std::error_code ec;
            if (fs::exists(fs::symlink_status(places[moved], ec))) {
                fs::rename(places[moved], staging.setAside(places[moved], moved), ec);
                if (ec) throw AppError("The entry \"" + inner + "\" cannot be written: " + ec.message());
                replaced[moved] = true;
            }
            moveIntoPlace(staging.file(moved), places[moved], inner);
        }
    } catch (const AppError& e) {
        std::error_code ec;
        for (size_t i = moved + 1; i-- > 0;) {
            if (i < moved) fs::remove(places[i], ec);
            if (replaced[i]) fs::rename(staging.setAside(places[i], i), places[i], ec);
        }
        for (auto it = made.rbegin(); it != made.rend(); ++it) fs::remove(*it, ec);
        throw AppError(std::string(e.what()) + ". Nothing was extracted.");
    }
    for (size_t i = 0; i < kept.size(); ++i) {
        std::error_code ec;
        if (replaced[i]) fs::remove(staging.setAside(places[i], i), ec);
    }
    for (const Entry* e : kept) {
        ++result.files;
        result.bytes += e->size;
    }
    result.warnings = reader.warnings();
    return result;
}

} // namespace tw::rfa
