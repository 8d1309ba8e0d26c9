#include "rfa/writer.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "rfa/block_pipeline.h"
#include "rfa/lzo_codec.h"
#include "rfa/names.h"
#include "rfa/out_file.h"
#include "rfa/reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <set>

#include "platform/fd_io.h"

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

// Reads a source file block by block, exactly the size it had when listed.
class InFile {
public:
    explicit InFile(const SourceFile& file) : file_(file) {
        fd_ = platform::openForReading(platform::pathFromUtf8(file.path));
        if (fd_ < 0) throw AppError("The file " + file.path + " cannot be read: " + systemText(errno, file.path));
    }
    ~InFile() { platform::closeFile(fd_); }
    int descriptor() const { return fd_; }
    void read(unsigned char* out, size_t n) {
        while (n > 0) {
            const long long r = platform::readSome(fd_, out, n);
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
        const std::string utf8 = platform::utf8FromPath(entry.path().filename());
        if (isWizardsOwn(relative + utf8)) continue;
        const std::string name = encodeCp1252(utf8);
        if (decodeCp1252(name) != utf8)
            throw AppError("The file name " + platform::utf8FromPath(entry.path()) +
                           " cannot be stored in an archive: only Windows-1252 characters can");
        Item item{upperAscii(name), name, entry.path()};
        std::error_code e2;
        const fs::file_status own = entry.symlink_status(e2);
        if (fs::is_symlink(own)) {
            leftOut.push_back("Left out, a link: " + platform::utf8FromPath(entry.path()));
        } else if (fs::is_directory(own)) {
            folders.push_back(std::move(item));
        } else if (fs::is_regular_file(own)) {
            files.push_back(std::move(item));
        } else {
            leftOut.push_back("Left out, not an ordinary file: " + platform::utf8FromPath(entry.path()));
        }
    }
    if (ec) throw AppError("The folder " + platform::utf8FromPath(dir) + " cannot be read: " + systemText(ec.value(), dir));
    const auto order = [](const Item& a, const Item& b) { return a.key != b.key ? a.key < b.key : a.name < b.name; };
    std::sort(files.begin(), files.end(), order);
    std::sort(folders.begin(), folders.end(), order);
    for (const Item& f : files) {
        SourceFile s;
        s.path = platform::utf8FromPath(f.path);
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

// Reads the written archive back: every file listed, under its name, at its size.
void verifyPacked(const fs::path& temp, const std::vector<Entry>& entries, const std::string& archive) {
    const ArchiveReader reader(platform::utf8FromPath(temp));
    bool same = reader.entries().size() == entries.size();
    for (size_t i = 0; same && i < entries.size(); ++i)
        same = reader.entries()[i].name == entries[i].name && reader.entries()[i].size == entries[i].size;
    if (!same) throw AppError("The archive " + archive + " did not read back as it was written; it was not kept");
}

} // namespace

bool isWizardsOwn(const std::string& relative) {
    const std::string key = upperAscii(relative);
    // Its records at the top (the conversion record, copies of replaced
    // scripts), and the pathmap window's copies of the pathmaps it replaced.
    if (key.find('/') == std::string::npos) return key.rfind("TARNWICK-", 0) == 0;
    return key == "PATHFINDING/ORIGINALS" || key.rfind("PATHFINDING/ORIGINALS/", 0) == 0;
}

LeftOutError::LeftOutError(const std::string& archive, std::vector<std::string> items)
    : AppError(std::to_string(items.size()) + " item(s) of the folder cannot be packed; " + archive +
               " was not written"),
      items_(std::move(items)) {}

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
    if (options.refuseLeftOut && !result.leftOut.empty()) throw LeftOutError(archive, result.leftOut);
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

} // namespace tw::rfa
