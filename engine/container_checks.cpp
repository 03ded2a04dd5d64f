#include "container_checks.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

const std::array<uint32_t, 256> CrcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Bytes of filtered, uncompressed image data that IHDR implies (one filter
// byte per row; interlaced images need a little more, which only raises the
// true size above this bound), UINT64_MAX when that does not fit.
uint64_t PngRawSize(const uint8_t* header) {
    const uint64_t width = ReadBigEndian32(header);
    const uint64_t height = ReadBigEndian32(header + 4);
    const uint64_t bitDepth = header[8];
    const uint8_t colourType = header[9];
    const uint64_t channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const uint64_t rowSize = (width * channels * bitDepth + 7) / 8 + 1;
    return height != 0 && rowSize > UINT64_MAX / height ? UINT64_MAX : rowSize * height;
}

// Start-of-frame markers: C0 to CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsJpegFrameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

constexpr uint8_t NoTable = 0xFF;

// What the segments read so far have defined. The decoder uses whatever
// tables a scan names, defined or not, reading memory that nothing wrote,
// so a scan may only name tables that came before it.
struct JpegTables {
    uint8_t dc = 0;  // bit n: Huffman table n of that class is defined
    uint8_t ac = 0;
    uint8_t quantisation = 0;
    bool progressive = false;
    std::array<uint8_t, 256> quantisationOfComponent{};  // by component id
};

// Reads a frame header (the segment after its length field): its components
// and their quantisation tables into tables. Returns the 8 x 8 blocks that
// the components cover, each at its own sampling; 0 when the header is
// malformed or leaves the height to a later marker.
uint64_t ReadJpegFrame(uint8_t marker, const uint8_t* frame, size_t length, JpegTables& tables) {
    if (length < 6) return 0;
    const uint64_t height = uint64_t{frame[1]} << 8 | frame[2];
    const uint64_t width = uint64_t{frame[3]} << 8 | frame[4];
    const size_t components = frame[5];
    if (components == 0 || length != 6 + 3 * components) return 0;
    const uint8_t* component = frame + 6;  // id, sampling factors, quantisation table
    tables.quantisationOfComponent.fill(NoTable);
    tables.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    uint64_t hMax = 0;
    uint64_t vMax = 0;
    for (size_t i = 0; i < components; ++i) {
        const uint8_t* c = component + 3 * i;
        const uint64_t h = c[1] >> 4;
        const uint64_t v = c[1] & 15;
        if (h == 0 || v == 0 || c[2] > 3 || tables.quantisationOfComponent[c[0]] != NoTable) return 0;
        tables.quantisationOfComponent[c[0]] = c[2];
        hMax = std::max(hMax, h);
        vMax = std::max(vMax, v);
    }
    uint64_t blocks = 0;
    for (size_t i = 0; i < components; ++i) {
        const uint8_t* c = component + 3 * i;
        const uint64_t columns = (width * (c[1] >> 4) + hMax - 1) / hMax;
        const uint64_t rows = (height * (c[1] & 15) + vMax - 1) / vMax;
        blocks += (columns + 7) / 8 * ((rows + 7) / 8);
    }
    return blocks;
}

// Reads a DHT segment (after its length field) into tables: whole tables,
// each of class 0 or 1 and number 0 to 3 with at most 256 codes, as the
// decoder fills fixed arrays of 256 entries from the counts without checking
// them.
bool ReadJpegHuffmanTables(const uint8_t* segment, size_t length, JpegTables& tables) {
    size_t offset = 0;
    while (offset < length) {
        const uint8_t classAndNumber = segment[offset];
        if (length - offset < 17 || classAndNumber >> 4 > 1 || (classAndNumber & 15) > 3) return false;
        size_t codes = 0;
        for (int i = 1; i <= 16; ++i) codes += segment[offset + i];
        if (codes > 256 || codes > length - offset - 17) return false;
        (classAndNumber >> 4 ? tables.ac : tables.dc) |= uint8_t(1 << (classAndNumber & 15));
        offset += 17 + codes;
    }
    return true;
}

// Reads a DQT segment (after its length field) into tables: whole tables of
// 8- or 16-bit values, numbered 0 to 3.
bool ReadJpegQuantisationTables(const uint8_t* segment, size_t length, JpegTables& tables) {
    size_t offset = 0;
    while (offset < length) {
        const uint8_t precisionAndNumber = segment[offset];
        if (precisionAndNumber >> 4 > 1 || (precisionAndNumber & 15) > 3) return false;
        const size_t tableSize = precisionAndNumber >> 4 ? 129 : 65;
        if (length - offset < tableSize) return false;
        tables.quantisation |= uint8_t(1 << (precisionAndNumber & 15));
        offset += tableSize;
    }
    return true;
}

// Whether a scan header (after its length field) is whole and names only
// components of the frame and tables already defined. A progressive scan
// uses the DC tables only in its first pass over the DC coefficients and the
// AC tables only for AC coefficients.
bool JpegScanTablesDefined(const uint8_t* scan, size_t length, const JpegTables& tables) {
    if (length < 1) return false;
    const size_t components = scan[0];
    if (components == 0 || components > 4 || length != 4 + 2 * components) return false;
    const uint8_t spectralStart = scan[1 + 2 * components];
    const uint8_t approximationHigh = scan[3 + 2 * components] >> 4;
    const bool usesDc = !tables.progressive || (spectralStart == 0 && approximationHigh == 0);
    const bool usesAc = !tables.progressive || spectralStart > 0;
    for (size_t i = 0; i < components; ++i) {
        const uint8_t quantisation = tables.quantisationOfComponent[scan[1 + 2 * i]];
        const uint8_t huffman = scan[2 + 2 * i];
        if (quantisation == NoTable || !(tables.quantisation >> quantisation & 1)) return false;
        if (usesDc && !(tables.dc >> (huffman >> 4) & 1)) return false;
        if (usesAc && !(tables.ac >> (huffman & 15) & 1)) return false;
    }
    return true;
}

void AppendBigEndian32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

uint32_t Crc32(const uint8_t* bytes, size_t size) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = CrcTable[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool LooksLikePng(const uint8_t* data, size_t size) {
    return size >= sizeof PngSignature && std::memcmp(data, PngSignature, sizeof PngSignature) == 0;
}

bool LooksLikeJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool PngStructureValid(const uint8_t* data, size_t size) {
    if (!LooksLikePng(data, size)) return false;
    size_t offset = sizeof PngSignature;
    uint64_t rawSize = 0;
    uint64_t compressedSize = 0;
    bool first = true;
    while (size - offset >= 12) {
        const uint64_t length = ReadBigEndian32(data + offset);
        const uint8_t* type = data + offset + 4;
        if (length > size - offset - 12) return false;
        const uint8_t* body = type + 4;
        if (ReadBigEndian32(body + length) != Crc32(type, length + 4)) return false;
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (first != isHeader) return false;
        if (isHeader) {
            if (length != 13) return false;
            rawSize = PngRawSize(body);
        }
        if (std::memcmp(type, "IDAT", 4) == 0) compressedSize += length;
        if (std::memcmp(type, "IEND", 4) == 0) return compressedSize * 1032 + 1024 >= rawSize;
        first = false;
        offset += length + 12;
    }
    return false;
}

std::vector<uint8_t> PngWithFullPalette(const uint8_t* png, size_t size) {
    constexpr size_t ColourTypeOffset = 8 + 8 + 9;
    constexpr size_t FullPalette = 3 * 256;
    if (png[ColourTypeOffset] != 3) return {};
    size_t offset = 8;
    while (size - offset >= 12) {
        const size_t length = ReadBigEndian32(png + offset);
        const uint8_t* type = png + offset + 4;
        if (std::memcmp(type, "IEND", 4) == 0) break;
        if (std::memcmp(type, "PLTE", 4) == 0) {
            if (length >= FullPalette || length % 3 != 0) return {};
            std::vector<uint8_t> copy(png, png + offset);
            copy.reserve(size + FullPalette);
            AppendBigEndian32(copy, FullPalette);
            const size_t chunkStart = copy.size();
            copy.insert(copy.end(), type, type + 4 + length);
            copy.resize(chunkStart + 4 + FullPalette, 0);
            AppendBigEndian32(copy, Crc32(copy.data() + chunkStart, 4 + FullPalette));
            copy.insert(copy.end(), png + offset + 12 + length, png + size);
            return copy;
        }
        offset += 12 + length;
    }
    return {};
}

bool JpegStructureValid(const uint8_t* data, size_t size) {
    if (!LooksLikeJpeg(data, size)) return false;
    size_t offset = 2;
    bool inScan = false;
    uint64_t blocks = 0;  // claimed by the frame header; 0 before it
    uint64_t codedBytes = 0;
    int scans = 0;
    JpegTables tables;
    while (offset < size) {
        if (inScan) {
            // Entropy-coded data: a 0xFF byte is followed by a stuffed zero or
            // a restart marker; anything else starts the next segment.
            if (data[offset] != 0xFF) {
                ++offset;
                ++codedBytes;
                continue;
            }
            if (offset + 1 >= size) return false;
            const uint8_t next = data[offset + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                offset += next == 0xFF ? 1 : 2;
                codedBytes += next == 0x00;
                continue;
            }
            inScan = false;
        }
        if (data[offset] != 0xFF) return false;
        while (offset < size && data[offset] == 0xFF) ++offset;  // fill bytes
        if (offset >= size) return false;
        const uint8_t marker = data[offset++];
        if (marker == 0xD9) return blocks != 0 && codedBytes * 8 >= blocks;
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (size - offset < 2) return false;
        const size_t length = size_t{data[offset]} << 8 | data[offset + 1];
        if (length < 2 || length > size - offset) return false;
        const uint8_t* segment = data + offset + 2;
        if (IsJpegFrameMarker(marker)) {
            if (blocks != 0) return false;
            blocks = ReadJpegFrame(marker, segment, length - 2, tables);
            if (blocks == 0) return false;
        }
        if (marker == 0xC4 && !ReadJpegHuffmanTables(segment, length - 2, tables)) return false;
        if (marker == 0xDB && !ReadJpegQuantisationTables(segment, length - 2, tables)) return false;
        if (marker == 0xDA) {
            if (blocks == 0 || ++scans > MaxJpegScans || !JpegScanTablesDefined(segment, length - 2, tables)) return false;
        }
        offset += length;
        inScan = marker == 0xDA;
    }
    return false;
}
