// One LZO1X block at a time: the archive's blocks are independent streams.
#pragma once

#include <cstdint>
#include <vector>

namespace tw::rfa {

// Best-ratio compression of one block (LZO1X-999). Each calling thread keeps
// its own work memory.
std::vector<unsigned char> compressBlock(const unsigned char* data, uint32_t size);

// Safe decompression into exactly `expected` bytes; false when the stream is
// damaged or does not yield exactly that many bytes.
bool decompressBlock(const unsigned char* data, uint32_t size, unsigned char* out, uint32_t expected);

} // namespace tw::rfa
