#include "codecs/png_writer.h"

#include "kernels/bit_packing.h"

#include <cerrno>
#include <memory>
#include <new>

#include <spng.h>
#include <zlib.h>

namespace {

constexpr uint32_t Black = 0x000000;
constexpr uint32_t White = 0xFFFFFF;

spng_plte_entry PaletteEntry(uint32_t colour) {
    return {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour), 0};
}

}  // namespace

// How a picture is stored: the chunks before its data and how its rows are
// made. Packed rows have 1 for white; inverted, 1 for black.
struct PngForm {
    spng_ihdr header{};
    bool bilevel = false;
    bool inverted = false;
    bool hasPalette = false;
    bool hasTransparency = false;
    spng_plte palette{};
    spng_trns transparency{};
};

namespace {

PngForm ChooseForm(int32_t width, int32_t height, bool bilevel, const OutputColours& colours) {
    PngForm form;
    form.header.width = static_cast<uint32_t>(width);
    form.header.height = static_cast<uint32_t>(height);
    form.header.bit_depth = bilevel ? 1 : 8;
    form.header.color_type = bilevel ? SPNG_COLOR_TYPE_GRAYSCALE : SPNG_COLOR_TYPE_TRUECOLOR;
    form.bilevel = bilevel;
    if (!bilevel) return form;
    const bool greyLines = colours.lines == Black || colours.lines == White;
    if (greyLines && (colours.transparent || colours.background == (colours.lines ^ White))) {
        // Grey level 1 is white: white lines need the bits turned round.
        form.inverted = colours.lines == White;
        form.hasTransparency = colours.transparent;
        form.transparency.gray = form.inverted ? 0 : 1;
        return form;
    }
    // Background first, so that tRNS needs a single entry.
    form.header.color_type = SPNG_COLOR_TYPE_INDEXED;
    form.inverted = true;
    form.hasPalette = true;
    form.palette.n_entries = 2;
    form.palette.entries[0] = PaletteEntry(colours.background);
    form.palette.entries[1] = PaletteEntry(colours.lines);
    form.hasTransparency = colours.transparent;
    form.transparency.n_type3_entries = 1;
    form.transparency.type3_alpha[0] = 0;
    return form;
}

void Invert(uint8_t* bits, int32_t width) {
    const int32_t bytes = (width + 7) / 8;
    for (int32_t i = 0; i < bytes; ++i) bits[i] = static_cast<uint8_t>(~bits[i]);
}

void ToRgb(const uint8_t* bgr, int32_t width, uint8_t* rgb) {
    for (int32_t x = 0; x < width; ++x, bgr += 3, rgb += 3) {
        rgb[0] = bgr[2];
        rgb[1] = bgr[1];
        rgb[2] = bgr[0];
    }
}

// Writes the form's chunks before the image data, and starts the data.
int StartImage(spng_ctx* png, PngForm& form, int32_t xPelsPerMeter, int32_t yPelsPerMeter) {
    spng_phys density = {static_cast<uint32_t>(xPelsPerMeter), static_cast<uint32_t>(yPelsPerMeter), 1};
    const bool hasDensity = xPelsPerMeter > 0 && yPelsPerMeter > 0;
    int code = spng_set_ihdr(png, &form.header);
    // Rows of a bit a pixel (left unfiltered, as libspng leaves them) are
    // long runs of background broken by a few lines. zlib's usual search
    // for matches walks long chains through such runs; matching runs alone
    // (Z_RLE) takes a fraction of the time for a file a little larger.
    if (!code && form.bilevel) code = spng_set_option(png, SPNG_IMG_COMPRESSION_STRATEGY, Z_RLE);
    if (!code && form.hasPalette) code = spng_set_plte(png, &form.palette);
    if (!code && form.hasTransparency) code = spng_set_trns(png, &form.transparency);
    if (!code && hasDensity) code = spng_set_phys(png, &density);
    if (!code) code = spng_encode_image(png, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    return code;
}

// Encodes one row of working-layout pixels in the form; scratch holds
// 3 * width bytes. Returns the library's code: SPNG_EOI after the last row.
int EncodeRow(spng_ctx* png, const PngForm& form, const uint8_t* pixels, uint8_t* scratch) {
    const auto width = static_cast<int32_t>(form.header.width);
    if (form.bilevel) {
        PackRow(pixels, width, scratch);
        if (form.inverted) Invert(scratch, width);
        return spng_encode_row(png, scratch, (size_t(width) + 7) / 8);
    }
    ToRgb(pixels, width, scratch);
    return spng_encode_row(png, scratch, 3 * size_t(width));
}

// The system's allocator need not say so in errno; zlib starts only to
// fail for want of memory.
void NoteMemoryFailure(int code) {
    if (code == SPNG_EMEM || code == SPNG_EZLIB_INIT) errno = ENOMEM;
}

// Hands the encoder's bytes to the sink.
int ToSink(spng_ctx*, void* user, void* bytes, size_t length) {
    return static_cast<OutputSink*>(user)->Write(static_cast<const uint8_t*>(bytes), length) ? 0 : SPNG_IO_ERROR;
}

}  // namespace

void PngContextFree::operator()(spng_ctx* context) const {
    spng_ctx_free(context);
}

bool PngRowWriter::Start(OutputSink& sink, int32_t width, int32_t height, int32_t xPelsPerMeter,
                         int32_t yPelsPerMeter, const OutputColours& colours, bool bilevel) {
    context_.reset(spng_ctx_new(SPNG_CTX_ENCODER));
    scratch_.reset(new (std::nothrow) uint8_t[3 * size_t(width)]);
    if (!context_ || !scratch_) {
        errno = ENOMEM;
        return false;
    }
    if (spng_set_png_stream(context_.get(), ToSink, &sink) != 0) return false;
    form_.reset(new (std::nothrow) PngForm(ChooseForm(width, height, bilevel, colours)));
    if (!form_) {
        errno = ENOMEM;
        return false;
    }
    lastCode_ = StartImage(context_.get(), *form_, xPelsPerMeter, yPelsPerMeter);
    NoteMemoryFailure(lastCode_);
    return lastCode_ == 0;
}

bool PngRowWriter::Row(const uint8_t* pixels) {
    if (lastCode_ != 0) return false;
    lastCode_ = EncodeRow(context_.get(), *form_, pixels, scratch_.get());
    NoteMemoryFailure(lastCode_);
    return lastCode_ == 0 || lastCode_ == SPNG_EOI;
}

bool PngRowWriter::Finished() const {
    return lastCode_ == SPNG_EOI;
}

PngRowWriter::PngRowWriter() = default;
PngRowWriter::~PngRowWriter() = default;
