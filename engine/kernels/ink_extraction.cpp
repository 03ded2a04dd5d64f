#include "kernels/ink_extraction.h"

#include "kernels/ink_rows.h"

#include <algorithm>
#include <new>

namespace {

// The window's rows and the one leaving it as the next row comes in.
constexpr int LumaRing = InkWindowRows + 1;
constexpr int MarkRing = 3;

using LumaFunction = void (*)(const uint8_t* pixels, uint8_t* luma, int width);
using ColumnsFunction = void (*)(uint16_t* columns, const uint8_t* added, const uint8_t* removed, int width);
using MarksFunction = void (*)(const uint16_t* columns, const uint8_t* luma, uint16_t* sums, uint16_t* marks,
                               int width, int multiplier, int offset);
using OutputFunction = void (*)(const uint16_t* above, const uint16_t* current, const uint16_t* below,
                                uint16_t* grown, uint8_t* out, int width);

struct InkFunctions {
    LumaFunction luma;
    ColumnsFunction columns;
    MarksFunction marks;
    OutputFunction output;
};

InkFunctions InkFunctionsFor(bool thick, InstructionSet set) {
    switch (set) {
    case InstructionSet::Plain:
        break;
#if defined(__SSE2__)
    case InstructionSet::Avx2:
#if !defined(__EMSCRIPTEN__)
        return {InkLumaAvx2, InkColumnsAvx2, InkMarksAvx2, thick ? InkThickOutputAvx2 : InkThinOutputAvx2};
#else
        // WebAssembly has no 32-byte vectors and never chooses AVX2; its
        // build has no AVX2 loops to name.
        [[fallthrough]];
#endif
    case InstructionSet::Sse2:
        return {InkLuma<WordVector16>, InkColumns<WordVector16>, InkMarks<WordVector16>,
                thick ? InkOutput<WordVector16, true> : InkOutput<WordVector16, false>};
#elif defined(__aarch64__)
    case InstructionSet::Neon:
        return {InkLuma<WordVector16>, InkColumns<WordVector16>, InkMarks<WordVector16>,
                thick ? InkOutput<WordVector16, true> : InkOutput<WordVector16, false>};
#endif
    }
    return {InkLuma<void>, InkColumns<void>, InkMarks<void>, thick ? InkOutput<void, true> : InkOutput<void, false>};
}

// How far below the share of the mean a pixel must lie to be ink: a pixel
// at the dark end of a gradient that meets the picture's border, where the
// border repeated beyond it makes the mean brighter, stays paper.
constexpr int InkOffset = 2;

// The share (251 - contrast) / 256 of the mean, as a multiple of the
// window's sum in 65536ths, rounded.
int InkMultiplier(int contrast) {
    return ((251 - std::clamp(contrast, -1, 251)) * 256 + InkMeanScale / 2) / InkMeanScale;
}

}  // namespace

InkRows::InkRows(int width, int height, int thickness, int contrast, InstructionSet set)
    : width_(width), height_(height), thick_(thickness != 0), multiplier_(InkMultiplier(contrast)), set_(set) {
    const int64_t words = int64_t{width} * (MarkRing + 3) + InkWindow;
    memory_ = DibAllocate(2 * words + int64_t{width} * LumaRing);
    if (!memory_) return;
    columns_ = reinterpret_cast<uint16_t*>(memory_.get());
    marks_ = columns_ + width;
    grown_ = marks_ + int64_t{width} * MarkRing;
    sums_ = grown_ + width;
    luma_ = memory_.get() + 2 * words;
}

std::unique_ptr<InkRows> InkRows::Create(int width, int height, int thickness, int contrast, InstructionSet set) {
    if (width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<InkRows> rows(new (std::nothrow) InkRows(width, height, thickness, contrast, set));
    if (!rows || !rows->memory_) return nullptr;
    return rows;
}

int InkRows::Lag(int thickness) {
    return InkReach - 1 + (thickness != 0 ? 1 : 0);
}

uint8_t* InkRows::Luma(int y) const {
    return luma_ + int64_t{std::clamp(y, 0, height_ - 1) % LumaRing} * width_;
}

uint16_t* InkRows::Marks(int y) const {
    return marks_ + int64_t{y % MarkRing} * width_;
}

void InkRows::Put(const uint8_t* source) {
    InkFunctionsFor(thick_, set_).luma(source, Luma(received_++), width_);
}

bool InkRows::Ready() const {
    return taken_ < height_ && received_ >= std::min(taken_ + Lag(thick_) + 1, height_);
}

void InkRows::MarkRow(int y) {
    const InkFunctions functions = InkFunctionsFor(thick_, set_);
    if (y == 0) {
        std::fill(columns_, columns_ + width_, uint16_t{0});
        for (int row = 1 - InkReach; row < InkReach; ++row) {
            const uint8_t* luma = Luma(row);
            for (int x = 0; x < width_; ++x) columns_[x] = uint16_t(columns_[x] + luma[x]);
        }
    } else {
        functions.columns(columns_, Luma(y + InkReach - 1), Luma(y - InkReach), width_);
    }
    functions.marks(columns_, Luma(y), sums_, Marks(y), width_, multiplier_, InkOffset);
}

void InkRows::Take(uint8_t* out) {
    const int y = taken_++;
    const int below = thick_ ? std::min(y + 1, height_ - 1) : y;
    while (marked_ <= below) MarkRow(marked_++);
    const int above = thick_ ? std::max(y - 1, 0) : y;
    InkFunctionsFor(thick_, set_).output(Marks(above), Marks(y), Marks(below), grown_, out, width_);
}

bool ExtractInk(DibHandle source, DibHandle result, int thickness, int contrast, InstructionSet set) {
    const int width = ImgQueryInfo(result)->header->biWidth;
    const int height = ImgQueryInfo(result)->header->biHeight;
    const std::unique_ptr<InkRows> rows = InkRows::Create(width, height, thickness, contrast, set);
    if (!rows) return false;
    // Every step is the same upside down, so the rows go in as they lie in
    // memory, from the picture's bottom row up: the processor fetches memory
    // ahead far better going forward.
    const int64_t stride = Stride24(width);
    const uint8_t* from = ImgQueryInfo(source)->pixels;
    uint8_t* to = ImgQueryInfo(result)->pixels;
    int taken = 0;
    for (int row = 0; row < height; ++row) {
        rows->Put(from + row * stride);
        for (; rows->Ready(); ++taken) rows->Take(to + taken * stride);
    }
    return true;
}
