#include "codecs/bmp_reader.h"

#include "base/dib.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint32_t BiRgb = 0;
constexpr uint32_t BiRle8 = 1;
constexpr uint32_t BiRle4 = 2;
constexpr uint32_t BiBitfields = 3;
constexpr uint32_t BiAlphaBitfields = 6;

constexpr int64_t FileHeaderSize = 14;
constexpr int64_t CoreHeaderSize = 12;
constexpr int64_t Os2HeaderSize = 64;
// The most pixels an RLE bitmap may claim for each byte of its stream. A
// stream that spells out every pixel covers at most 127.5 pixels a byte; this
// leaves room for rows left empty by end-of-line escapes, up to 8192 pixels
// wide, and refuses a few bytes that claim a large image.
constexpr int64_t MaxRlePixelsPerByte = 4096;
// Bit masks sit at the same place in the file whether they belong to a
// larger header or follow a 40-byte one: red, green, blue, then alpha.
constexpr int64_t MasksOffset = FileHeaderSize + 40;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Read32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

DibHandle Fail(ImageError why, ImageError* error) {
    if (error) *error = why;
    return nullptr;
}

// One field of a bit-field pixel, scaled to 8 bits with rounding.
class Channel {
public:
    Channel() = default;

    explicit Channel(uint32_t mask) : mask_(mask) {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        max_ = mask >> shift_;
        // Up to 16 bits a table is cheaper than the division per pixel.
        if (max_ <= 0xFFFF) {
            table_.resize(max_ + 1);
            for (uint32_t v = 0; v <= max_; ++v) table_[v] = Scale8(v);
        }
    }

    uint32_t mask() const { return mask_; }

    uint8_t operator()(uint32_t pixel) const {
        const uint32_t v = (pixel & mask_) >> shift_;
        return table_.empty() ? Scale8(v) : table_[v];
    }

private:
    uint8_t Scale8(uint32_t v) const {
        return static_cast<uint8_t>((uint64_t{v} * 255 + max_ / 2) / max_);
    }

    uint32_t mask_ = 0;
    int shift_ = 0;
    uint32_t max_ = 0;
    std::vector<uint8_t> table_;
};

// Everything the decoders need, taken from the headers.
struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;  // rows, always positive
    bool topDown = false;
    int bits = 0;
    uint32_t compression = BiRgb;
    Channel red, green, blue, alpha;  // 16 and 32 bits per pixel
    uint8_t palette[256][3] = {};     // blue, green, red; entries the file lacks are black
    const uint8_t* pixels = nullptr;  // from bfOffBits to the end of the file
    int64_t pixelBytes = 0;
};

