// The mutator of both targets: libFuzzer's own mutations, after which every
// complete PNG chunk gets its correct checksum again. Without this nearly
// every mutated PNG would stop at the checksum test and never reach the
// decoder; the test itself is covered by the unit tests.
#include "codecs/container_checks.h"

#include <cstddef>
#include <cstdint>

#include <zlib.h>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

void WriteBigEndian32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int /*seed*/) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (!LooksLikePng(data, size)) return size;
    size_t offset = 8;
    while (size - offset >= 12) {
        const size_t length = ReadBigEndian32(data + offset);
        if (length > size - offset - 12) break;
        WriteBigEndian32(data + offset + 8 + length, static_cast<uint32_t>(crc32(0, data + offset + 4, static_cast<uInt>(length + 4))));
        offset += length + 12;
    }
    return size;
}
