#include "container_checks.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Appends byte by byte: GCC 12 at -O3 wrongly reports the inserts of
// std::vector as out of bounds (-Warray-bounds).
void Append(Bytes& to, const Bytes& part) {
    for (uint8_t byte : part) to.push_back(byte);
}

bool Valid(const Bytes& bytes) {
    return JpegStructureValid(bytes.data(), bytes.size());
}

// A frame header segment of 8-bit samples with one component for each
// sampling byte (horizontal factor in the high nibble, vertical in the low).
Bytes Frame(uint8_t marker, int width, int height, std::initializer_list<uint8_t> sampling, uint8_t quantisation = 0) {
    Bytes segment = {0xFF,
                     marker,
                     0,
                     uint8_t(8 + 3 * sampling.size()),
                     8,
                     uint8_t(height >> 8),
                     uint8_t(height),
                     uint8_t(width >> 8),
                     uint8_t(width),
                     uint8_t(sampling.size())};
    uint8_t id = 1;
    for (uint8_t factors : sampling) Append(segment, {id++, factors, quantisation});
    return segment;
}

// A scan header for one component with the given Huffman tables (DC in the
// high nibble, AC in the low), spectral selection and successive
// approximation, then codedBytes bytes of entropy-coded data.
Bytes ScanOf(uint8_t component, uint8_t huffman, uint8_t start, uint8_t end, uint8_t approximation, size_t codedBytes) {
    Bytes scan = {0xFF, 0xDA, 0x00, 0x08, 0x01, component, huffman, start, end, approximation};
    Append(scan, Bytes(codedBytes, 0x55));
    return scan;
}

// A sequential scan of component 1 with DC and AC tables 0.
Bytes Scan(size_t codedBytes) {
    return ScanOf(1, 0x00, 0, 63, 0, codedBytes);
}

// Quantisation table 0 and Huffman tables 0 of both classes.
Bytes Tables() {
    Bytes tables = {0xFF, 0xDB, 0x00, 0x43, 0x00};
    Append(tables, Bytes(64, 1));
    Append(tables, {0xFF, 0xC4, 0x00, 0x26});
    for (int classAndNumber : {0x00, 0x10}) {
        tables.push_back(uint8_t(classAndNumber));
        tables.push_back(1);
        Append(tables, Bytes(15, 0));
        tables.push_back(0);
    }
    return tables;
}

// Start-of-image, the tables, the parts, end-of-image.
Bytes Jpeg(std::initializer_list<Bytes> parts, const Bytes& tables = Tables()) {
    Bytes bytes = {0xFF, 0xD8};
    Append(bytes, tables);
    for (const Bytes& part : parts) Append(bytes, part);
    Append(bytes, {0xFF, 0xD9});
    return bytes;
}

}  // namespace

TEST(JpegStructureValid, NeedsTheEndMarkerAfterTheScan) {
    // SOI, an APP1 segment whose payload holds a thumbnail's end marker, the
    // tables, a frame of one 8 x 8 block, a scan whose entropy data holds a
    // stuffed byte and a restart marker, then EOI.
    Bytes whole = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xD9, 0x00, 0x00};
    Append(whole, Tables());
    Append(whole, Frame(0xC0, 8, 8, {0x11}));
    Append(whole, Scan(0));
    Append(whole, {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xD9});
    EXPECT_TRUE(Valid(whole));
    for (size_t length = 0; length < whole.size(); ++length) {
        EXPECT_FALSE(Valid(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)))) << "cut to " << length;
    }
}

TEST(JpegStructureValid, RejectsASegmentLongerThanTheFile) {
    EXPECT_FALSE(Valid({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0x00, 0xFF, 0xD9}));
    EXPECT_FALSE(Valid({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xD9}));
}