bool IsContiguous(uint32_t mask) {
    if (mask == 0) return true;
    const uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

ImageError ReadMasks(const uint8_t* data, int64_t size, int64_t headerSize, BmpLayout& layout,
                     int64_t* tablesEnd) {
    if (layout.bits != 16 && layout.bits != 32) return ImageError::Corrupt;
    // Headers from 56 bytes on carry an alpha mask; a 40- or 52-byte header
    // has one only with BI_ALPHABITFIELDS.
    const int maskCount = layout.compression == BiAlphaBitfields || headerSize >= 56 ? 4 : 3;
    const int64_t masksEnd = MasksOffset + 4 * maskCount;
    if (size < masksEnd) return ImageError::Corrupt;
    uint32_t masks[4] = {};
    uint32_t seen = 0;
    for (int i = 0; i < maskCount; ++i) {
        masks[i] = Read32(data + MasksOffset + 4 * i);
        if ((masks[i] & seen) != 0 || !IsContiguous(masks[i])) return ImageError::Corrupt;
        seen |= masks[i];
    }
    if (masks[0] == 0 || masks[1] == 0 || masks[2] == 0) return ImageError::Corrupt;
    if (layout.bits == 16 && seen > 0xFFFF) return ImageError::Corrupt;
    layout.red = Channel(masks[0]);
    layout.green = Channel(masks[1]);
    layout.blue = Channel(masks[2]);
    layout.alpha = Channel(masks[3]);
    *tablesEnd = std::max(*tablesEnd, masksEnd);
    return ImageError::None;
}

ImageError ReadLayout(const uint8_t* data, int64_t size, BmpLayout& layout) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return ImageError::NotAnImage;
    if (size < FileHeaderSize + 4) return ImageError::Corrupt;
    const int64_t headerSize = Read32(data + FileHeaderSize);
    if (headerSize != CoreHeaderSize && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != Os2HeaderSize && headerSize != 108 && headerSize != 124) {
        return ImageError::NotAnImage;
    }
    if (size < FileHeaderSize + headerSize) return ImageError::Corrupt;

    const uint8_t* header = data + FileHeaderSize;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t colorsUsed = 0;
    if (headerSize == CoreHeaderSize) {
        width = Read16(header + 4);
        height = Read16(header + 6);
        layout.bits = Read16(header + 10);
    } else {
        width = static_cast<int32_t>(Read32(header + 4));
        height = static_cast<int32_t>(Read32(header + 8));
        layout.bits = Read16(header + 14);
        layout.compression = Read32(header + 16);
        colorsUsed = Read32(header + 32);
    }
    if (width <= 0 || height == 0 || height == INT32_MIN) return ImageError::Corrupt;
    layout.topDown = height < 0;
    if (layout.topDown) height = -height;
    if (!DibSizeAllowed(width, height, 24)) return ImageError::TooLarge;
    layout.width = static_cast<int32_t>(width);
    layout.height = static_cast<int32_t>(height);

    const int bits = layout.bits;
    int64_t tablesEnd = FileHeaderSize + headerSize;
    const uint32_t compression = layout.compression;
    // The OS/2 header gives 3 and 4 other meanings (Huffman, RLE24).
    if (headerSize == Os2HeaderSize && compression > BiRle4) return ImageError::NotAnImage;
    if (compression == BiRgb) {
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
            return ImageError::Corrupt;
        }
        if (bits == 16) {
            layout.red = Channel(0x7C00);
            layout.green = Channel(0x03E0);
            layout.blue = Channel(0x001F);
        }
    } else if (compression == BiRle8 || compression == BiRle4) {
        if (bits != (compression == BiRle8 ? 8 : 4)) return ImageError::Corrupt;
    } else if (compression == BiBitfields || compression == BiAlphaBitfields) {
        const ImageError masks = ReadMasks(data, size, headerSize, layout, &tablesEnd);
        if (masks != ImageError::None) return masks;
    } else {
        return ImageError::NotAnImage;
    }

    const int64_t pixelOffset = Read32(data + 10);
    if (pixelOffset < tablesEnd || pixelOffset >= size) return ImageError::Corrupt;
    layout.pixels = data + pixelOffset;
    layout.pixelBytes = size - pixelOffset;

    if (bits <= 8) {
        const int64_t maxColors = int64_t{1} << bits;
        if (colorsUsed > maxColors) return ImageError::Corrupt;
        const int64_t entrySize = headerSize == CoreHeaderSize ? 3 : 4;
        if (tablesEnd + colorsUsed * entrySize > size) return ImageError::Corrupt;
        // Without a count (always so in the 12-byte header) the palette has
        // 2^bits entries, but some writers store only those they use and
        // start the pixels right after them: the pixels win.
        const int64_t declared = colorsUsed != 0 ? colorsUsed : maxColors;
        const int64_t count = std::min(declared, (pixelOffset - tablesEnd) / entrySize);
        for (int64_t i = 0; i < count; ++i) {
            std::memcpy(layout.palette[i], data + tablesEnd + i * entrySize, 3);
        }
    }
    return ImageError::None;
}

