#include "codecs/jpeg_decoder.h"

#include "base/dib.h"

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

// One decoding. libjpeg reports errors by calling error_exit, which must not
// return: it jumps back to the JpegRows call under way, which then frees
// everything. Nothing between that jump and its target has a destructor to
// run: the CMYK row buffer belongs to libjpeg's pool.
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
    JSAMPARRAY cmykRows = nullptr;
    bool created = false;
    ImageError reason = ImageError::Corrupt;
};
static_assert(std::is_standard_layout_v<JpegSession>);

namespace {

JpegSession& SessionOf(j_common_ptr info) {
    return *reinterpret_cast<JpegSession*>(info->err);
}

[[noreturn]] void Refuse(j_common_ptr info, ImageError reason) {
    JpegSession& session = SessionOf(info);
    session.reason = reason;
    std::longjmp(session.refusal, 1);
}

// The library's own allocations fail with JERR_OUT_OF_MEMORY, whatever the
// picture: the file is not to blame. A frame of more than JPEG_MAX_DIMENSION
// (65500) pixels a side is refused by the library as it reads the header,
// before our own size check: a picture too large, not a damaged one.
[[noreturn]] void OnError(j_common_ptr info) {
    switch (info->err->msg_code) {
    case JERR_OUT_OF_MEMORY: Refuse(info, ImageError::OutOfMemory);
    case JERR_IMAGE_TOO_BIG: Refuse(info, ImageError::TooLarge);
    default: Refuse(info, ImageError::Corrupt);
    }
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

constexpr JDIMENSION CmykBatch = 16;

}  // namespace

// Each call that reaches the library sets the jump target in its own frame,
// so that a refusal returns from that call; the session is then destroyed.
#define REFUSALS_RETURN(error)                       \
    if (setjmp(session_->refusal)) {                 \
        *(error) = session_->reason;                 \
        Close();                                     \
        return false;                                \
    }

JpegRows::JpegRows() = default;

JpegRows::~JpegRows() {
    Close();
}

void JpegRows::Close() {
    if (session_ && session_->created) jpeg_destroy_decompress(&session_->info);
    session_.reset();
}

bool JpegRows::Start(const uint8_t* data, size_t size, ImageError* error) {
    if (size > ULONG_MAX) {
        *error = ImageError::TooLarge;
        return false;
    }
    session_.reset(new (std::nothrow) JpegSession);
    if (!session_) {
        *error = ImageError::OutOfMemory;
        return false;
    }
    jpeg_decompress_struct& info = session_->info;
    info.err = jpeg_std_error(&session_->errors);
    session_->errors.error_exit = OnError;
    session_->errors.emit_message = OnMessage;
    REFUSALS_RETURN(error)
    session_->created = true;
    jpeg_create_decompress(&info);
    session_->progress.progress_monitor = OnProgress;
    info.progress = &session_->progress;
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
    if (info.out_color_space == JCS_CMYK) {
        session_->cmykRows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                       info.output_width * 4, CmykBatch);
    }
    return true;
}

int32_t JpegRows::Width() const {
    return static_cast<int32_t>(session_->info.output_width);
}

int32_t JpegRows::Height() const {
    return static_cast<int32_t>(session_->info.output_height);
}

// Colour spaces the library converts to BGR are decoded in place, CMYK
// through rows of libjpeg's own.
bool JpegRows::ReadRows(uint8_t* const* rows, int count, ImageError* error) {
    REFUSALS_RETURN(error)
    jpeg_decompress_struct& info = session_->info;
    const bool cmyk = session_->cmykRows != nullptr;
    for (int done = 0; done < count;) {
        const JDIMENSION batch = std::min<JDIMENSION>(JDIMENSION(count - done), CmykBatch);
        JSAMPROW targets[CmykBatch];
        for (JDIMENSION i = 0; i < batch; ++i) targets[i] = cmyk ? session_->cmykRows[i] : rows[done + int(i)];
        const JDIMENSION read = jpeg_read_scanlines(&info, targets, batch);
        if (cmyk) {
            for (JDIMENSION i = 0; i < read; ++i) CmykToBgr(session_->cmykRows[i], rows[done + int(i)], info.output_width);
        }
        done += int(read);
    }
    return true;
}

bool JpegRows::End(ImageError* error) {
    REFUSALS_RETURN(error)
    jpeg_finish_decompress(&session_->info);
    Close();
    return true;
}

#undef REFUSALS_RETURN

DibHandle DecodeJpeg(const uint8_t* data, size_t size, ImageError* error) {
    JpegRows rows;
    if (!rows.Start(data, size, error)) return nullptr;
    DibPtr image(DibCreate(rows.Width(), rows.Height(), 24, error));
    if (!image) return nullptr;
    constexpr int Batch = 16;
    uint8_t* targets[Batch];
    for (int32_t first = 0; first < rows.Height(); first += Batch) {
        const int count = std::min(Batch, rows.Height() - first);
        for (int i = 0; i < count; ++i) targets[i] = DibRow(image.get(), first + i);
        if (!rows.ReadRows(targets, count, error)) return nullptr;
    }
    if (!rows.End(error)) return nullptr;
    return image.release();
}