TEST(JpegStructureValid, NeedsOneFrameHeaderBeforeTheFirstScan) {
    EXPECT_TRUE(Valid(Jpeg({Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
    EXPECT_FALSE(Valid(Jpeg({Scan(1), Frame(0xC0, 8, 8, {0x11})})));
    EXPECT_FALSE(Valid(Jpeg({Scan(1)})));
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC2, 8, 8, {0x11})})));
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC0, 8, 8, {0x11}), Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC0, 8, 0, {0x11}), Scan(1)}))) << "a height given only later";
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC0, 8, 8, {0x10}), Scan(1)}))) << "a sampling factor of 0";
}

TEST(JpegStructureValid, NeedsOneBitOfCodedDataForEveryBlock) {
    // Grey 24 x 24: 9 blocks.
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC0, 24, 24, {0x11}), Scan(1)})));
    EXPECT_TRUE(Valid(Jpeg({Frame(0xC0, 24, 24, {0x11}), Scan(2)})));
    // Colour 32 x 32 with chroma halved both ways: 16 + 4 + 4 blocks.
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC0, 32, 32, {0x22, 0x11, 0x11}), Scan(2)})));
    EXPECT_TRUE(Valid(Jpeg({Frame(0xC0, 32, 32, {0x22, 0x11, 0x11}), Scan(3)})));
    // Partial blocks count whole: 17 x 9 grey is 3 x 2 blocks.
    EXPECT_TRUE(Valid(Jpeg({Frame(0xC2, 17, 9, {0x11}), Scan(1)})));
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC2, 60000, 60000, {0x11}), Scan(1000)})));
    // Data may be spread over several scans.
    EXPECT_TRUE(Valid(Jpeg({Frame(0xC2, 24, 24, {0x11}), Scan(1), Scan(1)})));
}

TEST(JpegStructureValid, AllowsAtMostMaxJpegScans) {
    Bytes many = {0xFF, 0xD8};
    Append(many, Tables());
    Append(many, Frame(0xC2, 8, 8, {0x11}));
    for (int i = 0; i < MaxJpegScans; ++i) Append(many, Scan(1));
    Bytes oneMore = many;
    Append(oneMore, Scan(1));
    Append(many, {0xFF, 0xD9});
    Append(oneMore, {0xFF, 0xD9});
    EXPECT_TRUE(Valid(many));
    EXPECT_FALSE(Valid(oneMore));
}

