#include "codecs/png_decoder.h"

#include "base/dib.h"
#include "codecs/container_checks.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include <spng.h>

namespace {

// Ancillary chunks (text, colour profiles) are not used, but the library
// reads and inflates them; these bound the memory they may take.
constexpr size_t MaxChunkCache = size_t{64} << 20;

// The columns that each pass of an interlaced (Adam7) image fills; a pass
// decodes only those pixels into the row buffer.
struct Columns {
    uint32_t first;
    uint32_t step;
};
constexpr Columns Adam7Columns[7] = {{0, 8}, {4, 8}, {0, 4}, {2, 4}, {0, 2}, {1, 2}, {0, 1}};

uint8_t Round16To8(unsigned sample) {
    return static_cast<uint8_t>((sample * 255u + 32767u) / 65535u);
}

// Converts the given columns of an RGBA row (8 or 16 bits a sample) into a
// bitmap row of bytesPerPixel 3 (alpha dropped: the image is opaque) or 4.
template <typename Sample>
void StoreColumns(const Sample* rgba, uint8_t* row, uint32_t width, Columns columns, int bytesPerPixel) {
    for (uint32_t x = columns.first; x < width; x += columns.step) {
        const Sample* from = rgba + 4 * size_t(x);
        uint8_t* to = row + bytesPerPixel * size_t(x);
        if constexpr (sizeof(Sample) == 1) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (bytesPerPixel == 4) to[3] = from[3];
        } else {
            to[0] = Round16To8(from[2]);
            to[1] = Round16To8(from[1]);
            to[2] = Round16To8(from[0]);
            if (bytesPerPixel == 4) to[3] = Round16To8(from[3]);
        }
    }
}

bool AllOpaque(DibHandle image) {
    const int32_t width = image->header.biWidth;
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        const uint8_t* row = DibRow(image, y);
        for (int32_t x = 0; x < width; ++x) {
            if (row[4 * x + 3] != 255) return false;
        }
    }
    return true;
}

// Whether an allocation of the library failed during this thread's decoding.
// The library reports some of them as zlib errors, as it does damaged data.
thread_local bool allocationFailed = false;

void* Noted(void* memory, size_t size) {
    if (!memory && size != 0) allocationFailed = true;
    return memory;
}

void* Allocate(size_t size) { return Noted(std::malloc(size), size); }
void* Reallocate(void* memory, size_t size) { return Noted(std::realloc(memory, size), size); }
void* AllocateZeroed(size_t count, size_t size) { return Noted(std::calloc(count, size), count * size); }
void Free(void* memory) { std::free(memory); }

spng_alloc NotingAllocator = {Allocate, Reallocate, AllocateZeroed, Free};

// zlib starts only to fail for want of memory.
ImageError ErrorOf(int code) {
    if (code == SPNG_EUSER_WIDTH || code == SPNG_EUSER_HEIGHT) return ImageError::TooLarge;
    if (code == SPNG_EMEM || code == SPNG_EZLIB_INIT || allocationFailed) return ImageError::OutOfMemory;
    return ImageError::Corrupt;
}

}  // namespace

void PngRows::ContextFree::operator()(spng_ctx* context) const {
    spng_ctx_free(context);
}

bool PngRows::Start(const uint8_t* data, size_t size, ImageError* error) {
    return Start([&](spng_ctx* png) { return spng_set_png_buffer(png, data, size); },
                 [&] { return PngChunksHoldImage(data, size); }, error);
}

bool PngRows::StartFile(std::FILE* file, ImageError* error) {
    return Start([&](spng_ctx* png) { return spng_set_png_file(png, file); }, [] { return true; }, error);
}

