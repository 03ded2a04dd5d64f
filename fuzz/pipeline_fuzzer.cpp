// Loads arbitrary bytes as an image file and, when that gives an image, does
// what the program does with it: conversion to the working layout, edge
// extraction and speck removal. The last byte chooses the line thickness,
// the contrast, noise removal and the style: edges, ink or photo lines. The
// result must be black and white with its padding, which starts out zero,
// untouched. The converter's streamed conversion of the same bytes to BMP
// must succeed exactly then, with the same pixel rows; ink and photo rows
// streamed through LineRows must be the whole picture's.
#include "base/dib.h"
#include "base/line_choices.h"
#include "kernels/edge_extraction.h"
#include "kernels/ink_extraction.h"
#include "kernels/noise_removal.h"
#include "kernels/photo_lines.h"
#include "pipeline/image.h"
#include "pipeline/line_conversion.h"
#include "pipeline/line_rows.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool BlackAndWhiteWithZeroPadding(DibHandle image) {
    const int32_t width = image->header.biWidth;
    const int32_t stride = Stride24(width);
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        const uint8_t* row = DibRow(image, y);
        for (int32_t x = 0; x < 3 * width; x += 3) {
            if ((row[x] != 0 && row[x] != 255) || row[x + 1] != row[x] || row[x + 2] != row[x]) return false;
        }
        for (int32_t i = 3 * width; i < stride; ++i) {
            if (row[i] != 0) return false;
        }
    }
    return true;
}

// Streams the source through LineRows in the settings' style and compares
// each row with the whole picture's result.
bool StreamedRowsMatch(DibHandle source, DibHandle result, const LineSettings& settings) {
    const int32_t width = source->header.biWidth;
    const int32_t height = source->header.biHeight;
    const auto rows = LineRows::Create(width, height, settings.thickness, settings.contrast, settings.removeNoise,
                                       settings.style);
    if (!rows) return true;
    bool same = true;
    const ResultRowSink sink = [&](int y, uint8_t* row) {
        same = same && std::memcmp(row, DibRow(result, y), size_t(3) * width) == 0;
        return true;
    };
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(rows->SourceRow(), DibRow(source, y), size_t(3) * width);
        rows->Put(sink);
    }
    rows->End(sink);
    return same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t options = size > 0 ? data[size - 1] : 0;
    LineSettings settings;
    settings.thickness = options & 1;
    settings.contrast = (options >> 1) & 15;
    settings.removeNoise = (options & 0x20) != 0;
    const LineStyle style = options & 0x40 ? LineStyle::Ink : options & 0x80 ? LineStyle::Photo : LineStyle::Edges;
    std::vector<uint8_t> streamed;
    Failure error;
    const bool converted = ConvertToMemory(data, size, settings, streamed, &error);

    DibHandle source = ImgLoadMemory(data, size);
    if (!source) {
        if (converted) std::abort();
        return 0;
    }
    ImgMake24(source);
    DibHandle result = ImgDuplicate(source);
    if (result && style != LineStyle::Edges) {
        settings.style = style;
        const bool extracted = style == LineStyle::Ink ? ExtractInk(source, result, settings.thickness, settings.contrast)
                                                       : ExtractPhoto(source, result, settings.thickness, settings.contrast);
        if (extracted && (!settings.removeNoise || RemoveSpecks(result, settings.thickness))) {
            if (!converted || !BlackAndWhiteWithZeroPadding(result) || !StreamedRowsMatch(source, result, settings)) {
                std::abort();
            }
        }
    } else if (result) {
        ExtractEdges(source, result, settings.thickness, settings.contrast);
        if (settings.removeNoise) RemoveSpecks(result, settings.thickness);
        if (!BlackAndWhiteWithZeroPadding(result)) std::abort();
        const size_t pixelBytes = size_t(ImgQueryInfo(result)->pixelDataSize);
        if (!converted || streamed.size() != 54 + pixelBytes ||
            std::memcmp(streamed.data() + 54, ImgQueryInfo(result)->pixels, pixelBytes) != 0) {
            std::abort();
        }
    }
    ImgRelease(result);
    ImgRelease(source);
    return 0;
}
