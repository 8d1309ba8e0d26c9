#include "rfa/archive.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "rfa/block_pipeline.h"
#include "rfa/lzo_codec.h"
#include "rfa/names.h"
#include "rfa/reader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tw::rfa {
namespace {

std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

// The tools speak English: the system's own reason, not the wizard's framework texts.
std::string systemText(int err, const fs::path&) { return std::strerror(err); }

// A file written through a buffer, with patches at earlier offsets. It
// takes over an open descriptor; `failText` begins every error ("The
// archive X cannot be written", "The entry "Y" cannot be written").
class OutFile {
public:
    OutFile(int fd, std::string failText) : fd_(fd), failText_(std::move(failText)) {}
    ~OutFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    void write(const void* data, size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        if (buffer_.size() + n > kBufferSize) flush();
        if (n >= kBufferSize) {
            writeAll(p, n, pos_);  // the buffer is empty here
        } else {
            buffer_.insert(buffer_.end(), p, p + n);
        }
        pos_ += n;
    }
    // Appends `n` bytes of another file from `offset`, inside the kernel
    // where it can; `shortText` is the error when that file ends early.
    void copyFrom(int in, uint64_t offset, uint64_t n, const std::string& shortText) {
        flush();
        auto inOff = static_cast<off_t>(offset);
        auto outOff = static_cast<off_t>(pos_);
        while (n > 0) {
            const ssize_t c = ::copy_file_range(in, &inOff, fd_, &outOff, static_cast<size_t>(std::min<uint64_t>(n, 1u << 30)), 0);
            if (c < 0 && errno == EINTR) continue;
            if (c <= 0) break;  // not possible here: copy the rest through a buffer
            n -= static_cast<uint64_t>(c);
            pos_ += static_cast<uint64_t>(c);
        }
        std::vector<unsigned char> buffer;
        while (n > 0) {
            buffer.resize(static_cast<size_t>(std::min<uint64_t>(n, kBufferSize)));
            const ssize_t r = ::pread(in, buffer.data(), buffer.size(), inOff);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) throw AppError(shortText);
            write(buffer.data(), static_cast<size_t>(r));
            inOff += r;
            n -= static_cast<uint64_t>(r);
        }
    }
    void patch(uint64_t offset, const void* data, size_t n) {
        flush();
        writeAll(static_cast<const unsigned char*>(data), n, offset);
    }
    void close() {
        flush();
        if (::close(fd_) != 0) {
            fd_ = -1;
            fail(errno);
        }
        fd_ = -1;
    }
    uint64_t pos() const { return pos_; }

private:
    static constexpr size_t kBufferSize = 1 << 20;
    void flush() {
        if (buffer_.empty()) return;
        writeAll(buffer_.data(), buffer_.size(), pos_ - buffer_.size());
        buffer_.clear();
    }
    void writeAll(const unsigned char* p, size_t n, uint64_t offset) {
        while (n > 0) {
            const ssize_t w = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) fail(w < 0 ? errno : ENOSPC);
            p += w;
            n -= static_cast<size_t>(w);
            offset += static_cast<uint64_t>(w);
        }
    }
    [[noreturn]] void fail(int err) { throw AppError(failText_ + ": " + std::strerror(err)); }
    int fd_ = -1;
    std::string failText_;
    uint64_t pos_ = 0;
    std::vector<unsigned char> buffer_;
};

// A new file below `folder` that nothing else can have chosen or planted
// (exclusive creation, a random short name); `failText` as for OutFile.
OutFile newTempFile(const fs::path& folder, fs::path& created, const std::string& failText) {
    const int fd = createTempFile(folder, created);
    if (fd < 0) throw AppError(failText + ": " + std::strerror(errno));
    return OutFile(fd, failText);
}

// Reads a source file block by block, exactly the size it had when listed.
class InFile {
public:
    explicit InFile(const SourceFile& file) : file_(file) {
        fd_ = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw AppError("The file " + file.path + " cannot be read: " + systemText(errno, file.path));
    }
    ~InFile() { ::close(fd_); }
    int descriptor() const { return fd_; }
    void read(unsigned char* out, size_t n) {
        while (n > 0) {
            const ssize_t r = ::read(fd_, out, n);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) throw AppError("The file " + file_.path + " cannot be read: " + systemText(errno, file_.path));
            if (r == 0) throw AppError("The file " + file_.path + " became shorter while it was being packed");
            out += r;
            n -= static_cast<size_t>(r);
        }
    }

