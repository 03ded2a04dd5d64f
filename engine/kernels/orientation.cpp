#include "kernels/orientation.h"

#include "base/dib.h"

#include <algorithm>
#include <utility>

namespace {

// Swaps pixel x with pixel width - 1 - x in every row.
void Mirror(DibHandle image, int bytesPerPixel) {
    const int32_t width = image->header.biWidth;
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        uint8_t* left = DibRow(image, y);
        uint8_t* right = left + (width - 1) * bytesPerPixel;
        for (; left < right; left += bytesPerPixel, right -= bytesPerPixel) {
            std::swap_ranges(left, left + bytesPerPixel, right);
        }
    }
}

// Swaps row y with row height - 1 - y.
void Flip(DibHandle image, int bytesPerPixel) {
    const int32_t height = image->header.biHeight;
    const int64_t used = int64_t{image->header.biWidth} * bytesPerPixel;
    for (int32_t y = 0; y < height / 2; ++y) {
        uint8_t* top = DibRow(image, y);
        std::swap_ranges(top, top + used, DibRow(image, height - 1 - y));
    }
}

// Fills upright, height x width of source: its row y is a column of source,
// column y for 5 and 6 or column width - 1 - y for 7 and 8, read downwards
// for 5 and 8 and upwards for 6 and 7. It works in square tiles: walking a
// whole column of a large picture would touch a new cache line per pixel.
void TurnQuarter(DibHandle source, DibHandle upright, int orientation, int bytesPerPixel) {
    constexpr int32_t Tile = 64;
    const int32_t sourceWidth = source->header.biWidth;
    const int32_t sourceHeight = source->header.biHeight;
    const bool fromRight = orientation == 7 || orientation == 8;
    const bool upwards = orientation == 6 || orientation == 7;
    // Rows are stored bottom-up: going down the picture goes back in memory.
    const int64_t stride = DibStride(sourceWidth, source->header.biBitCount);
    const int64_t step = upwards ? stride : -stride;
    const uint8_t* firstRow = DibRow(source, upwards ? sourceHeight - 1 : 0);
    for (int32_t tileY = 0; tileY < sourceWidth; tileY += Tile) {
        const int32_t endY = std::min(tileY + Tile, sourceWidth);
        for (int32_t tileX = 0; tileX < sourceHeight; tileX += Tile) {
            const int32_t endX = std::min(tileX + Tile, sourceHeight);
            for (int32_t y = tileY; y < endY; ++y) {
                const uint8_t* column = firstRow + int64_t{fromRight ? sourceWidth - 1 - y : y} * bytesPerPixel;
                uint8_t* to = DibRow(upright, y) + int64_t{tileX} * bytesPerPixel;
                for (int32_t x = tileX; x < endX; ++x, to += bytesPerPixel) {
                    std::copy_n(column + x * step, bytesPerPixel, to);
                }
            }
        }
    }
}

}  // namespace

DibPtr OrientImage(DibPtr image, int orientation, ImageError* error) {
    if (!image) return nullptr;
    const int bytesPerPixel = image->header.biBitCount / 8;
    switch (orientation) {
    case 2: Mirror(image.get(), bytesPerPixel); return image;
    case 3:
        Mirror(image.get(), bytesPerPixel);
        Flip(image.get(), bytesPerPixel);
        return image;
    case 4: Flip(image.get(), bytesPerPixel); return image;
    case 5:
    case 6:
    case 7:
    case 8: break;
    default: return image;
    }
    DibHandle upright = DibCreate(image->header.biHeight, image->header.biWidth, image->header.biBitCount, error);
    if (!upright) return nullptr;
    TurnQuarter(image.get(), upright, orientation, bytesPerPixel);
    // Rows become columns: so does the density.
    upright->header.biXPelsPerMeter = image->header.biYPelsPerMeter;
    upright->header.biYPelsPerMeter = image->header.biXPelsPerMeter;
    DibReplacePixels(image.get(), upright);
    return image;
}
