#include "base/dib.h"

#include <atomic>
#include <cstring>
#include <new>

namespace {

// Atomic because the converter loads and extracts on several threads.
std::atomic<int64_t> pixelBytesInUse{0};
std::atomic<int64_t> pixelBudget{-1};

}  // namespace

// Null when memory runs out or the bytes would exceed the testing budget.
PixelBuffer DibAllocate(int64_t size) {
    const int64_t inUse = pixelBytesInUse.fetch_add(size) + size;
    const int64_t budget = pixelBudget.load();
    uint8_t* bytes = budget >= 0 && inUse > budget ? nullptr : new (std::nothrow) uint8_t[size];
    if (!bytes) {
        pixelBytesInUse.fetch_sub(size);
        return nullptr;
    }
    return PixelBuffer(bytes, PixelDeleter{size});
}

void PixelDeleter::operator()(uint8_t* bytes) const {
    delete[] bytes;
    pixelBytesInUse.fetch_sub(size);
}

void ImgSetMemoryBudgetForTesting(int64_t bytes) {
    pixelBudget.store(bytes);
}

int64_t ImgPixelBytesInUse() {
    return pixelBytesInUse.load();
}

int64_t DibStride(int64_t width, int bitsPerPixel) {
    if (width <= 0 || (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32)) return 0;
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

bool DibSizeAllowed(int64_t width, int64_t height, int bitsPerPixel) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
    if (width * height > MaxImagePixels) return false;
    const int64_t stride = DibStride(width, bitsPerPixel);
    return stride > 0 && stride <= MaxPixelDataSize / height;
}

DibHandle DibCreate(int32_t width, int32_t height, int bitsPerPixel, ImageError* error) {
    if (!DibSizeAllowed(width, height, bitsPerPixel)) {
        if (error) *error = ImageError::TooLarge;
        return nullptr;
    }
    const int64_t stride = DibStride(width, bitsPerPixel);
    const int64_t size = stride * height;
    auto image = std::unique_ptr<Dib>(new (std::nothrow) Dib);
    if (image) image->pixels = DibAllocate(size);
    if (!image || !image->pixels) {
        if (error) *error = ImageError::OutOfMemory;
        return nullptr;
    }
    BitmapInfoHeader& header = image->header;
    header.biSize = sizeof(BitmapInfoHeader);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<uint16_t>(bitsPerPixel);
    header.biSizeImage = static_cast<uint32_t>(size);
    image->info.pixelDataSize = static_cast<int32_t>(size);
    image->info.header = &image->header;
    image->info.pixels = image->pixels.get();

    const int64_t used = (int64_t{width} * bitsPerPixel + 7) / 8;
    if (used != stride) {
        for (int64_t row = 0; row < height; ++row) {
            uint8_t* padding = image->pixels.get() + row * stride + used;
            for (int64_t i = 0; i < stride - used; ++i) padding[i] = 0;
        }
    }
    return image.release();
}

void DibReplacePixels(DibHandle image, DibHandle replacement) {
    image->header = replacement->header;
    image->pixels = std::move(replacement->pixels);
    image->info.pixelDataSize = replacement->info.pixelDataSize;
    image->info.pixels = image->pixels.get();
    ImgRelease(replacement);
}

void ImgRelease(DibHandle image) {
    delete image;
}

DibHandle ImgDuplicate(DibHandle image) {
    if (!image) return nullptr;
    ImageError error = ImageError::None;
    DibHandle copy = DibCreate(image->header.biWidth, image->header.biHeight, image->header.biBitCount, &error);
    if (!copy) return nullptr;
    std::memcpy(copy->pixels.get(), image->pixels.get(), size_t(image->info.pixelDataSize));
    copy->header.biXPelsPerMeter = image->header.biXPelsPerMeter;
    copy->header.biYPelsPerMeter = image->header.biYPelsPerMeter;
    return copy;
}

// Each 24-bit row is no longer than its 32-bit row and starts no later, and
// each pixel is read whole before it is written, so converting from the
// first byte on never overwrites a byte still to be read.
void CompositeOnWhite(const uint8_t* bgra, int32_t width, uint8_t* bgr) {
    for (int32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned blue = bgra[0], green = bgra[1], red = bgra[2], alpha = bgra[3];
        // Over white paper: c * a + 255 * (255 - a), divided by 255 with rounding.
        const unsigned paper = 255 * (255 - alpha) + 127;
        bgr[0] = static_cast<uint8_t>((blue * alpha + paper) / 255);
        bgr[1] = static_cast<uint8_t>((green * alpha + paper) / 255);
        bgr[2] = static_cast<uint8_t>((red * alpha + paper) / 255);
    }
}

bool ImgMake24(DibHandle image) {
    if (!image) return false;
    if (image->header.biBitCount == 24) return true;
    if (image->header.biBitCount != 32) return false;
    const int32_t width = image->header.biWidth;
    const int32_t height = image->header.biHeight;
    const int64_t stride32 = DibStride(width, 32);
    const int64_t stride24 = DibStride(width, 24);
    uint8_t* pixels = image->pixels.get();
    for (int64_t row = 0; row < height; ++row) {
        CompositeOnWhite(pixels + row * stride32, width, pixels + row * stride24);
        for (int64_t i = 3 * int64_t{width}; i < stride24; ++i) pixels[row * stride24 + i] = 0;
    }
    image->header.biBitCount = 24;
    image->header.biSizeImage = static_cast<uint32_t>(stride24 * height);
    image->info.pixelDataSize = static_cast<int32_t>(stride24 * height);
    return true;
}

const DibInfo* ImgQueryInfo(DibHandle image) {
    return &image->info;
}
