#include "platform/jpeg.h"

#include "platform/errors.h"

#include <csetjmp>
#include <cstdio>
#include <limits>

#include <jpeglib.h>
#include <jerror.h>

namespace tw {
namespace {

// libjpeg's default error handler ends the process; this one jumps back with
// the message instead.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr) {}  // messages are not shown

// Data that ends early or cannot be decoded: libjpeg warns and fills the
// rest with grey; the picture is damaged, so it counts as an error. Other
// warnings (extra bytes between markers, say) leave the picture whole.
void onEmit(j_common_ptr cinfo, int level) {
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE))
        onError(cinfo);
}

constexpr int64_t kMaxPixels = int64_t{1} << 28;  // far beyond any map picture

} // namespace

RgbImage decodeJpeg(std::string_view bytes) {
    if (bytes.size() > std::numeric_limits<unsigned long>::max())
        throw AppError("JPEG-Datei ist zu gro\xC3\x9F");
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.output_message = onMessage;
    err.base.emit_message = onEmit;
    RgbImage image;  // declared before setjmp so the jump leaves it valid
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        throw AppError(std::string("JPEG-Fehler: ") + err.message);
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (int64_t{cinfo.output_width} * cinfo.output_height > kMaxPixels) {
        jpeg_destroy_decompress(&cinfo);
        throw AppError("JPEG-Fehler: Bild ist zu gro\xC3\x9F");
    }
    image.width = static_cast<int>(cinfo.output_width);
    image.height = static_cast<int>(cinfo.output_height);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.pixels.data() + static_cast<size_t>(cinfo.output_scanline) * image.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

} // namespace tw
