#include "codecs/bmp_reader.h"

#include "base/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t BiRgb = 0;
constexpr uint32_t BiRle8 = 1;
constexpr uint32_t BiRle4 = 2;
constexpr uint32_t BiBitfields = 3;
constexpr uint32_t BiAlphaBitfields = 6;

using Bytes = std::vector<uint8_t>;

struct ImageDeleter {
    void operator()(Dib* image) const { ImgRelease(image); }
};
using ImagePtr = std::unique_ptr<Dib, ImageDeleter>;

ImagePtr Decode(const Bytes& file, ImageError* error = nullptr) {
    return ImagePtr(DecodeBmp(file.data(), file.size(), error));
}

ImageError DecodeError(const Bytes& file) {
    ImageError error = ImageError::None;
    ImagePtr image = Decode(file, &error);
    EXPECT_EQ(image, nullptr);
    return error;
}

// What a decoded image should hold: rows top-down, blue, green, red and,
// with 4 channels, alpha.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 3;
    Bytes pixels;

    Picture(int32_t w, int32_t h, int c) : width(w), height(h), channels(c), pixels(size_t(w) * h * c) {}
    uint8_t* At(int32_t x, int32_t y) { return &pixels[(size_t(y) * width + x) * channels]; }
    const uint8_t* At(int32_t x, int32_t y) const { return &pixels[(size_t(y) * width + x) * channels]; }
};

