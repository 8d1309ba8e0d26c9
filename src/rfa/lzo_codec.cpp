#include "rfa/lzo_codec.h"

#include "platform/errors.h"

#include <lzo/lzo1x.h>

#include <mutex>

namespace tw::rfa {
namespace {

void ensureInit() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = lzo_init() == LZO_E_OK; });
    if (!ok) throw AppError("The LZO library could not be initialised");
}

} // namespace

std::vector<unsigned char> compressBlock(const unsigned char* data, uint32_t size) {
    ensureInit();
    thread_local std::vector<unsigned char> work(LZO1X_999_MEM_COMPRESS);
    std::vector<unsigned char> out(size + size / 16 + 64 + 3);
    lzo_uint outLen = out.size();
    if (lzo1x_999_compress(data, size, out.data(), &outLen, work.data()) != LZO_E_OK)
        throw AppError("LZO compression failed");
    out.resize(outLen);
    return out;
}

bool decompressBlock(const unsigned char* data, uint32_t size, unsigned char* out, uint32_t expected) {
    ensureInit();
    lzo_uint outLen = expected;
    const int rc = lzo1x_decompress_safe(data, size, out, &outLen, nullptr);
    return rc == LZO_E_OK && outLen == expected;
}

} // namespace tw::rfa
