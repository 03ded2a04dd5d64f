#include "pipeline/image.h"

#include "base/file_io.h"
#include "codecs/bmp_reader.h"
#include "codecs/container_checks.h"
#include "codecs/exif_orientation.h"
#include "codecs/jpeg_decoder.h"
#include "codecs/pixel_density.h"
#include "codecs/png_decoder.h"
#include "kernels/orientation.h"

#include <new>
#include <vector>

namespace {

DibHandle LoadMemory(const uint8_t* data, size_t size, ImageError* error) {
    if (!data) size = 0;
    DibHandle image = nullptr;
    if (LooksLikeBmp(data, size)) {
        image = DecodeBmp(data, size, error);
    } else if (LooksLikePng(data, size)) {
        image = DecodePng(data, size, error);
    } else if (LooksLikeJpeg(data, size)) {
        image = DecodeJpeg(data, size, error);
    } else {
        *error = ImageError::NotAnImage;
        return nullptr;
    }
    if (!image) return nullptr;
    const PixelDensity density = FilePixelDensity(data, size);
    image->header.biXPelsPerMeter = density.x;
    image->header.biYPelsPerMeter = density.y;
    return OrientImage(DibPtr(image), ExifOrientation(data, size), error).release();
}

}  // namespace

bool StartsLikeAnImage(const uint8_t* data, size_t size) {
    return LooksLikeBmp(data, size) || LooksLikePng(data, size) || LooksLikeJpeg(data, size);
}

ImageError ReadImageFile(const char* path, std::vector<uint8_t>& bytes) {
    if (!path) return ImageError::CannotOpen;
    try {
        switch (ReadWholeFile(path, bytes, MaxPixelDataSize, StartsLikeAnImage)) {
        case ReadResult::Ok: return ImageError::None;
        case ReadResult::Refused: return ImageError::NotAnImage;
        case ReadResult::CannotOpen: return ImageError::CannotOpen;
        case ReadResult::TooLarge: return ImageError::TooLarge;
        }
    } catch (const std::bad_alloc&) {
        return ImageError::OutOfMemory;
    }
    return ImageError::CannotOpen;
}

DibHandle ImgLoadFile(const char* path, ImageError* error) {
    ImageError ignored = ImageError::None;
    if (!error) error = &ignored;
    std::vector<uint8_t> bytes;
    *error = ReadImageFile(path, bytes);
    if (*error != ImageError::None) return nullptr;
    return ImgLoadMemory(bytes.data(), bytes.size(), error);
}

// The decoders allocate their bitmaps without exceptions; anything else that
// runs out of memory on the way is a refusal like theirs.
DibHandle ImgLoadMemory(const uint8_t* data, size_t size, ImageError* error) {
    ImageError ignored = ImageError::None;
    if (!error) error = &ignored;
    *error = ImageError::None;
    try {
        return LoadMemory(data, size, error);
    } catch (const std::bad_alloc&) {
        *error = ImageError::OutOfMemory;
        return nullptr;
    }
}