// Walks an RLE8 or RLE4 stream, writing the pixels it encodes into image, or
// only checking the stream when image is null. Pixels past the end of a row
// or below the last row are dropped. False when the data ends before every
// pixel was reached without an end-of-bitmap escape. *skipped is set when a
// delta or an early end-of-line or end-of-bitmap leaves pixels unwritten.
bool WalkRle(const BmpLayout& layout, DibHandle image, bool* skipped) {
    const uint8_t* p = layout.pixels;
    const uint8_t* const end = p + layout.pixelBytes;
    const int64_t width = layout.width;
    const int64_t height = layout.height;
    const int64_t total = width * height;
    const bool rle4 = layout.compression == BiRle4;
    const int channels = image ? image->header.biBitCount / 8 : 0;

    // y counts rows in file order; x may run past the end of the row.
    int64_t x = 0;
    int64_t y = 0;
    // Pixels before the position in file order: the stream only moves forward,
    // so any increase not made by writing leaves pixels unwritten for good.
    auto reached = [&] { return y < height ? y * width + std::min(x, width) : total; };
    auto moveTo = [&](int64_t newX, int64_t newY) {
        const int64_t before = reached();
        x = newX;
        y = newY;
        if (reached() > before) *skipped = true;
    };
    auto put = [&](int64_t count, auto indexAt) {
        if (image && y < height && x < width) {
            const int64_t n = std::min(count, width - x);
            const auto row = static_cast<int32_t>(layout.topDown ? y : height - 1 - y);
            uint8_t* dst = DibRow(image, row) + x * channels;
            for (int64_t i = 0; i < n; ++i, dst += channels) {
                const uint8_t* colour = layout.palette[indexAt(i)];
                dst[0] = colour[0];
                dst[1] = colour[1];
                dst[2] = colour[2];
                if (channels == 4) dst[3] = 255;
            }
        }
        x += count;
    };

    while (end - p >= 2) {
        const int count = p[0];
        const int value = p[1];
        p += 2;
        if (count > 0) {
            // RLE4 runs alternate the two nibbles of the value.
            put(count, [&](int64_t i) { return rle4 ? (i & 1 ? value & 15 : value >> 4) : value; });
        } else if (value == 0) {
            moveTo(0, y + 1);
        } else if (value == 1) {
            moveTo(0, height);
            return true;
        } else if (value == 2) {
            if (end - p < 2) break;
            moveTo(x + p[0], y + p[1]);
            p += 2;
        } else {
            // Absolute mode: value indices, packed as in uncompressed rows and
            // padded to an even number of bytes.
            const int64_t bytes = rle4 ? (value + 1) / 2 : value;
            if (end - p < bytes) break;
            const uint8_t* literal = p;
            put(value, [&](int64_t i) {
                return rle4 ? (literal[i / 2] >> (i & 1 ? 0 : 4)) & 15 : literal[i];
            });
            p += std::min<int64_t>(bytes + (bytes & 1), end - p);
        }
    }
    return reached() == total;
}

DibHandle DecodeRle(const BmpLayout& layout, ImageError* error) {
    if (int64_t{layout.width} * layout.height > MaxRlePixelsPerByte * layout.pixelBytes) {
        return Fail(ImageError::Corrupt, error);
    }
    // A first pass checks the stream before anything is allocated and tells
    // whether the result needs an alpha channel.
    bool skipped = false;
    if (!WalkRle(layout, nullptr, &skipped)) return Fail(ImageError::Corrupt, error);
    DibHandle image = DibCreate(layout.width, layout.height, skipped ? 32 : 24, error);
    if (!image) return nullptr;
    if (skipped) std::memset(image->pixels.get(), 0, image->info.pixelDataSize);
    WalkRle(layout, image, &skipped);
    return image;
}

uint32_t PixelAt(const uint8_t* row, int64_t x, int bits) {
    return bits == 16 ? Read16(row + 2 * x) : Read32(row + 4 * x);
}

// Whether the alpha field varies: all zero means the writer left it unused.
bool HasTransparency(const BmpLayout& layout, int64_t stride) {
    const uint32_t mask = layout.alpha.mask();
    if (mask == 0) return false;
    bool someNotZero = false;
    bool someNotFull = false;
    for (int64_t y = 0; y < layout.height; ++y) {
        const uint8_t* row = layout.pixels + y * stride;
        for (int64_t x = 0; x < layout.width; ++x) {
            const uint32_t a = PixelAt(row, x, layout.bits) & mask;
            someNotZero |= a != 0;
            someNotFull |= a != mask;
        }
        if (someNotZero && someNotFull) return true;
    }
    return false;
}

void IndexedRow(const BmpLayout& layout, const uint8_t* src, uint8_t* dst) {
    const int bits = layout.bits;
    const int valueMask = (1 << bits) - 1;
    for (int64_t x = 0; x < layout.width; ++x, dst += 3) {
        // The leftmost pixel is in the most significant bits of a byte.
        const int64_t bit = x * bits;
        const int index = (src[bit >> 3] >> (8 - bits - (bit & 7))) & valueMask;
        std::memcpy(dst, layout.palette[index], 3);
    }
}

void BgrxRow(const BmpLayout& layout, const uint8_t* src, uint8_t* dst) {
    for (int64_t x = 0; x < layout.width; ++x, src += 4, dst += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
    }
}