private:
    const SourceFile& file_;
    int fd_;
};

void walk(const fs::path& dir, const std::string& relative, const std::string& prefix,
          std::vector<SourceFile>& out, std::vector<std::string>& leftOut) {
    struct Item {
        std::string key, name;
        fs::path path;
    };
    std::vector<Item> files, folders;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string utf8 = entry.path().filename().string();
        const std::string name = encodeCp1252(utf8);
        if (decodeCp1252(name) != utf8)
            throw AppError("The file name " + entry.path().string() +
                           " cannot be stored in an archive: only Windows-1252 characters can");
        // The wizard's own records beside an add-on's files (its conversion
        // record, copies of replaced scripts) never go into the game's archive.
        if (relative.empty() && upperAscii(name).rfind("TARNWICK-", 0) == 0) continue;
        Item item{upperAscii(name), name, entry.path()};
        std::error_code e2;
        const fs::file_status own = entry.symlink_status(e2);
        if (fs::is_symlink(own)) {
            leftOut.push_back("Left out, a link: " + entry.path().string());
        } else if (fs::is_directory(own)) {
            folders.push_back(std::move(item));
        } else if (fs::is_regular_file(own)) {
            files.push_back(std::move(item));
        } else {
            leftOut.push_back("Left out, not an ordinary file: " + entry.path().string());
        }
    }
    if (ec) throw AppError("The folder " + dir.string() + " cannot be read: " + systemText(ec.value(), dir));
    const auto order = [](const Item& a, const Item& b) { return a.key != b.key ? a.key < b.key : a.name < b.name; };
    std::sort(files.begin(), files.end(), order);
    std::sort(folders.begin(), folders.end(), order);
    for (const Item& f : files) {
        SourceFile s;
        s.path = f.path.string();
        s.name = (prefix.empty() ? std::string() : prefix + "/") + relative + f.name;
        s.size = fs::file_size(f.path, ec);
        if (ec) throw AppError("The file " + s.path + " cannot be read: " + systemText(ec.value(), f.path));
        out.push_back(std::move(s));
    }
    for (const Item& d : folders) walk(d.path, relative + d.name + "/", prefix, out, leftOut);
}

void checkNames(const std::vector<SourceFile>& files) {
    std::set<std::string> keys;
    for (const SourceFile& f : files) {
        if (auto why = unsafeNameReason(f.name))
            throw AppError("The entry name \"" + decodeCp1252(f.name) + "\" cannot be stored: " + *why);
        if (!keys.insert(nameKey(f.name)).second)
            throw AppError("The entry name \"" + decodeCp1252(f.name) +
                           "\" differs from another only in letter case; the game could not tell them apart");
    }
}

std::string headerBytes(bool compress) {
    std::string header(kHeaderSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(header.data());
    putU32(p + 4, compress ? 1 : 0);
    const std::string_view descriptor = ourDescriptor();
    std::memcpy(p + 8, descriptor.data(), descriptor.size());
    putU32(p + 152, idField(kDefaultId, descriptor));
    return header;
}

void writeTable(OutFile& out, const std::vector<Entry>& entries) {
    unsigned char b[4];
    putU32(b, static_cast<uint32_t>(entries.size()));
    out.write(b, 4);
    for (const Entry& e : entries) {
        putU32(b, static_cast<uint32_t>(e.name.size()));
        out.write(b, 4);
        out.write(e.name.data(), e.name.size());
        for (uint32_t v : {e.stored, e.size, e.offset, e.a, e.b, e.c}) {
            putU32(b, v);
            out.write(b, 4);
        }
    }
    putU32(b, 0);
    out.write(b, 4);  // the tail
}

uint64_t tableSize(const std::vector<SourceFile>& files) {
    uint64_t size = 8;
    for (const SourceFile& f : files) size += 28 + f.name.size();
    return size;
}

[[noreturn]] void tooLarge(const std::string& archive) {
    throw AppError("The archive " + archive + " would be larger than 4 GiB, which the format cannot hold");
}

void packStore(OutFile& out, const std::vector<SourceFile>& files, std::vector<Entry>& entries,
               const PackOptions& options, uint64_t total) {
    uint64_t done = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const SourceFile& f = files[i];
        entries[i].offset = static_cast<uint32_t>(out.pos());
        entries[i].stored = entries[i].size = static_cast<uint32_t>(f.size);
        if (f.size == 0) continue;
        InFile in(f);
        out.copyFrom(in.descriptor(), 0, f.size, "The file " + f.path + " became shorter while it was being packed");
        done += f.size;
        if (options.progress) options.progress(done, total);
    }
}

