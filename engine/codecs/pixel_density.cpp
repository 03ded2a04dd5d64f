#include "codecs/pixel_density.h"

#include "codecs/container_checks.h"
#include "codecs/exif_orientation.h"

#include <climits>

namespace {

constexpr uint64_t Inch = 254;       // tenths of a millimetre
constexpr uint64_t Centimetre = 100;

// Both values, or neither.
PixelDensity Both(int64_t x, int64_t y) {
    if (x <= 0 || y <= 0 || x > INT32_MAX || y > INT32_MAX) return {};
    return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

// A RATIONAL of the EXIF block, numerator pixels in denominator units.
int32_t RationalPerMetre(const TiffField& field, uint64_t unit) {
    if (field.type != 5 || field.count != 1) return 0;
    const uint64_t denominator = field.Read32(field.value + 4);
    return denominator == 0 ? 0 : PixelsPerMetre(field.Read32(field.value), unit * denominator);
}

PixelDensity ExifDensity(const uint8_t* file, size_t size) {
    size_t blockSize = 0;
    const uint8_t* block = ExifBlock(file, size, &blockSize);
    TiffField x, y, unit;
    if (!block || !FindTiffField(block, blockSize, 0x011A, &x) || !FindTiffField(block, blockSize, 0x011B, &y)) {
        return {};
    }
    uint64_t perUnit = Inch;
    if (FindTiffField(block, blockSize, 0x0128, &unit)) {
        if (unit.type != 3 || unit.count != 1) return {};
        const uint32_t code = unit.Read16(unit.value);
        if (code != 2 && code != 3) return {};
        perUnit = code == 2 ? Inch : Centimetre;
    }
    return Both(RationalPerMetre(x, perUnit), RationalPerMetre(y, perUnit));
}

// JFIF: version (2 bytes), unit, x density and y density (2 bytes each).
PixelDensity JfifDensity(const uint8_t* file, size_t size) {
    size_t dataSize = 0;
    const uint8_t* jfif = FindJpegSegment(file, size, 0xE0, "JFIF\0", 5, &dataSize);
    if (!jfif || dataSize < 7 || (jfif[2] != 1 && jfif[2] != 2)) return {};
    const uint64_t perUnit = jfif[2] == 1 ? Inch : Centimetre;
    return Both(PixelsPerMetre(uint32_t{jfif[3]} << 8 | jfif[4], perUnit),
                PixelsPerMetre(uint32_t{jfif[5]} << 8 | jfif[6], perUnit));
}

PixelDensity PngDensity(const uint8_t* file, size_t size) {
    size_t dataSize = 0;
    const uint8_t* phys = FindPngChunk(file, size, "pHYs", &dataSize);
    if (!phys || dataSize != 9 || phys[8] != 1) return {};
    return Both(ReadBigEndian32(phys), ReadBigEndian32(phys + 4));
}

// A BMP header of 40 bytes or more holds the pixels per metre at its bytes
// 24 and 28; the 12-byte header has none.
PixelDensity BmpDensity(const uint8_t* file, size_t size) {
    constexpr size_t InfoHeader = 14;
    if (size < InfoHeader + 32) return {};
    const uint8_t* header = file + InfoHeader;
    const uint32_t headerSize = uint32_t{header[0]} | uint32_t{header[1]} << 8 | uint32_t{header[2]} << 16 |
                                uint32_t{header[3]} << 24;
    if (headerSize < 40) return {};
    const auto read = [](const uint8_t* at) {
        return static_cast<int32_t>(uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 |
                                    uint32_t{at[3]} << 24);
    };
    return Both(read(header + 24), read(header + 28));
}

}  // namespace

int32_t PixelsPerMetre(uint64_t pixels, uint64_t length) {
    const uint64_t perMetre = (pixels * 10000 + length / 2) / length;
    return perMetre > INT32_MAX ? 0 : static_cast<int32_t>(perMetre);
}

PixelDensity FilePixelDensity(const uint8_t* file, size_t size) {
    if (!file) return {};
    if (LooksLikeJpeg(file, size)) {
        const PixelDensity jfif = JfifDensity(file, size);
        return jfif.x ? jfif : ExifDensity(file, size);
    }
    if (LooksLikePng(file, size)) return PngDensity(file, size);
    if (size >= 2 && file[0] == 'B' && file[1] == 'M') return BmpDensity(file, size);
    return {};
}
