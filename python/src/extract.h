// Extraction from pixels the caller holds, whatever their strides. Rows
// whose pixels lie packed (any row stride, even negative) go to
// velmora_extract as they are; any other view (every other column, the
// channels reversed) is gathered a row at a time into the engine's row
// pipeline, so that no picture is ever copied whole.
#pragma once

#include "velmora.h"

#include <cstddef>
#include <cstdint>

struct PixelView {
    const uint8_t* data;  // channel 0 of pixel (0, 0)
    int width;
    int height;
    int channels;  // 1, 3 or 4, as the layout has them
    ptrdiff_t rowStride, pixelStride, channelStride;  // in bytes, of any sign
};

// Extracts the view, in layout (VELMORA_LAYOUT_*), into lines: width bytes
// a row, linesStride apart, 0 for a line and 255 for the background.
// Returns a VELMORA_ error number; needs no Python lock.
int ExtractView(const PixelView& view, int layout, const velmora_options& options, uint8_t* lines,
                ptrdiff_t linesStride);

// The same through the row pipeline whatever the strides: the plain twin
// of velmora_extract's packed rows.
int ExtractGathered(const PixelView& view, int layout, const velmora_options& options, uint8_t* lines,
                    ptrdiff_t linesStride);
