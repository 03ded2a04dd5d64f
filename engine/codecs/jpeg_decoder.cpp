#include "jpeg_decoder.h"

#include "dib.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>
#include <type_traits>

// jpeglib.h needs FILE declared before it.
#include <jpeglib.h>
#include <jerror.h>

namespace {

// One decoding. libjpeg reports errors by calling error_exit, which must not
// return: it jumps back to DecodeJpeg, which then frees everything. Nothing
// between that jump and its target has a destructor to run: the bitmap is
// kept here and the CMYK row buffer belongs to libjpeg's pool.
//
// The error manager comes first, so that the library's pointer to it leads
// to the whole session from the first call on: jpeg_create_decompress
// already allocates, and may fail. The session lives on the heap, so what
// changes in it after setjmp is still there after the jump.
struct JpegSession {
    jpeg_error_mgr errors = {};
    std::jmp_buf refusal = {};
    jpeg_decompress_struct info = {};
    jpeg_progress_mgr progress = {};
    DibHandle image = nullptr;
    ImageError reason = ImageError::Corrupt;
};
static_assert(std::is_standard_layout_v<JpegSession>);

JpegSession& SessionOf(j_common_ptr info) {
    return *reinterpret_cast<JpegSession*>(info->err);
}

[[noreturn]] void Refuse(j_common_ptr info, ImageError reason) {
    JpegSession& session = SessionOf(info);
    session.reason = reason;
    std::longjmp(session.refusal, 1);
}

// The library's own allocations fail with JERR_OUT_OF_MEMORY, whatever the
// picture: the file is not to blame.
[[noreturn]] void OnError(j_common_ptr info) {
    Refuse(info, info->err->msg_code == JERR_OUT_OF_MEMORY ? ImageError::OutOfMemory : ImageError::Corrupt);
}

// Warnings that mean the picture data is damaged or missing refuse the file
// like errors; the library would go on with grey blocks. Extra bytes before
// a marker (padding some encoders write) and unknown JFIF, Adobe or ICC
// details do not.
void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    switch (info->err->msg_code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC:
        return;
    default:
        Refuse(info, ImageError::Corrupt);
    }
}

void OnProgress(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxJpegScans) {
        Refuse(info, ImageError::TooManyScans);
    }
}

// 8 x 8 blocks of all components, once the first scan's header is read.
uint64_t BlockCount(const jpeg_decompress_struct& info) {
    uint64_t blocks = 0;
    for (int i = 0; i < info.num_components; ++i) {
        blocks += uint64_t{info.comp_info[i].width_in_blocks} * info.comp_info[i].height_in_blocks;
    }
    return blocks;
}

// Adobe CMYK, as the library gives it, stores 255 - ink: each colour is
// its complement's value times black's, over 255 with rounding.
uint8_t Scale(unsigned value, unsigned black) {
    const unsigned t = value * black + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        bgr[0] = Scale(cmyk[2], cmyk[3]);
        bgr[1] = Scale(cmyk[1], cmyk[3]);
        bgr[2] = Scale(cmyk[0], cmyk[3]);
    }
}

// Decodes every row into the bitmap, bottom-up as it is stored: directly
// for colour spaces the library converts to BGR, through a row of libjpeg's
// own for CMYK.
void ReadRows(jpeg_decompress_struct& info, DibHandle image) {
    constexpr JDIMENSION Batch = 16;
    const bool cmyk = info.out_color_space == JCS_CMYK;
    JSAMPARRAY cmykRows = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                             info.output_width * 4, Batch)
                               : nullptr;
    JSAMPROW rows[Batch];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min(Batch, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = cmyk ? cmykRows[i] : DibRow(image, static_cast<int32_t>(first + i));
        }
        const JDIMENSION read = jpeg_read_scanlines(&info, rows, count);
        if (cmyk) {
            for (JDIMENSION i = 0; i < read; ++i) {
                CmykToBgr(cmykRows[i], DibRow(image, static_cast<int32_t>(first + i)), info.output_width);
            }
        }
    }
}

}  // namespace

DibHandle DecodeJpeg(const uint8_t* data, size_t size, ImageError* error) {
    if (size > ULONG_MAX) {
        *error = ImageError::TooLarge;
        return nullptr;
    }
    const std::unique_ptr<JpegSession> owner(new (std::nothrow) JpegSession);
    if (!owner) {
        *error = ImageError::OutOfMemory;
        return nullptr;
    }
    JpegSession& session = *owner;
    jpeg_decompress_struct& info = session.info;
    info.err = jpeg_std_error(&session.errors);
    session.errors.error_exit = OnError;
    session.errors.emit_message = OnMessage;
    if (setjmp(session.refusal)) {
        jpeg_destroy_decompress(&info);
        ImgRelease(session.image);
        *error = session.reason;
        return nullptr;
    }
    jpeg_create_decompress(&info);
    session.progress.progress_monitor = OnProgress;
    info.progress = &session.progress;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);

    if (!DibSizeAllowed(info.image_width, info.image_height, 24)) {
        Refuse(reinterpret_cast<j_common_ptr>(&info), ImageError::TooLarge);
    }
    // The library may hold every coefficient of a progressive image, and the
    // bitmap comes next: both only when the data is there to fill them.
    const uint64_t codedBytes = info.src->bytes_in_buffer;
    if (codedBytes * 8 < BlockCount(info)) Refuse(reinterpret_cast<j_common_ptr>(&info), ImageError::Corrupt);

    info.out_color_space = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    ImageError reason = ImageError::None;
    session.image = DibCreate(static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height), 24,
                              &reason);
    if (!session.image) Refuse(reinterpret_cast<j_common_ptr>(&info), reason);
    ReadRows(info, session.image);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return session.image;
}
