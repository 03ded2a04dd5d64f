#include "png_files.h"

#include <memory>

#include <spng.h>

PngContents ReadPng(const std::vector<uint8_t>& bytes) {
    PngContents png;
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(0), spng_ctx_free);
    spng_ihdr header = {};
    size_t size = 0;
    if (spng_set_png_buffer(context.get(), bytes.data(), bytes.size()) || spng_get_ihdr(context.get(), &header) ||
        spng_decoded_image_size(context.get(), SPNG_FMT_RGBA8, &size)) {
        return png;
    }
    std::vector<uint8_t> pixels(size);
    if (spng_decode_image(context.get(), pixels.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS)) return png;
    png.decoded = true;
    png.bitDepth = header.bit_depth;
    png.colourType = header.color_type;
    png.width = int(header.width);
    png.height = int(header.height);
    for (size_t i = 0; i < size; i += 4) {
        png.rgba.push_back(uint32_t{pixels[i]} << 24 | uint32_t{pixels[i + 1]} << 16 | uint32_t{pixels[i + 2]} << 8 |
                           pixels[i + 3]);
    }
    spng_phys density = {};
    if (spng_get_phys(context.get(), &density) == 0 && density.unit_specifier == 1) {
        png.densityX = density.ppu_x;
        png.densityY = density.ppu_y;
    }
    return png;
}

std::vector<uint32_t> LineDrawingRgba(const Picture& picture, const OutputColours& colours) {
    std::vector<uint32_t> rgba;
    for (const Bgr& pixel : picture.pixels) {
        const bool line = pixel == Bgr{0, 0, 0};
        if (!line && colours.transparent) {
            rgba.push_back(0);
        } else {
            rgba.push_back((line ? colours.lines : colours.background) << 8 | 0xFF);
        }
    }
    return rgba;
}

std::vector<uint32_t> OpaqueRgba(const Picture& picture) {
    std::vector<uint32_t> rgba;
    for (const Bgr& pixel : picture.pixels) {
        rgba.push_back(uint32_t{pixel.red} << 24 | uint32_t{pixel.green} << 16 | uint32_t{pixel.blue} << 8 | 0xFF);
    }
    return rgba;
}

std::string FirstRgbaDifference(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual) {
    if (expected.size() != actual.size()) {
        return "size " + std::to_string(expected.size()) + " != " + std::to_string(actual.size());
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        const bool bothClear = (expected[i] & 0xFF) == 0 && (actual[i] & 0xFF) == 0;
        if (expected[i] != actual[i] && !bothClear) {
            return "pixel " + std::to_string(i) + ": expected " + std::to_string(expected[i]) + ", got " +
                   std::to_string(actual[i]);
        }
    }
    return {};
}
