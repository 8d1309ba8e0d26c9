// Builds archive bytes by hand, for tests that need exact or broken layouts.
#pragma once

#include "rfa/format.h"
#include "rfa/lzo_codec.h"

#include <string>
#include <vector>

namespace tw::test {

struct RawEntry {
    std::string name;
    std::string payload;  // the bytes in the data area
    uint32_t size;        // the uncompressed size recorded in the table
};

inline void appendU32(std::string& s, uint32_t v) {
    unsigned char b[4];
    rfa::putU32(b, v);
    s.append(reinterpret_cast<char*>(b), 4);
}

// Standard header with our descriptor, payloads from offset 156 on, the
// table and (optionally) the tail.
inline std::string buildArchive(uint32_t flag, const std::vector<RawEntry>& entries, bool tail = true) {
    std::string out(rfa::kHeaderSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(out.data());
    rfa::putU32(p + 4, flag);
    const auto d = rfa::ourDescriptor();
    out.replace(8, d.size(), d);
    rfa::putU32(p + 152, rfa::idField(rfa::kDefaultId, d));
    std::vector<uint32_t> offsets;
    for (const RawEntry& e : entries) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        out += e.payload;
    }
    const auto tableOffset = static_cast<uint32_t>(out.size());
    appendU32(out, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        appendU32(out, static_cast<uint32_t>(entries[i].name.size()));
        out += entries[i].name;
        appendU32(out, static_cast<uint32_t>(entries[i].payload.size()));
        appendU32(out, entries[i].size);
        appendU32(out, offsets[i]);
        for (int k = 0; k < 3; ++k) appendU32(out, 0);
    }
    if (tail) appendU32(out, 0);
    rfa::putU32(reinterpret_cast<unsigned char*>(out.data()), tableOffset);
    return out;
}

// A block table with LZO1X-999 blocks for `data`.
inline std::string blockPayload(const std::string& data) {
    const uint32_t n = rfa::blockCount(data.size());
    std::string head, blocks;
    appendU32(head, n);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t u = rfa::blockSize(data.size(), i);
        const auto c = rfa::compressBlock(reinterpret_cast<const unsigned char*>(data.data()) + size_t{i} * rfa::kBlockSize, u);
        appendU32(head, static_cast<uint32_t>(c.size()));
        appendU32(head, u);
        appendU32(head, static_cast<uint32_t>(blocks.size()));
        blocks.append(reinterpret_cast<const char*>(c.data()), c.size());
    }
    return head + blocks;
}

} // namespace tw::test
