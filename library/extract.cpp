// Extraction from the caller's pixels: each row turned into the working
// layout as it is needed and pushed through the engine's row pipeline, so
// the input is never copied whole.
#include "kernels/pixel_layouts.h"
#include "options.h"
#include "pipeline/line_rows.h"
#include "velmora.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

// Width pixels of the layout written as blue, green, red, transparent ones
// laid over white as the document lays a PNG's: a row function of
// pixel_layouts.h for each layout, chosen once per call.
class WorkingLayout {
public:
    explicit WorkingLayout(int layout)
        : layout_(layout), swap_(SwapRedBlueRowFor()), grey_(GreyToBgrRowFor()) {}

    void Row(const uint8_t* from, int width, uint8_t* to) const {
        switch (layout_) {
        case VELMORA_LAYOUT_BGR: std::copy(from, from + 3 * size_t(width), to); break;
        case VELMORA_LAYOUT_RGB: swap_(from, width, to); break;
        // Each channel is laid over white alike, so RGBA gives RGB.
        case VELMORA_LAYOUT_BGRA: CompositeOnWhite(from, width, to); break;
        case VELMORA_LAYOUT_RGBA:
            CompositeOnWhite(from, width, to);
            swap_(to, width, to);
            break;
        default: grey_(from, width, to);
        }
    }

private:
    int layout_;
    PixelRowFunction swap_, grey_;
};

// Whether a row of rowBytes fits in stride, taken either way.
bool Holds(ptrdiff_t stride, int64_t rowBytes) {
    return stride >= rowBytes || stride <= -rowBytes;
}

// Both entry points. Pixels side by side need rows at least a row's bytes
// apart; otherwise pixelStride says where each pixel is.
int Extract(const unsigned char* pixels, int width, int height, bool sideBySide, ptrdiff_t pixelStride,
            ptrdiff_t stride, int layout, const velmora_options* options, unsigned char* lines,
            ptrdiff_t linesStride) {
    if (!pixels || !options || !lines) return VELMORA_ERROR_NULL_ARGUMENT;
    if (const int bad = CheckOptions(*options, false)) return bad;
    if (width <= 0 || height <= 0) return VELMORA_ERROR_DIMENSIONS;
    const int bytesPerPixel = velmora_layout_bytes(layout);
    if (bytesPerPixel == 0) return VELMORA_ERROR_LAYOUT;
    if (!DibSizeAllowed(width, height, 24)) return VELMORA_ERROR_TOO_LARGE;
    if (sideBySide ? !Holds(stride, int64_t{width} * bytesPerPixel)
                   : !Holds(pixelStride, bytesPerPixel) || !Holds(stride, bytesPerPixel)) {
        return VELMORA_ERROR_STRIDE;
    }
    if (!Holds(linesStride, width)) return VELMORA_ERROR_STRIDE;
    try {
        const LineSettings settings = SettingsOf(*options);
        const std::unique_ptr<LineRows> rows =
            LineRows::Create(width, height, settings.thickness, settings.contrast, settings.removeNoise,
                             settings.style);
        if (!rows) return VELMORA_ERROR_OUT_OF_MEMORY;
        // Pixels that are not side by side are gathered into one row first.
        const bool gather = !sideBySide && pixelStride != bytesPerPixel;
        std::vector<uint8_t> gathered(gather ? size_t(width) * bytesPerPixel : 0);
        const WorkingLayout working(layout);
        // Result rows are black or white, 3 equal bytes a pixel.
        const PixelRowFunction firstOfThree = FirstOfThreeRowFor();
        const ResultRowSink sink = [&](int y, uint8_t* row) {
            firstOfThree(row, width, lines + y * linesStride);
            return true;
        };
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = pixels + y * stride;
            if (gather) {
                for (int x = 0; x < width; ++x) {
                    std::copy_n(row + x * pixelStride, bytesPerPixel, &gathered[size_t(x) * bytesPerPixel]);
                }
                row = gathered.data();
            }
            working.Row(row, width, rows->SourceRow());
            rows->Put(sink);
        }
        rows->End(sink);
    } catch (const std::bad_alloc&) {
        return VELMORA_ERROR_OUT_OF_MEMORY;
    }
    return VELMORA_OK;
}

}  // namespace

int velmora_extract(const unsigned char* pixels, int width, int height, ptrdiff_t stride, int layout,
                    const velmora_options* options, unsigned char* lines, ptrdiff_t lines_stride) {
    return Extract(pixels, width, height, true, 0, stride, layout, options, lines, lines_stride);
}

int velmora_extract_view(const unsigned char* pixels, int width, int height, ptrdiff_t pixel_stride, ptrdiff_t stride,
                         int layout, const velmora_options* options, unsigned char* lines, ptrdiff_t lines_stride) {
    return Extract(pixels, width, height, false, pixel_stride, stride, layout, options, lines, lines_stride);
}