::testing::AssertionResult SamePixels(DibHandle image, const Picture& expected) {
    if (!image) return ::testing::AssertionFailure() << "no image";
    const BitmapInfoHeader& header = image->header;
    if (header.biWidth != expected.width || header.biHeight != expected.height ||
        header.biBitCount != expected.channels * 8) {
        return ::testing::AssertionFailure()
               << "got " << header.biWidth << "x" << header.biHeight << "x" << header.biBitCount << ", expected "
               << expected.width << "x" << expected.height << "x" << expected.channels * 8;
    }
    for (int32_t y = 0; y < expected.height; ++y) {
        const uint8_t* row = DibRow(image, y);
        for (int32_t x = 0; x < expected.width; ++x) {
            const uint8_t* got = row + x * expected.channels;
            const uint8_t* want = expected.At(x, y);
            if (std::memcmp(got, want, expected.channels) != 0) {
                auto result = ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is";
                for (int c = 0; c < expected.channels; ++c) result << " " << int(got[c]);
                result << ", expected";
                for (int c = 0; c < expected.channels; ++c) result << " " << int(want[c]);
                return result;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

void Put16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Set32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// How the test writes a BMP file.
struct BmpForm {
    uint32_t headerSize = 40;
    int bits = 24;
    uint32_t compression = BiRgb;
    bool topDown = false;
    std::vector<uint32_t> masks = {};  // inside headers of 52 bytes or more, after a 40-byte one
    Bytes palette = {};                // blue, green, red per entry
    uint32_t colorsUsed = 0;
};

Bytes MakeBmp(const BmpForm& form, int32_t width, int32_t height, const Bytes& pixelData) {
    Bytes header;
    Put32(header, form.headerSize);
    if (form.headerSize == 12) {
        Put16(header, uint32_t(width));
        Put16(header, uint32_t(height));
        Put16(header, 1);
        Put16(header, uint32_t(form.bits));
    } else {
        Put32(header, uint32_t(width));
        Put32(header, uint32_t(form.topDown ? -height : height));
        Put16(header, 1);
        Put16(header, uint32_t(form.bits));
        Put32(header, form.compression);
        Put32(header, uint32_t(pixelData.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, form.colorsUsed);
        Put32(header, 0);
        for (uint32_t mask : form.masks) Put32(header, mask);
        if (header.size() < form.headerSize) header.resize(form.headerSize);
    }
    Bytes palette;
    for (size_t i = 0; i < form.palette.size(); i += 3) {
        palette.insert(palette.end(), &form.palette[i], &form.palette[i] + 3);
        // The fourth byte is not part of the colour.
        if (form.headerSize != 12) palette.push_back(0xA5);
    }
    Bytes file = {'B', 'M'};
    const size_t offBits = 14 + header.size() + palette.size();
    Put32(file, uint32_t(offBits + pixelData.size()));
    Put32(file, 0);
    Put32(file, uint32_t(offBits));
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), palette.begin(), palette.end());
    file.insert(file.end(), pixelData.begin(), pixelData.end());
    return file;
}

size_t FileStride(int32_t width, int bits) { return (size_t(width) * bits + 31) / 32 * 4; }

// Packs per-pixel values (top-down) into rows in file order, leftmost pixel
// in the high bits, little-endian for 16 and 32 bits, rows padded.
Bytes PackPixels(const std::vector<uint32_t>& values, int32_t width, int32_t height, int bits, bool topDown) {
    const size_t stride = FileStride(width, bits);
    Bytes data(stride * height);
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* out = &data[stride * row];
        const int32_t y = topDown ? row : height - 1 - row;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = values[size_t(y) * width + x];
            if (bits < 8) {
                out[x * bits / 8] |= uint8_t(v << (8 - bits - x * bits % 8));
            } else {
                for (int b = 0; b < bits / 8; ++b) out[x * bits / 8 + b] = uint8_t(v >> (8 * b));
            }
        }
    }
    return data;
}

Bytes RandomBytes(std::mt19937& random, size_t count) {
    Bytes bytes(count);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}

std::vector<uint32_t> RandomValues(std::mt19937& random, size_t count, uint32_t limit) {
    std::vector<uint32_t> values(count);
    for (uint32_t& v : values) v = uint32_t(random() % limit);
    return values;
}

// A field of a bit-field pixel scaled to 8 bits, rounded to nearest.
uint8_t ScaleField(uint32_t pixel, uint32_t mask) {
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const uint64_t max = mask >> shift;
    const uint64_t value = (pixel & mask) >> shift;
    return uint8_t((2 * value * 255 + max) / (2 * max));
}

TEST(BmpReader, IndexedPixelsTakeTheirPaletteColour) {
    std::mt19937 random(1);
    for (uint32_t headerSize : {12u, 40u, 64u, 108u, 124u}) {
        for (int bits : {1, 4, 8}) {
            for (bool topDown : {false, true}) {
                if (topDown && headerSize == 12) continue;
                for (int32_t width = 1; width <= 9; ++width) {
                    for (int32_t height = 1; height <= 3; ++height) {
                        BmpForm form{.headerSize = headerSize, .bits = bits, .topDown = topDown};
                        form.palette = RandomBytes(random, size_t(3) << bits);
                        const auto indices = RandomValues(random, size_t(width) * height, 1u << bits);
                        Picture expected(width, height, 3);
                        for (int32_t y = 0; y < height; ++y) {
                            for (int32_t x = 0; x < width; ++x) {
                                std::memcpy(expected.At(x, y), &form.palette[3 * indices[y * width + x]], 3);
                            }
                        }
                        const Bytes data = PackPixels(indices, width, height, bits, topDown);
                        const Bytes file = MakeBmp(form, width, height, data);
                        EXPECT_TRUE(SamePixels(Decode(file).get(), expected))
                            << "header " << headerSize << ", " << bits << " bits, " << width << "x" << height
                            << (topDown ? " top-down" : "");
                    }
                }
            }
        }
    }
}

TEST(BmpReader, IndexBeyondThePaletteIsBlack) {
    BmpForm form{.bits = 4, .palette = {10, 20, 30, 40, 50, 60}, .colorsUsed = 2};
    const Bytes file = MakeBmp(form, 3, 1, {0x12, 0x00, 0, 0});
    Picture expected(3, 1, 3);
    expected.pixels = {40, 50, 60, 0, 0, 0, 10, 20, 30};
    EXPECT_TRUE(SamePixels(Decode(file).get(), expected));
}

TEST(BmpReader, ShortCorePaletteEndsWherePixelsBegin) {
    // 8 bits per pixel implies 256 colours, but only two are stored.
    BmpForm form{.headerSize = 12, .bits = 8, .palette = {1, 2, 3, 4, 5, 6}};
    const Bytes file = MakeBmp(form, 3, 1, {1, 0, 2, 0});
    Picture expected(3, 1, 3);
    expected.pixels = {4, 5, 6, 1, 2, 3, 0, 0, 0};
    EXPECT_TRUE(SamePixels(Decode(file).get(), expected));
}

TEST(BmpReader, TrueColourPixelsAreCopied) {
    std::mt19937 random(2);
    for (uint32_t headerSize : {12u, 40u, 108u, 124u}) {
        for (int bits : {24, 32}) {
            for (bool topDown : {false, true}) {
                if (headerSize == 12 && (topDown || bits == 32)) continue;
                for (int32_t width = 1; width <= 5; ++width) {
                    for (int32_t height = 1; height <= 3; ++height) {
                        BmpForm form{.headerSize = headerSize, .bits = bits, .topDown = topDown};
                        // The fourth byte of 32-bit pixels is unused: random, yet opaque.
                        const auto values = RandomValues(random, size_t(width) * height, 0xFFFFFFFF);
                        Picture expected(width, height, 3);
                        for (int32_t y = 0; y < height; ++y) {
                            for (int32_t x = 0; x < width; ++x) {
                                for (int c = 0; c < 3; ++c) {
                                    expected.At(x, y)[c] = uint8_t(values[y * width + x] >> (8 * c));
                                }
                            }
                        }
                        const Bytes data = PackPixels(values, width, height, bits, topDown);
                        const Bytes file = MakeBmp(form, width, height, data);
                        EXPECT_TRUE(SamePixels(Decode(file).get(), expected))
                            << "header " << headerSize << ", " << bits << " bits, " << width << "x" << height
                            << (topDown ? " top-down" : "");
                    }
                }
            }
        }
    }
}

struct FieldCase {
    const char* name;
    uint32_t headerSize;
    int bits;
    uint32_t compression;
    std::vector<uint32_t> masks;  // red, green, blue[, alpha] as written to the file
};

// The masks the reader should apply: BI_RGB at 16 bits means 5-5-5.
std::vector<uint32_t> EffectiveMasks(const FieldCase& c) {
    std::vector<uint32_t> masks = c.compression == BiRgb ? std::vector<uint32_t>{0x7C00, 0x03E0, 0x001F} : c.masks;
    const bool hasAlpha = c.compression == BiAlphaBitfields || (c.compression == BiBitfields && c.headerSize >= 56);
    masks.resize(hasAlpha ? 4 : 3);
    return masks;
}

const std::vector<FieldCase> FieldCases = {
    {"555 by default", 40, 16, BiRgb, {}},
    {"565", 40, 16, BiBitfields, {0xF800, 0x07E0, 0x001F}},
    {"565 in a 52-byte header", 52, 16, BiBitfields, {0xF800, 0x07E0, 0x001F}},
    {"1555", 56, 16, BiBitfields, {0x7C00, 0x03E0, 0x001F, 0x8000}},
    {"4444 after a 40-byte header", 40, 16, BiAlphaBitfields, {0x0F00, 0x00F0, 0x000F, 0xF000}},
    {"8888", 124, 32, BiBitfields, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
    {"8888 after a 40-byte header", 40, 32, BiAlphaBitfields, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
    {"bgr 888, no alpha", 40, 32, BiBitfields, {0x000000FF, 0x0000FF00, 0x00FF0000}},
    {"10-10-10-2", 108, 32, BiBitfields, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}},
    {"20-6-6", 40, 32, BiBitfields, {0xFFFFF000, 0x00000FC0, 0x0000003F}},
};

TEST(BmpReader, BitFieldsAreScaledToEightBits) {
    std::mt19937 random(3);
    for (const FieldCase& c : FieldCases) {
        const std::vector<uint32_t> masks = EffectiveMasks(c);
        const int channels = masks.size() == 4 && masks[3] != 0 ? 4 : 3;
        for (bool topDown : {false, true}) {
            for (int32_t width = 1; width <= 5; ++width) {
                const int32_t height = 3;
                const BmpForm form{.headerSize = c.headerSize,
                                   .bits = c.bits,
                                   .compression = c.compression,
                                   .topDown = topDown,
                                   .masks = c.masks};
                auto values = RandomValues(random, size_t(width) * height, c.bits == 16 ? 0x10000 : 0xFFFFFFFF);
                // Random alpha could come out uniform on small images; these two make it vary.
                if (channels == 4) {
                    values[0] &= ~masks[3];
                    values[1] |= masks[3];
                }
                Picture expected(width, height, channels);
                for (int32_t y = 0; y < height; ++y) {
                    for (int32_t x = 0; x < width; ++x) {
                        const uint32_t v = values[y * width + x];
                        uint8_t* pixel = expected.At(x, y);
                        pixel[0] = ScaleField(v, masks[2]);
                        pixel[1] = ScaleField(v, masks[1]);
                        pixel[2] = ScaleField(v, masks[0]);
                        if (expected.channels == 4) pixel[3] = ScaleField(v, masks[3]);
                    }
                }
                const Bytes file = MakeBmp(form, width, height, PackPixels(values, width, height, c.bits, topDown));
                EXPECT_TRUE(SamePixels(Decode(file).get(), expected))
                    << c.name << ", width " << width << (topDown ? " top-down" : "");
            }
        }
    }
}

TEST(BmpReader, UniformAlphaGivesAnOpaqueImage) {
    // All zero means the writer did not use the field; all full is opaque anyway.
    const BmpForm form{
        .headerSize = 124, .bits = 32, .compression = BiBitfields, .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    auto decode = [&](uint8_t alpha0, uint8_t alpha1) {
        return Decode(MakeBmp(form, 2, 1, {0x33, 0x22, 0x11, alpha0, 0x66, 0x55, 0x44, alpha1}));
    };
    Picture expected(2, 1, 3);
    expected.pixels = {0x33, 0x22, 0x11, 0x66, 0x55, 0x44};
    EXPECT_TRUE(SamePixels(decode(0, 0).get(), expected));
    EXPECT_TRUE(SamePixels(decode(0xFF, 0xFF).get(), expected));

    Picture translucent(2, 1, 4);
    translucent.pixels = {0x33, 0x22, 0x11, 0xFF, 0x66, 0x55, 0x44, 0x80};
    EXPECT_TRUE(SamePixels(decode(0xFF, 0x80).get(), translucent));
}

// Files written out byte by byte, with the expected pixels worked out by hand.
TEST(BmpReader, HandWrittenFilesDecodeAsWorkedOut) {
    const Bytes rgb24 = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        1, 2, 3, 0, 4, 5, 6, 0,  // bottom row, then top row
    };
    Picture expected24(1, 2, 3);
    expected24.pixels = {4, 5, 6, 1, 2, 3};
    EXPECT_TRUE(SamePixels(Decode(rgb24).get(), expected24));

    const Bytes core1 = {
        'B', 'M', 36, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,
        12, 0, 0, 0, 3, 0, 1, 0, 1, 0, 1, 0,
        9, 8, 7, 200, 201, 202,
        0b10100000, 0, 0, 0,
    };
    Picture expected1(3, 1, 3);
    expected1.pixels = {200, 201, 202, 9, 8, 7, 200, 201, 202};
    EXPECT_TRUE(SamePixels(Decode(core1).get(), expected1));

    // 5-bit 16 is 16 * 255 / 31 = 131.6; 6-bit 32 is 32 * 255 / 63 = 129.5 (rounds up).
    const Bytes rgb565 = {
        'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0,
        40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 16, 0, 3, 0, 0, 0, 8, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0,
        0x00, 0xF8, 0x10, 0x04,
    };
    Picture expected565(2, 1, 3);
    expected565.pixels = {0, 0, 255, 132, 130, 0};
    EXPECT_TRUE(SamePixels(Decode(rgb565).get(), expected565));

    // Red 1023 is 255; green 512 is 127.6; blue 3 is 0.75.
    const Bytes rgb101010 = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0,
        40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0, 4, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x00, 0x00, 0xF0, 0x3F, 0x00, 0xFC, 0x0F, 0, 0xFF, 0x03, 0, 0,
        0x03, 0x00, 0xF8, 0x3F,
    };
    Picture expected101010(1, 1, 3);
    expected101010.pixels = {1, 128, 255};
    EXPECT_TRUE(SamePixels(Decode(rgb101010).get(), expected101010));
}

Bytes Palette16() {
    Bytes palette;
    for (int i = 0; i < 16; ++i) {
        palette.insert(palette.end(), {uint8_t(i * 16 + 1), uint8_t(i * 16 + 2), uint8_t(i * 16 + 3)});
    }
    return palette;
}

// Colour i of Palette16, with alpha.
void SetColour16(Picture& picture, int32_t x, int32_t y, int i) {
    uint8_t* pixel = picture.At(x, y);
    pixel[0] = uint8_t(i * 16 + 1);
    pixel[1] = uint8_t(i * 16 + 2);
    pixel[2] = uint8_t(i * 16 + 3);
    if (picture.channels == 4) pixel[3] = 255;
}

TEST(BmpReader, Rle8RunsLiteralsAndDeltas) {
    const BmpForm form{.bits = 8, .compression = BiRle8, .palette = Palette16()};
    const Bytes stream = {
        3, 1, 0, 3, 2, 0, 1, 0,  // bottom row: a run of three 1s, then 2 0 1 and the pad byte
        0, 0,                    // end of line
        2, 2, 0, 2, 2, 0, 1, 0,  // top row: two 2s, skip two, one 0
        0, 1,                    // end of bitmap, the last pixel unwritten
    };
    Picture expected(6, 2, 4);
    const int top[6] = {2, 2, -1, -1, 0, -1};
    const int bottom[6] = {1, 1, 1, 2, 0, 1};
    for (int32_t x = 0; x < 6; ++x) {
        if (top[x] >= 0) SetColour16(expected, x, 0, top[x]);
        SetColour16(expected, x, 1, bottom[x]);
    }
    EXPECT_TRUE(SamePixels(Decode(MakeBmp(form, 6, 2, stream)).get(), expected));
}

TEST(BmpReader, Rle4RunsAlternateNibbles) {
    const BmpForm form{.bits = 4, .compression = BiRle4, .palette = Palette16()};
    const Bytes stream = {
        3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0,  // bottom row: 1 2 1, then literal 3 4 5 6 7 and a pad byte
        0, 0,
        0, 3, 0x9A, 0xB0,                    // top row: literal 9 10 11, no pad needed
        0, 2, 1, 0,                          // skip one pixel
        4, 0xCD,                             // 12 13 12 13
        0, 1,
    };
    Picture expected(8, 2, 4);
    const int top[8] = {9, 10, 11, -1, 12, 13, 12, 13};
    const int bottom[8] = {1, 2, 1, 3, 4, 5, 6, 7};
    for (int32_t x = 0; x < 8; ++x) {
        if (top[x] >= 0) SetColour16(expected, x, 0, top[x]);
        SetColour16(expected, x, 1, bottom[x]);
    }
    EXPECT_TRUE(SamePixels(Decode(MakeBmp(form, 8, 2, stream)).get(), expected));
}

// Encodes a random picture of palette indices as RLE runs and literals, row by
// row, sometimes skipping pixels with deltas or early ends of line.
struct RleCase {
    Bytes stream;
    Picture expected;
};

RleCase RandomRle(std::mt19937& random, int bits, int32_t width, int32_t height, bool topDown) {
    RleCase result{{}, Picture(width, height, 4)};
    Bytes& out = result.stream;
    bool skipped = false;
    auto set = [&](int32_t x, int32_t row, int index) {
        SetColour16(result.expected, x, topDown ? row : height - 1 - row, index);
    };
    for (int32_t row = 0; row < height; ++row) {
        int32_t x = 0;
        while (x < width) {
            const int32_t left = width - x;
            const uint32_t choice = random() % 8;
            if (choice == 0) {
                const int dx = int(random() % uint32_t(left + 1));
                out.insert(out.end(), {0, 2, uint8_t(dx), 0});
                skipped |= dx > 0;
                x += dx;
            } else if (choice == 1) {
                skipped = true;
                break;
            } else if (choice < 5 || left < 3) {
                const int count = 1 + int(random() % uint32_t(left));
                const uint8_t value = uint8_t(random() % (bits == 8 ? 16 : 256));
                out.insert(out.end(), {uint8_t(count), value});
                for (int i = 0; i < count; ++i) {
                    set(x + i, row, bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 15));
                }
                x += count;
            } else {
                const int count = 3 + int(random() % uint32_t(left - 2));
                out.insert(out.end(), {0, uint8_t(count)});
                Bytes literal(bits == 8 ? count : (count + 1) / 2);
                for (int i = 0; i < count; ++i) {
                    const int index = int(random() % 16);
                    set(x + i, row, index);
                    if (bits == 8) literal[i] = uint8_t(index);
                    else literal[i / 2] |= uint8_t(i % 2 == 0 ? index << 4 : index);
                }
                if (literal.size() % 2) literal.push_back(0);
                out.insert(out.end(), literal.begin(), literal.end());
                x += count;
            }
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    if (!skipped) {
        Picture opaque(width, height, 3);
        for (size_t i = 0; i < opaque.pixels.size() / 3; ++i) {
            std::memcpy(&opaque.pixels[3 * i], &result.expected.pixels[4 * i], 3);
        }
        result.expected = opaque;
    }
    return result;
}

TEST(BmpReader, RandomRleStreamsMatchTheirPictures) {
    std::mt19937 random(4);
    for (int bits : {4, 8}) {
        for (bool topDown : {false, true}) {
            for (int32_t width = 1; width <= 12; ++width) {
                for (int round = 0; round < 20; ++round) {
                    const int32_t height = 1 + int32_t(random() % 4);
                    const RleCase c = RandomRle(random, bits, width, height, topDown);
                    const BmpForm form{.bits = bits,
                                       .compression = bits == 8 ? BiRle8 : BiRle4,
                                       .topDown = topDown,
                                       .palette = Palette16()};
                    EXPECT_TRUE(SamePixels(Decode(MakeBmp(form, width, height, c.stream)).get(), c.expected))
                        << bits << " bits, " << width << "x" << height << (topDown ? " top-down" : "")
                        << ", round " << round;
                }
            }
        }
    }
}

TEST(BmpReader, RleRunsOutsideTheImageAreDropped) {
    const BmpForm form{.bits = 8, .compression = BiRle8, .palette = Palette16()};
    const Bytes stream = {
        5, 1, 0, 0,                  // five pixels in a row of three
        0, 4, 2, 3, 4, 5, 0, 0,      // four more
        9, 7, 0, 2, 200, 200, 0, 0,  // below the last row
        0, 1,
    };
    Picture expected(3, 2, 3);
    for (int32_t x = 0; x < 3; ++x) {
        SetColour16(expected, x, 1, 1);
        SetColour16(expected, x, 0, x + 2);
    }
    EXPECT_TRUE(SamePixels(Decode(MakeBmp(form, 3, 2, stream)).get(), expected));
}

TEST(BmpReader, RleStreamMayEndOnceEveryPixelIsWritten) {
    const BmpForm form{.bits = 8, .compression = BiRle8, .palette = Palette16()};
    const Bytes full = {2, 1, 0, 0, 2, 3};
    Picture expected(2, 2, 3);
    for (int32_t x = 0; x < 2; ++x) {
        SetColour16(expected, x, 1, 1);
        SetColour16(expected, x, 0, 3);
    }
    EXPECT_TRUE(SamePixels(Decode(MakeBmp(form, 2, 2, full)).get(), expected));
    for (size_t length = 0; length < full.size(); ++length) {
        const Bytes cut(full.begin(), full.begin() + length);
        EXPECT_EQ(DecodeError(MakeBmp(form, 2, 2, cut)), ImageError::Corrupt) << length << " bytes";
    }
}

Bytes SmallFile(int which) {
    switch (which) {
    case 0: return MakeBmp({}, 3, 2, Bytes(24, 0x40));
    case 1: return MakeBmp({.bits = 4, .palette = Palette16()}, 3, 2, Bytes(8, 0x21));
    case 2: return MakeBmp({.headerSize = 12, .bits = 8, .palette = Bytes(768, 9)}, 3, 2, Bytes(8, 1));
    case 3:
        return MakeBmp({.headerSize = 124, .bits = 16, .compression = BiBitfields, .masks = {0xF800, 0x07E0, 0x001F}},
                       3, 2, Bytes(16, 7));
    default:
        return MakeBmp({.bits = 8, .compression = BiRle8, .palette = Palette16()}, 3, 2,
                       {3, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 0, 0, 1});
    }
}

TEST(BmpReader, EveryTruncationIsRejected) {
    for (int which = 0; which <= 4; ++which) {
        const Bytes file = SmallFile(which);
        ASSERT_NE(Decode(file), nullptr) << "file " << which;
        // The RLE stream is complete once its last literal is read: the pad
        // byte, end of line and end of bitmap after it may be missing.
        const size_t complete = which == 4 ? file.size() - 5 : file.size();
        for (size_t size = 0; size < complete; ++size) {
            ImageError error = ImageError::None;
            EXPECT_EQ(DecodeBmp(file.data(), size, &error), nullptr) << "file " << which << ", " << size << " bytes";
            EXPECT_NE(error, ImageError::None);
        }
    }
}

TEST(BmpReader, PixelOffsetOutsideTheFileIsCorrupt) {
    Bytes file = SmallFile(0);
    Set32(file, 10, uint32_t(file.size()));
    EXPECT_EQ(DecodeError(file), ImageError::Corrupt);
    Set32(file, 10, 0xFFFFFFFF);
    EXPECT_EQ(DecodeError(file), ImageError::Corrupt);
    Set32(file, 10, 20);  // inside the header
    EXPECT_EQ(DecodeError(file), ImageError::Corrupt);
}

TEST(BmpReader, UnusableDimensionsAreRejected) {
    auto withSize = [](int32_t width, int32_t height) {
        Bytes file = SmallFile(0);
        Set32(file, 18, uint32_t(width));
        Set32(file, 22, uint32_t(height));
        return DecodeError(file);
    };
    EXPECT_EQ(withSize(0, 2), ImageError::Corrupt);
    EXPECT_EQ(withSize(-3, 2), ImageError::Corrupt);
    EXPECT_EQ(withSize(3, 0), ImageError::Corrupt);
    EXPECT_EQ(withSize(3, INT32_MIN), ImageError::Corrupt);
    EXPECT_EQ(withSize(100000, 100000), ImageError::TooLarge);
    EXPECT_EQ(withSize(INT32_MAX, -INT32_MAX), ImageError::TooLarge);
    EXPECT_EQ(withSize(30000, 20000), ImageError::TooLarge) << "more than MaxImagePixels";
    // Allowed sizes whose pixels the file does not hold fail before allocating 768 MB.
    EXPECT_EQ(withSize(16000, 16000), ImageError::Corrupt);
    EXPECT_EQ(withSize(16000, -16000), ImageError::Corrupt);
}

TEST(BmpReader, UnfinishedRleStreamOfAHugeImageIsCorrupt) {
    Bytes file = SmallFile(4);
    file.resize(file.size() - 2);  // no end of bitmap
    Set32(file, 18, 16000);
    Set32(file, 22, 16000);
    EXPECT_EQ(DecodeError(file), ImageError::Corrupt);
}

TEST(BmpReader, RleStreamMayClaim4096PixelsPerByte) {
    // An end of bitmap at once: every pixel is skipped and comes out
    // transparent, so only the claimed size tells the two files apart.
    auto skippingAll = [](int32_t width, int32_t height) {
        return MakeBmp({.bits = 8, .compression = BiRle8, .palette = Palette16()}, width, height, {0, 1});
    };
    ImagePtr image = Decode(skippingAll(4096, 2));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->header.biBitCount, 32);
    EXPECT_EQ(DecodeError(skippingAll(4097, 2)), ImageError::Corrupt);
    EXPECT_EQ(DecodeError(skippingAll(16000, 16000)), ImageError::Corrupt);
}

TEST(BmpReader, ColourCountBeyondThePaletteIsCorrupt) {
    for (uint32_t colorsUsed : {17u, 1000u, 0xFFFFFFFFu}) {
        Bytes file = SmallFile(1);
        Set32(file, 46, colorsUsed);
        EXPECT_EQ(DecodeError(file), ImageError::Corrupt) << colorsUsed;
    }
    // Sixteen colours declared, room for two before the pixels and the end of the file.
    const BmpForm shortPalette{.bits = 4, .palette = Bytes(6, 1), .colorsUsed = 16};
    EXPECT_EQ(DecodeError(MakeBmp(shortPalette, 1, 1, Bytes(4, 0))), ImageError::Corrupt);
}

TEST(BmpReader, UnsupportedCompressionIsNotAnImage) {
    for (uint32_t compression : {4u, 5u, 11u, 0x47504A4Du}) {
        Bytes file = SmallFile(0);
        Set32(file, 30, compression);
        EXPECT_EQ(DecodeError(file), ImageError::NotAnImage) << compression;
    }
    // In the 64-byte OS/2 header 3 means Huffman coding, not bit fields.
    const BmpForm os2{.headerSize = 64, .bits = 16, .compression = BiBitfields};
    EXPECT_EQ(DecodeError(MakeBmp(os2, 1, 1, Bytes(4, 0))), ImageError::NotAnImage);
}

TEST(BmpReader, CompressionMustSuitTheDepth) {
    EXPECT_EQ(DecodeError(MakeBmp({.bits = 24, .compression = BiRle8}, 1, 1, {0, 1})), ImageError::Corrupt);
    const BmpForm rle4At8Bits{.bits = 8, .compression = BiRle4, .palette = Palette16()};
    EXPECT_EQ(DecodeError(MakeBmp(rle4At8Bits, 1, 1, {0, 1})), ImageError::Corrupt);
    const BmpForm fieldsAt24Bits{.bits = 24, .compression = BiBitfields, .masks = {0xFF0000, 0xFF00, 0xFF}};
    EXPECT_EQ(DecodeError(MakeBmp(fieldsAt24Bits, 1, 1, Bytes(4, 0))), ImageError::Corrupt);
    EXPECT_EQ(DecodeError(MakeBmp({.bits = 2, .palette = Bytes(12, 0)}, 1, 1, Bytes(4, 0))), ImageError::Corrupt);
}

TEST(BmpReader, BadMasksAreCorrupt) {
    const std::vector<std::vector<uint32_t>> bad = {
        {0, 0x07E0, 0x001F},            // no red
        {0xF800, 0x0FE0, 0x001F},       // green overlaps red
        {0xF800, 0x07E0, 0x0015},       // blue has gaps
        {0x1F0000, 0x07E0, 0x001F},     // red beyond 16 bits
        {0x7C00, 0x03E0, 0x001F, 0x8001},  // alpha overlaps blue
    };
    for (const auto& masks : bad) {
        const BmpForm form{.headerSize = 56, .bits = 16, .compression = BiBitfields, .masks = masks};
        EXPECT_EQ(DecodeError(MakeBmp(form, 1, 1, Bytes(4, 0))), ImageError::Corrupt)
            << std::hex << masks[0] << " " << masks[1] << " " << masks[2];
    }
}

TEST(BmpReader, OtherFilesAreNotImages) {
    EXPECT_EQ(DecodeError({}), ImageError::NotAnImage);
    Bytes file = SmallFile(0);
    file[0] = 'P';
    EXPECT_EQ(DecodeError(file), ImageError::NotAnImage);
    file = SmallFile(0);
    Set32(file, 14, 16);  // an OS/2 header size this reader does not know
    EXPECT_EQ(DecodeError(file), ImageError::NotAnImage);
}

TEST(BmpReader, ErrorIsOptional) {
    const Bytes file = SmallFile(0);
    EXPECT_EQ(DecodeBmp(file.data(), 10, nullptr), nullptr);
    ImagePtr image(DecodeBmp(file.data(), file.size(), nullptr));
    EXPECT_NE(image, nullptr);
}

Bytes ReadData(const std::string& name) {
    std::ifstream in(std::string(VELMORA_TEST_DATA) + "/bmp/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Reads a binary PAM file of 8-bit RGB or RGB_ALPHA samples.
Picture ReadPam(const Bytes& file) {
    const std::string text(file.begin(), file.end());
    const size_t headerEnd = text.find("ENDHDR\n");
    std::istringstream header(text.substr(0, headerEnd));
    std::string key;
    int32_t width = 0, height = 0;
    int depth = 0;
    while (header >> key) {
        if (key == "WIDTH") header >> width;
        if (key == "HEIGHT") header >> height;
        if (key == "DEPTH") header >> depth;
    }
    Picture picture(width, height, depth);
    const uint8_t* samples = file.data() + headerEnd + 7;
    for (size_t i = 0; i < picture.pixels.size(); i += depth) {
        picture.pixels[i] = samples[i + 2];
        picture.pixels[i + 1] = samples[i + 1];
        picture.pixels[i + 2] = samples[i];
        if (depth == 4) picture.pixels[i + 3] = samples[i + 3];
    }
    return picture;
}

// Files written by ImageMagick, beside the same pictures decoded by it as PAM.
// None has 16-bit pixels: ImageMagick widens those fields by shifting, not
// rounding, so the tests above check them instead.
TEST(BmpReader, ImageMagickFilesMatchTheirDecodedPictures) {
    for (const char* name : {"pal1core", "pal8core", "pal4", "pal8rle", "rgb24", "argb32"}) {
        const Bytes bmp = ReadData(std::string(name) + ".bmp");
        const Bytes pam = ReadData(std::string(name) + ".pam");
        ASSERT_FALSE(bmp.empty() || pam.empty()) << name;
        EXPECT_TRUE(SamePixels(Decode(bmp).get(), ReadPam(pam))) << name;
    }
}

}  // namespace
