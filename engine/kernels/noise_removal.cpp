#include "kernels/noise_removal.h"

#include "kernels/dark_marks.h"

#include <cstring>

namespace {

// A pixel position in the marks: x from the left, y from the top.
struct Point {
    int x;
    int y;
};

// The neighbours in the order a search looks at them.
constexpr Point NeighbourSteps[8] = {{-1, 0}, {1, 0}, {-1, -1}, {0, -1}, {1, -1}, {-1, 1}, {0, 1}, {1, 1}};

using MarkDarkRowFunction = void (*)(const uint8_t* pixels, uint8_t* marks, int width);

MarkDarkRowFunction MarkDarkRowFor(InstructionSet set) {
    switch (set) {
    case InstructionSet::Plain:
        return MarkDarkRow<void>;
#if defined(__SSE2__)
    case InstructionSet::Sse2:
        return MarkDarkRow<ByteVector16>;
    case InstructionSet::Avx2:
        return MarkDarkRowAvx2;
#elif defined(__aarch64__)
    case InstructionSet::Neon:
        return MarkDarkRow<ByteVector16>;
#endif
    }
    return MarkDarkRow<void>;
}

// Groups of fewer pixels than this are specks.
int SizeLimit(int thickness) {
    return thickness == 0 ? 3 : 9;
}

// The first mark from `from` on of a pixel no search has collected yet, or
// end when there is none.
uint8_t* NextDark(uint8_t* from, uint8_t* end) {
    void* found = std::memchr(from, MARK_DARK, size_t(end - from));
    return found ? static_cast<uint8_t*>(found) : end;
}

// The marks of the rows a search can reach. The scan leaves no dark pixel
// unsearched above its row y, so a search from row y collects pixels of rows
// y to y + limit - 2 only and reads the marks of rows y - 1 to
// y + limit - 1: a ring of limit + 1 rows holds them all. It stays in the
// cache, and its memory is a few rows however tall the picture is.
struct MarkRows {
    uint8_t* marks;
    int width;
    int rows;
    uint8_t* Row(int y) const { return marks + int64_t{y % rows} * width; }
};

// Collects into group the dark pixels connected to start, breadth first, and
// marks them visited. Returns true, with the search cut short, as soon as
// limit pixels are collected or a retained pixel is touched: the group stays.
// Otherwise count is the whole group, which is smaller than limit.
bool CollectGroup(const MarkRows& marks, int height, Point start, int limit, Point* group, int& count) {
    marks.Row(start.y)[start.x] = MARK_VISITED;
    group[0] = start;
    count = 1;
    for (int head = 0; head < count; ++head) {
        for (const Point step : NeighbourSteps) {
            const int x = group[head].x + step.x;
            const int y = group[head].y + step.y;
            if (static_cast<unsigned>(x) >= static_cast<unsigned>(marks.width) ||
                static_cast<unsigned>(y) >= static_cast<unsigned>(height)) {
                continue;
            }
            uint8_t& mark = marks.Row(y)[x];
            if (mark == MARK_RETAINED) return true;
            if (mark == MARK_DARK) {
                mark = MARK_VISITED;
                group[count++] = {x, y};
                if (count == limit) return true;
            }
        }
    }
    return false;
}

}  // namespace

PixelBuffer SpeckMarksFor(int width, int thickness) {
    return DibAllocate(int64_t{width} * SpeckRemover::RingRows(thickness));
}

int SpeckRemover::RingRows(int thickness) {
    return SizeLimit(thickness) + 1;
}

int SpeckRemover::Lag(int thickness) {
    return SizeLimit(thickness) - 1;
}

SpeckRemover::SpeckRemover(PixelRows pixels, int width, int height, int thickness, uint8_t* marks,
                           InstructionSet set)
    : pixels_(pixels), width_(width), height_(height), limit_(SizeLimit(thickness)), marks_(marks),
      markDarkRow_(MarkDarkRowFor(set)) {}

// Rows are marked Lag rows ahead of the scan, as far down as its searches
// read, each into the ring row of the row two above the scan, which no
// search reads any more.
void SpeckRemover::Put(int y) {
    const MarkRows marks = {marks_, width_, limit_ + 1};
    markDarkRow_(pixels_.Row(y), marks.Row(y), width_);
    if (y >= limit_ - 1) Scan(y - (limit_ - 1));
}

void SpeckRemover::End() {
    while (scanned_ < height_) Scan(scanned_);
}

void SpeckRemover::Scan(int y) {
    const MarkRows marks = {marks_, width_, limit_ + 1};
    Point group[9];
    uint8_t* row = marks.Row(y);
    uint8_t* end = row + width_;
    for (uint8_t* found = NextDark(row, end); found != end; found = NextDark(found + 1, end)) {
        int count = 0;
        const bool retained = CollectGroup(marks, height_, {int(found - row), y}, limit_, group, count);
        for (int i = 0; i < count; ++i) {
            const Point p = group[i];
            marks.Row(p.y)[p.x] = retained ? MARK_RETAINED : MARK_BACKGROUND;
            if (!retained) {
                uint8_t* pixel = pixels_.Row(p.y) + 3 * p.x;
                pixel[0] = pixel[1] = pixel[2] = 255;
            }
        }
    }
    scanned_ = y + 1;
}

bool RemoveSpecks(DibHandle image, int thickness) {
    return RemoveSpecks(image, thickness, WidestInstructionSet());
}

bool RemoveSpecks(DibHandle image, int thickness, InstructionSet set) {
    const PixelBuffer ring = SpeckMarksFor(ImgQueryInfo(image)->header->biWidth, thickness);
    if (!ring) return false;
    RemoveSpecks(image, thickness, ring, set);
    return true;
}

void RemoveSpecks(DibHandle image, int thickness, const PixelBuffer& ring, InstructionSet set) {
    const DibInfo* info = ImgQueryInfo(image);
    const int width = info->header->biWidth;
    const int height = info->header->biHeight;
    const int64_t stride = Stride24(width);
    // Picture row y is memory row height - 1 - y.
    const PixelRows rows = {info->pixels + (height - 1) * stride, -stride, height};
    SpeckRemover remover(rows, width, height, thickness, ring.get(), set);
    for (int y = 0; y < height; ++y) remover.Put(y);
    remover.End();
}