template <typename SetInput, typename ChunksHoldImage>
bool PngRows::Start(SetInput setInput, ChunksHoldImage chunksHoldImage, ImageError* error) {
    allocationFailed = false;
    context_.reset(spng_ctx_new2(&NotingAllocator, 0));
    spng_ctx* png = context_.get();
    if (!png) {
        *error = ImageError::OutOfMemory;
        return false;
    }
    spng_set_crc_action(png, SPNG_CRC_ERROR, SPNG_CRC_ERROR);
    spng_set_image_limits(png, uint32_t{MaxImagePixels}, uint32_t{MaxImagePixels});
    spng_set_chunk_limits(png, PngMaxChunkSize, MaxChunkCache);
    setInput(png);

    spng_ihdr header = {};
    if (const int code = spng_get_ihdr(png, &header)) {
        *error = ErrorOf(code);
        return false;
    }
    if (!DibSizeAllowed(header.width, header.height, 32)) {
        *error = ImageError::TooLarge;
        return false;
    }
    if (!chunksHoldImage()) {
        *error = ImageError::Corrupt;
        return false;
    }
    width_ = static_cast<int32_t>(header.width);
    height_ = static_cast<int32_t>(header.height);
    interlaced_ = header.interlace_method != 0;
    spng_trns transparency = {};
    mayBeTransparent_ = header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                        header.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(png, &transparency) == 0;
    wide_ = header.bit_depth == 16;
    const int format = wide_ ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
    size_t imageSize = 0;
    int code = spng_decoded_image_size(png, format, &imageSize);
    if (!code) code = spng_decode_image(png, nullptr, 0, format, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
    if (code) {
        *error = ErrorOf(code);
        return false;
    }
    rowSize_ = imageSize / header.height;
    // 16-bit samples are read as such, 8-bit ones through the byte view.
    rgba_.reset(new (std::nothrow) uint16_t[rowSize_ / 2 + 1]);
    if (!rgba_) {
        *error = ImageError::OutOfMemory;
        return false;
    }
    return true;
}

// Decodes the next row (of a pass, when interlaced) and stores its columns
// into the row the library names, found by target, at bytesPerPixel 3 or
// 4. Returns the library's code: SPNG_EOI after the last row.
template <typename Target>
int PngRows::DecodeRow(int bytesPerPixel, Target target) {
    spng_row_info row = {};
    int code = spng_get_row_info(context_.get(), &row);
    if (code) return code;
    code = spng_decode_row(context_.get(), rgba_.get(), rowSize_);
    if (code && code != SPNG_EOI) return code;
    const Columns columns = interlaced_ ? Adam7Columns[row.pass] : Columns{0, 1};
    uint8_t* to = target(row.row_num);
    if (wide_) {
        StoreColumns(rgba_.get(), to, uint32_t(width_), columns, bytesPerPixel);
    } else {
        StoreColumns(reinterpret_cast<const uint8_t*>(rgba_.get()), to, uint32_t(width_), columns, bytesPerPixel);
    }
    return code;
}

bool PngRows::ReadRow(uint8_t* bgr, ImageError* error) {
    if (!mayBeTransparent_) {
        lastCode_ = DecodeRow(3, [bgr](uint32_t) { return bgr; });
    } else {
        if (!transparentRow_) transparentRow_.reset(new (std::nothrow) uint8_t[4 * size_t(width_)]);
        if (!transparentRow_) {
            *error = ImageError::OutOfMemory;
            return false;
        }
        lastCode_ = DecodeRow(4, [this](uint32_t) { return transparentRow_.get(); });
        CompositeOnWhite(transparentRow_.get(), width_, bgr);
    }
    if (lastCode_ && lastCode_ != SPNG_EOI) {
        *error = ErrorOf(lastCode_);
        return false;
    }
    return true;
}

bool PngRows::End(ImageError* error) {
    // The rest of the file must be whole too, up to the end chunk.
    const int code = lastCode_ == SPNG_EOI ? spng_decode_chunks(context_.get()) : SPNG_EOI;
    if (code) {
        *error = code == SPNG_EOI ? ImageError::Corrupt : ErrorOf(code);
        return false;
    }
    return true;
}

DibHandle DecodePng(const uint8_t* data, size_t size, ImageError* error) {
    PngRows rows;
    if (!rows.Start(data, size, error)) return nullptr;
    return rows.DecodeWhole(error);
}

DibHandle PngRows::DecodeWhole(ImageError* error) {
    const int bytesPerPixel = mayBeTransparent_ ? 4 : 3;
    DibPtr image(DibCreate(width_, height_, 8 * bytesPerPixel, error));
    if (!image) return nullptr;
    do {
        lastCode_ = DecodeRow(bytesPerPixel, [&](uint32_t y) { return DibRow(image.get(), int32_t(y)); });
    } while (lastCode_ == 0);
    if (lastCode_ != SPNG_EOI) {
        *error = ErrorOf(lastCode_);
        return nullptr;
    }
    if (!End(error)) return nullptr;
    // An opaque picture needs no alpha: it becomes 24-bit at once, in place.
    if (bytesPerPixel == 4 && AllOpaque(image.get())) ImgMake24(image.get());
    return image.release();
}
