#include "extract.h"

#include "line_rows.h"
#include "options.h"

#include <memory>
#include <new>
#include <vector>

namespace {

bool HasAlpha(int layout) {
    return layout == VELMORA_LAYOUT_RGBA || layout == VELMORA_LAYOUT_BGRA;
}

// The source channel of blue, green, red and alpha for the layout.
const int* ChannelOrder(int layout) {
    static const int rgb[4] = {2, 1, 0, 3};
    static const int bgr[4] = {0, 1, 2, 3};
    static const int grey[4] = {0, 0, 0, 0};
    switch (layout) {
    case VELMORA_LAYOUT_RGB:
    case VELMORA_LAYOUT_RGBA: return rgb;
    case VELMORA_LAYOUT_BGR:
    case VELMORA_LAYOUT_BGRA: return bgr;
    case VELMORA_LAYOUT_GRAY: return grey;
    }
    return nullptr;
}

}  // namespace

int ExtractView(const PixelView& view, int layout, const velmora_options& options, uint8_t* lines,
                ptrdiff_t linesStride) {
    const bool packed = view.pixelStride == view.channels && (view.channels == 1 || view.channelStride == 1);
    if (!packed) return ExtractGathered(view, layout, options, lines, linesStride);
    return velmora_extract(view.data, view.width, view.height, view.rowStride, layout, &options, lines, linesStride);
}

int ExtractGathered(const PixelView& view, int layout, const velmora_options& options, uint8_t* lines,
                    ptrdiff_t linesStride) {
    if (const int bad = CheckOptions(options, false)) return bad;
    if (view.width <= 0 || view.height <= 0) return VELMORA_ERROR_DIMENSIONS;
    const int* order = ChannelOrder(layout);
    if (!order) return VELMORA_ERROR_LAYOUT;
    if (!DibSizeAllowed(view.width, view.height, 24)) return VELMORA_ERROR_TOO_LARGE;
    try {
        const LineSettings settings = SettingsOf(options);
        const std::unique_ptr<LineRows> rows =
            LineRows::Create(view.width, view.height, settings.thickness, settings.contrast, settings.removeNoise);
        if (!rows) return VELMORA_ERROR_OUT_OF_MEMORY;
        const bool alpha = HasAlpha(layout);
        const int gathered = alpha ? 4 : 3;
        // Blue, green, red and alpha, laid over white into the source row.
        std::vector<uint8_t> bgra(alpha ? 4 * size_t(view.width) : 0);
        const ResultRowSink sink = [&](int y, uint8_t* row) {
            uint8_t* out = lines + y * linesStride;
            for (int x = 0; x < view.width; ++x) out[x] = row[3 * x];
            return true;
        };
        for (int y = 0; y < view.height; ++y) {
            const uint8_t* from = view.data + y * view.rowStride;
            uint8_t* to = alpha ? bgra.data() : rows->SourceRow();
            for (int x = 0; x < view.width; ++x, from += view.pixelStride, to += gathered) {
                for (int c = 0; c < gathered; ++c) to[c] = from[order[c] * view.channelStride];
            }
            if (alpha) CompositeOnWhite(bgra.data(), view.width, rows->SourceRow());
            rows->Push(sink);
        }
        rows->Finish(sink);
    } catch (const std::bad_alloc&) {
        return VELMORA_ERROR_OUT_OF_MEMORY;
    }
    return VELMORA_OK;
}
