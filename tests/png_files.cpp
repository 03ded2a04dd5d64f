#include "png_files.h"

#include <memory>

#include <spng.h>

PngContents ReadPng(const std::vector<uint8_t>& bytes) {
    PngContents png;
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(0), spng_ctx_free);
    spng_ihdr header = {};
    size_t size = 0;
    spng_ctx* decoder = context.get();
    spng_set_png_buffer(decoder, bytes.data(), bytes.size());
    if (spng_get_ihdr(decoder, &header) || spng_decoded_image_size(decoder, SPNG_FMT_RGBA8, &size)) return png;
    std::vector<uint8_t> pixels(size);
    if (spng_decode_image(decoder, pixels.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS)) return png;
    png.bitDepth = header.bit_depth;
    png.colourType = header.color_type;
    for (size_t i = 0; i < size; i += 4) {
        const uint32_t pixel = uint32_t(pixels[i] << 24 | pixels[i + 1] << 16 | pixels[i + 2] << 8) | pixels[i + 3];
        png.rgba.push_back(pixels[i + 3] ? pixel : 0);
    }
    spng_phys density = {};
    if (spng_get_phys(decoder, &density) == 0 && density.unit_specifier == 1) {
        png.densityX = density.ppu_x;
        png.densityY = density.ppu_y;
    }
    return png;
}

std::vector<uint32_t> LineDrawingRgba(const Picture& picture, const OutputColours& colours) {
    std::vector<uint32_t> rgba;
    for (const Bgr& pixel : picture.pixels) {
        const bool line = pixel == Bgr{0, 0, 0};
        rgba.push_back(!line && colours.transparent ? 0 : (line ? colours.lines : colours.background) << 8 | 0xFF);
    }
    return rgba;
}