void packCompressed(OutFile& out, const std::vector<SourceFile>& files, std::vector<Entry>& entries,
                    const PackOptions& options, uint64_t total, uint64_t limit, const std::string& archive) {
    BlockPipeline pipeline(options.threads, [](const std::vector<unsigned char>& in) {
        return compressBlock(in.data(), static_cast<uint32_t>(in.size()));
    });
    struct Item {
        size_t file;
        uint32_t block;
    };
    std::deque<Item> items;  // every block in flight, in file order
    std::vector<unsigned char> descriptors;
    uint64_t running = 0;
    uint64_t done = 0;

    const auto writeOldest = [&] {
        const Item item = items.front();
        items.pop_front();
        const std::vector<unsigned char> data = pipeline.next();
        Entry& e = entries[item.file];
        const uint32_t n = blockCount(files[item.file].size);
        if (item.block == 0) {
            e.offset = static_cast<uint32_t>(out.pos());
            descriptors.assign(4 + size_t{12} * n, 0);
            putU32(descriptors.data(), n);
            out.write(descriptors.data(), descriptors.size());  // filled in after the last block
            running = 0;
        }
        unsigned char* d = descriptors.data() + 4 + size_t{12} * item.block;
        putU32(d, static_cast<uint32_t>(data.size()));
        putU32(d + 4, blockSize(files[item.file].size, item.block));
        putU32(d + 8, static_cast<uint32_t>(running));
        out.write(data.data(), data.size());
        running += data.size();
        if (out.pos() > limit) tooLarge(archive);
        if (item.block + 1 == n) {
            out.patch(e.offset, descriptors.data(), descriptors.size());
            e.stored = static_cast<uint32_t>(descriptors.size() + running);
        }
    };

    for (size_t i = 0; i < files.size(); ++i) {
        const SourceFile& f = files[i];
        entries[i].size = static_cast<uint32_t>(f.size);
        if (f.size == 0) {
            // An empty file: a block table with no blocks, written in its turn.
            while (!items.empty()) writeOldest();
            entries[i].offset = static_cast<uint32_t>(out.pos());
            entries[i].stored = 4;
            const unsigned char zero[4] = {0, 0, 0, 0};
            out.write(zero, 4);
            continue;
        }
        InFile in(f);
        const uint32_t n = blockCount(f.size);
        for (uint32_t b = 0; b < n; ++b) {
            std::vector<unsigned char> block(blockSize(f.size, b));
            in.read(block.data(), block.size());
            done += block.size();
            pipeline.submit(std::move(block));
            items.push_back({i, b});
            while (items.size() >= pipeline.window()) writeOldest();
            if (options.progress) options.progress(done, total);
        }
    }
    while (!items.empty()) writeOldest();
}

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
            fs::path next = dir / nameIn(dir, components[i]);
            if (checked_.insert(next.string()).second) checkFolder(next, inner);
            dir = std::move(next);
        }
        fs::path file = dir / nameIn(dir, components.back());
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(file, ec)))
            throw AppError("The entry \"" + inner + "\" cannot be written: a folder of that name exists below " + shown_);
        return file;
    }

    // Makes the planned folders, parents first.
    void makeFolders() const {
        for (const fs::path& folder : missing_) {
            std::error_code ec;
            fs::create_directory(folder, ec);
            if (!fs::is_directory(fs::symlink_status(folder, ec)))
                throw AppError("The folder " + folder.string() + " cannot be made: " +
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
                               folder.string() + ". Nothing was extracted.");
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
                const std::string n = e.path().filename().string();
                auto [it, fresh] = names.byKey.emplace(foldCase(n), n);
                if (!fresh && n < it->second) it->second = n;
            }
            names.listed = true;
        }
        const std::string key = foldCase(name);
        if (auto it = names.byKey.find(key); it != names.byKey.end()) {
            // An exact match wins over other letter-case variants.
            return fs::exists(fs::symlink_status(dir / name)) ? name : it->second;
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
        std::string pattern = (target / ".tw-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw AppError("A folder for unpacking cannot be made in " + target.string() + ": " + std::strerror(errno) +
                           ". Nothing was extracted.");
        path_ = pattern;
    }
    ~Staging() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    fs::path file(size_t index) const { return path_ / std::to_string(index); }

private:
    fs::path path_;
};

