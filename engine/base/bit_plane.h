// A drawing's line pixels at one bit each, as the tracer and the distance
// transform read them.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

// One bit per pixel with a clear border one pixel wide all round, so that
// neighbours are read without bounds checks.
class BitPlane {
public:
    bool Allocate(int32_t width, int32_t height) {
        rowWords_ = (int64_t{width} + 2 + 63) / 64;
        size_ = rowWords_ * (int64_t{height} + 2);
        words_.reset(new (std::nothrow) uint64_t[size_]());
        return words_ != nullptr;
    }
    bool CopyOf(const BitPlane& other) {
        rowWords_ = other.rowWords_;
        size_ = other.size_;
        words_.reset(new (std::nothrow) uint64_t[size_]);
        if (words_) std::memcpy(words_.get(), other.words_.get(), size_t(size_) * sizeof(uint64_t));
        return words_ != nullptr;
    }
    // Word i of row y holds pixels 64 * i - 1 to 64 * i + 62.
    uint64_t* Row(int32_t y) const { return words_.get() + (int64_t{y} + 1) * rowWords_; }
    int64_t RowWords() const { return rowWords_; }
    bool Get(int32_t x, int32_t y) const { return (Row(y)[(x + 1) >> 6] >> ((x + 1) & 63)) & 1; }
    void Set(int32_t x, int32_t y) { Row(y)[(x + 1) >> 6] |= uint64_t{1} << ((x + 1) & 63); }
    void Clear(int32_t x, int32_t y) { Row(y)[(x + 1) >> 6] &= ~(uint64_t{1} << ((x + 1) & 63)); }
    int Neighbours(int32_t x, int32_t y) const {
        const unsigned above = Three(Row(y - 1), x), beside = Three(Row(y), x), below = Three(Row(y + 1), x);
        return int((beside >> 2) | (above >> 2 & 1) << 1 | (above >> 1 & 1) << 2 | (above & 1) << 3 |
                   (beside & 1) << 4 | (below & 1) << 5 | (below >> 1 & 1) << 6 | (below >> 2 & 1) << 7);
    }

private:
    // Pixels x - 1, x and x + 1 of a row as bits 0 to 2. Bit x + 2 lies in
    // the row's words, which hold width + 2 bits at least.
    static unsigned Three(const uint64_t* row, int32_t x) {
        const int shift = x & 63;
        uint64_t bits = row[x >> 6] >> shift;
        if (shift > 61) bits |= row[(x >> 6) + 1] << (64 - shift);
        return unsigned(bits & 7);
    }

    int64_t rowWords_ = 0;
    int64_t size_ = 0;
    std::unique_ptr<uint64_t[]> words_;
};