TEST(JpegStructureValid, RejectsAHuffmanTableWithMoreThan256Codes) {
    // Two tables in one segment: class 0 number 0 with 12 codes, then class
    // 1 number 1 whose counts add up to limit.
    auto segment = [](int codes) {
        Bytes table = {0xFF, 0xC4, 0, 0, 0x00, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
        Append(table, Bytes(12, 0x07));
        table.push_back(0x11);
        for (int i = 0; i < 16; ++i) table.push_back(uint8_t(i < codes / 255 ? 255 : i == codes / 255 ? codes % 255 : 0));
        Append(table, Bytes(size_t(codes), 0x01));
        const size_t length = table.size() - 2;
        table[2] = uint8_t(length >> 8);
        table[3] = uint8_t(length);
        return table;
    };
    EXPECT_TRUE(Valid(Jpeg({segment(256), Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
    EXPECT_FALSE(Valid(Jpeg({segment(257), Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
    Bytes badClass = segment(10);
    badClass[4] = 0x20;
    EXPECT_FALSE(Valid(Jpeg({badClass, Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
    Bytes cut = segment(10);
    cut[3] = uint8_t(cut[3] - 1);
    EXPECT_FALSE(Valid(Jpeg({cut, Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
}

TEST(PngStructureValid, RejectsAFileWithoutChunks) {
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_TRUE(LooksLikePng(signature, 8));
    EXPECT_FALSE(PngStructureValid(signature, 8));
}

TEST(PngStructureValid, RefusesTheLargestClaimWithoutOverflow) {
    // IHDR of 16-bit RGBA whose raw size, 2^64 + 688 bytes, does not fit 64
    // bits (wrapped, it would pass for 688 bytes), an empty IDAT and IEND.
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto chunk = [&png](const char* type, const Bytes& body) {
        const size_t start = png.size();
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(body.size() >> shift));
        Append(png, Bytes(type, type + 4));
        Append(png, body);
        const uint32_t crc = Crc32(png.data() + start + 4, body.size() + 4);
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(crc >> shift));
    };
    chunk("IHDR", {0xFD, 0x34, 0x51, 0x60, 0x20, 0x5A, 0x72, 0xB0, 16, 6, 0, 0, 0});
    chunk("IDAT", {});
    chunk("IEND", {});
    EXPECT_FALSE(PngStructureValid(png.data(), png.size()));
}

TEST(Crc32, MatchesTheKnownCheckValue) {
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(digits, sizeof digits), 0xCBF43926u);
}

TEST(JpegStructureValid, ScansNameOnlyTablesAndComponentsDefinedBeforeThem) {
    const Bytes frame = Frame(0xC0, 8, 8, {0x11});
    EXPECT_TRUE(Valid(Jpeg({frame, Scan(1)})));
    EXPECT_FALSE(Valid(Jpeg({frame, ScanOf(2, 0x00, 0, 63, 0, 1)}))) << "a component the frame lacks";
    EXPECT_FALSE(Valid(Jpeg({frame, ScanOf(1, 0x10, 0, 63, 0, 1)}))) << "DC table 1";
    EXPECT_FALSE(Valid(Jpeg({frame, ScanOf(1, 0x03, 0, 63, 0, 1)}))) << "AC table 3";
    EXPECT_FALSE(Valid(Jpeg({Frame(0xC0, 8, 8, {0x11}, 2), Scan(1)}))) << "quantisation table 2";
    // Tables defined after the frame header still count, after the scan not.
    EXPECT_TRUE(Valid(Jpeg({frame, Tables(), Scan(1)}, {})));
    EXPECT_FALSE(Valid(Jpeg({frame, Scan(1), Tables()}, {})));
    Bytes sameIdTwice = Frame(0xC0, 8, 8, {0x11, 0x11});
    sameIdTwice[13] = 1;
    EXPECT_FALSE(Valid(Jpeg({sameIdTwice, Scan(1)})));
}

TEST(JpegStructureValid, ProgressiveScansNeedOnlyTheTablesTheirPassUses) {
    const Bytes frame = Frame(0xC2, 8, 8, {0x11});
    // DC first pass, DC refinement, AC pass: Huffman table 3 of the class that
    // the pass does not use is never read.
    EXPECT_TRUE(Valid(Jpeg({frame, ScanOf(1, 0x03, 0, 0, 0x00, 1)})));
    EXPECT_TRUE(Valid(Jpeg({frame, ScanOf(1, 0x33, 0, 0, 0x10, 1)})));
    EXPECT_TRUE(Valid(Jpeg({frame, ScanOf(1, 0x30, 1, 63, 0x00, 1)})));
    EXPECT_FALSE(Valid(Jpeg({frame, ScanOf(1, 0x30, 0, 0, 0x00, 1)})));
    EXPECT_FALSE(Valid(Jpeg({frame, ScanOf(1, 0x03, 1, 63, 0x10, 1)})));
}

TEST(JpegStructureValid, RejectsBrokenQuantisationTables) {
    Bytes sixteenBit = {0xFF, 0xDB, 0x00, 0x83, 0x10};
    Append(sixteenBit, Bytes(128, 1));
    EXPECT_TRUE(Valid(Jpeg({sixteenBit, Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
    Bytes cut = sixteenBit;
    cut[3] = 0x82;
    cut.pop_back();
    EXPECT_FALSE(Valid(Jpeg({cut, Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
    Bytes numberFour = sixteenBit;
    numberFour[4] = 0x14;
    EXPECT_FALSE(Valid(Jpeg({numberFour, Frame(0xC0, 8, 8, {0x11}), Scan(1)})));
}
