#include "kernels/bit_packing.h"

#include "base/byte_vector.h"
#include "base/dib.h"

#include <array>

// The fast kernels need SSE2 or NEON (byte_vector.h); without them the row
// kernels are their plain twins.
#if defined(__SSE2__) || defined(__aarch64__)

namespace {

// The fast kernels take 16 pixels at once: 48 bytes in, 2 bytes out.
constexpr int GroupPixels = 16;

constexpr std::array<uint8_t, 256> ReversedBits = [] {
    std::array<uint8_t, 256> table{};
    for (int value = 0; value < 256; ++value) {
        for (int bit = 0; bit < 8; ++bit) {
            if (value & (1 << bit)) table[size_t(value)] |= uint8_t(0x80 >> bit);
        }
    }
    return table;
}();

// The top bits of 16 pixels' 48 bytes put one bit per byte at bits 0 to 47.
// Bits 3i and 3i + 1 of this mask compare each byte with the next one of the
// same pixel.
constexpr uint64_t WithinPixel = [] {
    uint64_t mask = 0;
    for (int i = 0; i < GroupPixels; ++i) mask |= uint64_t{3} << (3 * i);
    return mask;
}();

// Moves bit 3i to bit i for i below 16 (a Morton decode).
uint32_t EveryThirdBit(uint64_t bits) {
    bits &= 0x1249249249249249;
    bits = (bits | bits >> 2) & 0x10c30c30c30c30c3;
    bits = (bits | bits >> 4) & 0x100f00f00f00f00f;
    bits = (bits | bits >> 8) & 0x001f0000ff0000ff;
    bits = (bits | bits >> 16) & 0x001f00000000ffff;
    bits = (bits | bits >> 32) & 0x00000000001fffff;
    return uint32_t(bits);
}

ByteVector16 BlackOrWhite(ByteVector16 v) {
    return Or(IsZero(v), Equal(v, Splat<ByteVector16>(255)));
}

// For the third of a group's 48 bytes starting at byte 16 * part: each
// byte's pixel as one bit of the 6-bit field (bits >> (10 - 5 * part)) & 63,
// where bits holds the group's 16 pixels, the first at bit 15.
constexpr std::array<uint8_t, 16> LaneBits(int part) {
    std::array<uint8_t, 16> lanes{};
    for (int lane = 0; lane < 16; ++lane) {
        const int pixel = (16 * part + lane) / 3;
        lanes[size_t(lane)] = uint8_t(1 << (5 + 5 * part - pixel));
    }
    return lanes;
}
constexpr std::array<uint8_t, 16> Lanes[3] = {LaneBits(0), LaneBits(1), LaneBits(2)};

// 255 in the lanes whose bit is set in field, 0 elsewhere.
ByteVector16 Expand(unsigned field, ByteVector16 lanes) {
    return Equal(And(Splat<ByteVector16>(uint8_t(field & 63)), lanes), lanes);
}

}  // namespace

#endif

bool PackRowPlain(const uint8_t* from, int32_t width, uint8_t* to) {
    for (int32_t x = 0; x < width; x += 8) {
        uint8_t byte = 0;
        for (int32_t i = 0; i < 8 && x + i < width; ++i) {
            const uint8_t* pixel = from + 3 * (x + i);
            if (pixel[0] != pixel[1] || pixel[1] != pixel[2] || (pixel[0] != 0 && pixel[0] != 255)) return false;
            if (pixel[0] == 255) byte |= uint8_t(0x80 >> i);
        }
        to[x / 8] = byte;
    }
    return true;
}

bool PackRow(const uint8_t* from, int32_t width, uint8_t* to) {
    int32_t x = 0;
#if defined(__SSE2__) || defined(__aarch64__)
    for (; x + GroupPixels <= width; x += GroupPixels, from += 3 * GroupPixels, to += 2) {
        const ByteVector16 a = Load<ByteVector16>(from);
        const ByteVector16 b = Load<ByteVector16>(from + 16);
        const ByteVector16 c = Load<ByteVector16>(from + 32);
        if (TopBits(And(And(BlackOrWhite(a), BlackOrWhite(b)), BlackOrWhite(c))) != 0xFFFF) return false;
        // Every byte is 0 or 255, so its top bit tells which.
        const uint64_t top = uint64_t(TopBits(a)) | uint64_t(TopBits(b)) << 16 | uint64_t(TopBits(c)) << 32;
        if (((top ^ (top >> 1)) & WithinPixel) != 0) return false;
        const uint32_t pixels = EveryThirdBit(top);
        to[0] = ReversedBits[pixels & 0xFF];
        to[1] = ReversedBits[pixels >> 8];
    }
#endif
    return PackRowPlain(from, width - x, to);
}

void UnpackRowPlain(const uint8_t* from, int32_t width, uint8_t* to) {
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t value = (from[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
        to[3 * x] = to[3 * x + 1] = to[3 * x + 2] = value;
    }
}

void UnpackRow(const uint8_t* from, int32_t width, uint8_t* to) {
    int32_t x = 0;
#if defined(__SSE2__) || defined(__aarch64__)
    const ByteVector16 lanes[3] = {Load<ByteVector16>(Lanes[0].data()), Load<ByteVector16>(Lanes[1].data()),
                                   Load<ByteVector16>(Lanes[2].data())};
    for (; x + GroupPixels <= width; x += GroupPixels, from += 2, to += 3 * GroupPixels) {
        const unsigned bits = unsigned(from[0]) << 8 | from[1];
        Store(to, Expand(bits >> 10, lanes[0]));
        Store(to + 16, Expand(bits >> 5, lanes[1]));
        Store(to + 32, Expand(bits, lanes[2]));
    }
#endif
    UnpackRowPlain(from, width - x, to);
}

DibHandle PackBlackAndWhite(DibHandle image, ImageError* error) {
    *error = ImageError::None;
    const int32_t width = image->header.biWidth;
    const int32_t height = image->header.biHeight;
    DibPtr packed(DibCreate(width, height, 1, error));
    if (!packed) return nullptr;
    const int64_t stride = DibStride(width, 24);
    const int64_t packedStride = DibStride(width, 1);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* from = image->pixels.get() + row * stride;
        bool kept = PackRow(from, width, packed->pixels.get() + row * packedStride);
        // Unpacking writes zero padding, so only such padding is given back.
        for (int64_t i = 3 * int64_t{width}; i < stride; ++i) kept = kept && from[i] == 0;
        if (!kept) return nullptr;
    }
    packed->header.biXPelsPerMeter = image->header.biXPelsPerMeter;
    packed->header.biYPelsPerMeter = image->header.biYPelsPerMeter;
    return packed.release();
}

bool IsPacked(DibHandle image) {
    return image && image->header.biBitCount == 1;
}

void UnpackInto(DibHandle packed, DibHandle image) {
    const int32_t width = image->header.biWidth;
    const int64_t stride = DibStride(width, 24);
    const int64_t packedStride = DibStride(width, 1);
    for (int32_t row = 0; row < image->header.biHeight; ++row) {
        uint8_t* to = image->pixels.get() + row * stride;
        UnpackRow(packed->pixels.get() + row * packedStride, width, to);
        for (int64_t i = 3 * int64_t{width}; i < stride; ++i) to[i] = 0;
    }
    image->header.biXPelsPerMeter = packed->header.biXPelsPerMeter;
    image->header.biYPelsPerMeter = packed->header.biYPelsPerMeter;
}