// Free bytes for an unprivileged writer on the disk that holds `folder`.
struct DiskRoom {
    uint64_t free = UINT64_MAX;  // unknown: the writes will tell
    uint64_t block = 4096;       // what one file takes at least
};
DiskRoom freeSpace(const fs::path& folder) {
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0) return {};
    return {static_cast<uint64_t>(st.f_bavail) * st.f_frsize, std::max<uint64_t>(st.f_frsize, 512)};
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
        const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (in < 0) throw AppError(failText + ": " + std::strerror(errno));
        try {
            out.copyFrom(in, 0, fs::file_size(from), failText);
        } catch (...) {
            ::close(in);
            throw;
        }
        ::close(in);
        out.close();
        fs::rename(temp, to, ec);
        if (ec) throw AppError(failText + ": " + ec.message());
    } catch (...) {
        if (!temp.empty()) fs::remove(temp, ec);
        throw;
    }
}

// Reads the written archive back: every file listed, under its name, at its size.
void verifyPacked(const fs::path& temp, const std::vector<Entry>& entries, const std::string& archive) {
    const ArchiveReader reader(temp.string());
    bool same = reader.entries().size() == entries.size();
    for (size_t i = 0; same && i < entries.size(); ++i)
        same = reader.entries()[i].name == entries[i].name && reader.entries()[i].size == entries[i].size;
    if (!same) throw AppError("The archive " + archive + " did not read back as it was written; it was not kept");
}

bool below(const std::string& key, const std::string& folderKey) {
    return folderKey.empty() || (key.size() > folderKey.size() && key.compare(0, folderKey.size(), folderKey) == 0);
}

} // namespace

std::vector<SourceFile> collectFiles(const std::string& folder, const std::string& prefix,
                                     std::vector<std::string>* leftOut) {
    std::string p = prefix;
    while (!p.empty() && (p.back() == '/' || p.back() == '\\')) p.pop_back();
    std::vector<SourceFile> files;
    std::vector<std::string> skipped;
    walk(resolvePath(folder), std::string(), encodeCp1252(p), files, skipped);
    if (leftOut) *leftOut = std::move(skipped);
    return files;
}

PackResult packFolder(const std::string& folder, const std::string& prefix, const std::string& archive,
                      const PackOptions& options) {
    if (!folderExists(folder)) throw AppError("Error! Directory does not exist: " + folder);
    PackResult result;
    const std::vector<SourceFile> files = collectFiles(folder, prefix, &result.leftOut);
    checkNames(files);

    uint64_t total = 0;
    for (const SourceFile& f : files) total += f.size;
    const uint64_t table = tableSize(files);
    if (kHeaderSize + total + table > kMaxArchiveSize && !options.compress) tooLarge(archive);
    for (const SourceFile& f : files)
        if (f.size > kMaxArchiveSize) tooLarge(archive);

    const fs::path target = resolvePath(archive);
    fs::path temp;
    std::vector<Entry> entries(files.size());
    for (size_t i = 0; i < files.size(); ++i) entries[i].name = files[i].name;
    try {
        OutFile out = newTempFile(target.parent_path(), temp, "The archive " + archive + " cannot be written");
        const std::string header = headerBytes(options.compress);
        out.write(header.data(), header.size());
        if (options.compress) packCompressed(out, files, entries, options, total, kMaxArchiveSize - table, archive);
        else packStore(out, files, entries, options, total);
        const uint64_t tableOffset = out.pos();
        writeTable(out, entries);
        unsigned char b[4];
        putU32(b, static_cast<uint32_t>(tableOffset));
        out.patch(0, b, 4);
        const uint64_t size = out.pos();
        out.close();
        verifyPacked(temp, entries, archive);
        std::error_code ec;
        fs::rename(temp, target, ec);
        if (ec) throw AppError("The archive " + archive + " cannot be written: " + systemText(ec.value(), target));
        result.files = files.size();
        result.archiveSize = size;
        return result;
    } catch (...) {
        std::error_code ec;
        if (!temp.empty()) fs::remove(temp, ec);
        throw;
    }
}

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
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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

    // Everything unpacked whole: now it moves into place.
    tree.makeFolders();
    for (size_t i = 0; i < kept.size(); ++i) {
        moveIntoPlace(staging.file(i), places[i], decodeCp1252(kept[i]->name));
        ++result.files;
        result.bytes += kept[i]->size;
    }
    result.warnings = reader.warnings();
    return result;
}

} // namespace tw::rfa