void BitfieldRow(const BmpLayout& layout, const uint8_t* src, uint8_t* dst, int channels) {
    for (int64_t x = 0; x < layout.width; ++x, dst += channels) {
        const uint32_t pixel = PixelAt(src, x, layout.bits);
        dst[0] = layout.blue(pixel);
        dst[1] = layout.green(pixel);
        dst[2] = layout.red(pixel);
        if (channels == 4) dst[3] = layout.alpha(pixel);
    }
}

// Rows of the file are padded to 4 bytes.
int64_t FileStride(const BmpLayout& layout) {
    return (int64_t{layout.width} * layout.bits + 31) / 32 * 4;
}

// Row y of the upright picture, at channels bytes a pixel (4 only for 16 and
// 32 bits per pixel).
void DecodeRow(const BmpLayout& layout, int32_t y, uint8_t* dst, int channels) {
    const uint8_t* src = layout.pixels + (layout.topDown ? y : layout.height - 1 - y) * FileStride(layout);
    if (layout.bits <= 8) {
        IndexedRow(layout, src, dst);
    } else if (layout.bits == 24) {
        std::memcpy(dst, src, size_t{3} * layout.width);
    } else if (layout.bits == 32 && layout.compression == BiRgb) {
        BgrxRow(layout, src, dst);
    } else {
        BitfieldRow(layout, src, dst, channels);
    }
}

// Refuses a bitmap whose rows the file does not hold; else the channels
// its pixels need.
int UncompressedChannels(const BmpLayout& layout, ImageError* error) {
    const int64_t stride = FileStride(layout);
    if (stride * layout.height > layout.pixelBytes) {
        *error = ImageError::Corrupt;
        return 0;
    }
    return layout.bits >= 16 && HasTransparency(layout, stride) ? 4 : 3;
}

DibHandle DecodeUncompressed(const BmpLayout& layout, ImageError* error) {
    ImageError failure = ImageError::None;
    const int channels = UncompressedChannels(layout, &failure);
    if (channels == 0) return Fail(failure, error);
    DibHandle image = DibCreate(layout.width, layout.height, channels * 8, error);
    if (!image) return nullptr;
    for (int32_t y = 0; y < layout.height; ++y) DecodeRow(layout, y, DibRow(image, y), channels);
    return image;
}

}  // namespace

DibHandle DecodeBmp(const uint8_t* data, size_t size, ImageError* error) {
    BmpLayout layout;
    const ImageError failure = ReadLayout(data, static_cast<int64_t>(size), layout);
    if (failure != ImageError::None) return Fail(failure, error);
    const bool rle = layout.compression == BiRle8 || layout.compression == BiRle4;
    DibHandle image = rle ? DecodeRle(layout, error) : DecodeUncompressed(layout, error);
    if (image && error) *error = ImageError::None;
    return image;
}

struct BmpRowLayout : BmpLayout {};

BmpRows::BmpRows() = default;
BmpRows::~BmpRows() = default;

bool BmpRows::Start(const uint8_t* data, size_t size, ImageError* error) {
    layout_.reset(new (std::nothrow) BmpRowLayout);
    if (!layout_) {
        *error = ImageError::OutOfMemory;
        return false;
    }
    *error = ReadLayout(data, static_cast<int64_t>(size), *layout_);
    if (*error != ImageError::None) return false;
    if (layout_->compression == BiRle8 || layout_->compression == BiRle4) return true;
    channels_ = UncompressedChannels(*layout_, error);
    if (channels_ == 4) transparentRow_.reset(new (std::nothrow) uint8_t[4 * size_t(layout_->width)]);
    if (channels_ == 4 && !transparentRow_) *error = ImageError::OutOfMemory;
    return *error == ImageError::None;
}

bool BmpRows::Streams() const {
    return channels_ != 0;
}

int32_t BmpRows::Width() const {
    return layout_->width;
}

int32_t BmpRows::Height() const {
    return layout_->height;
}

bool BmpRows::ReadRow(uint8_t* bgr, ImageError*) {
    if (channels_ == 3) {
        DecodeRow(*layout_, next_++, bgr, 3);
    } else {
        DecodeRow(*layout_, next_++, transparentRow_.get(), 4);
        CompositeOnWhite(transparentRow_.get(), layout_->width, bgr);
    }
    return true;
}
