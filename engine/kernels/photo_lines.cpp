#include "kernels/photo_lines.h"

#include "base/word_vector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

namespace {

// The working picture's longer side is about WorkingSide pixels; a drawn
// thin line is about a LineShare-th of the picture's longer side.
constexpr int64_t WorkingSide = 500;
constexpr int64_t LineShare = 1000;

constexpr int CoarsePasses = 10;   // of the binomial: sigma sqrt(10), about 3.2
constexpr int SurroundReach = 10;  // the surround is 21 x 21 pixels
constexpr int SurroundArea = (2 * SurroundReach + 1) * (2 * SurroundReach + 1);
constexpr int GrowSteps = 16;  // of hysteresis

// Rows of bytes a column sum takes before it could overflow a word.
constexpr int RowsPerWord = 0xFFFF / 255;

// The high threshold at each contrast index: 110 * 2^((index - 6) / 4),
// rounded as 110 * T / 64 with T the power in 64ths; the low one is 40 % of it.
constexpr std::array<int, 16> HighThresholds = {39,  46,  55,  65,  77,  92,  110, 130,
                                                156, 185, 220, 261, 311, 369, 440, 522};
constexpr int LowPercent = 40;

// The working rows' stages, each a ring of rows of one or more planes of
// words: a row is made from rows of earlier stages once they are in.
enum Stage : int {
    Channels,                               // the reduced rows' three channels
    Blurred,                                // Blurred + i: i + 1 passes of the binomial
    FineGradient = Blurred + CoarsePasses,  // strength, gx, gy of the strongest channel
    CoarseGradient,                         // strength
    FineInhibited,
    CoarseInhibited,
    Strength,
    Classes,  // 0, Weak, or Weak | Strong
    Grown,    // Grown + i: hysteresis after i + 1 steps
    StageCount = Grown + GrowSteps,
};
constexpr int Lines = StageCount - 1;
constexpr int16_t Weak = 1, Strong = 2;

struct Input {
    int stage;
    int reach;  // rows above and below the row made
};

struct StageShape {
    int planes;
    Input inputs[2];
    int inputCount;
};

constexpr StageShape ShapeOf(int stage) {
    if (stage == Channels) return {3, {}, 0};
    if (stage < FineGradient) return {3, {{stage - 1, 2}}, 1};
    switch (stage) {
    case FineGradient:
        return {3, {{Blurred, 1}}, 1};
    case CoarseGradient:
        return {1, {{Blurred + CoarsePasses - 1, 1}}, 1};
    case FineInhibited:
        return {1, {{FineGradient, SurroundReach}}, 1};
    case CoarseInhibited:
        return {1, {{CoarseGradient, SurroundReach}}, 1};
    case Strength:
        return {1, {{FineInhibited, 0}, {CoarseInhibited, 0}}, 2};
    case Classes:
        return {1, {{Strength, 1}, {FineGradient, 0}}, 2};
    default:
        return {1, {{stage - 1, 1}, {Classes, 0}}, 2};
    }
}

// Rows a stage's row waits for below it, from the first working row.
constexpr std::array<int, StageCount> Delays() {
    std::array<int, StageCount> delays{};
    for (int stage = 0; stage < StageCount; ++stage) {
        const StageShape shape = ShapeOf(stage);
        for (int i = 0; i < shape.inputCount; ++i) {
            delays[stage] = std::max(delays[stage], delays[shape.inputs[i].stage] + shape.inputs[i].reach);
        }
    }
    return delays;
}
constexpr std::array<int, StageCount> StageDelays = Delays();

// The rows a stage keeps: from the lowest row a later stage may still read
// to the newest made while that stage waits for its other inputs.
constexpr std::array<int, StageCount> Rings() {
    std::array<int, StageCount> rings{};
    rings.fill(1);
    for (int stage = 0; stage < StageCount; ++stage) {
        const StageShape shape = ShapeOf(stage);
        for (int i = 0; i < shape.inputCount; ++i) {
            const Input input = shape.inputs[i];
            rings[input.stage] =
                std::max(rings[input.stage], StageDelays[stage] - StageDelays[input.stage] + input.reach + 1);
        }
    }
    return rings;
}
constexpr std::array<int, StageCount> StageRings = Rings();

// The whole factor a picture is reduced by, to about WorkingSide pixels on
// its longer side.
int Reduction(int width, int height) {
    const int64_t longer = std::max(width, height);
    return int(std::max<int64_t>(1, (longer + WorkingSide / 2) / WorkingSide));
}

// Division rounding down, for numerators below 0 too.
int64_t FloorDivide(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// sums[i] += bytes[i]: a source row joins the column sums.
template <class Vector>
void AddBytes(uint16_t* sums, const uint8_t* bytes, int64_t count) {
    int64_t i = 0;
    if constexpr (!std::is_void_v<Vector>) {
        constexpr int lanes = int(sizeof(Vector)) / 2;
        for (; i + lanes <= count; i += lanes) {
            StoreWords(sums + i, LoadWords<Vector>(sums + i) + LoadBytes<Vector>(bytes + i));
        }
    }
    for (; i < count; ++i) sums[i] = uint16_t(sums[i] + bytes[i]);
}

// out = (r0 + 4 r1 + 6 r2 + 4 r3 + r4 + 8) / 16 down the columns of five
// rows of values 0-1020 (so no sum leaves a word).
template <class Vector>
void BinomialDown(const int16_t* const rows[5], int16_t* out, int width) {
    const auto word = [](const int16_t* row) { return reinterpret_cast<const uint16_t*>(row); };
    int x = 0;
    if constexpr (!std::is_void_v<Vector>) {
        constexpr int lanes = int(sizeof(Vector)) / 2;
        const Vector eight = SplatWord<Vector>(8);
        for (; x + lanes <= width; x += lanes) {
            const Vector outer = LoadWords<Vector>(word(rows[0]) + x) + LoadWords<Vector>(word(rows[4]) + x);
            const Vector inner = LoadWords<Vector>(word(rows[1]) + x) + LoadWords<Vector>(word(rows[3]) + x);
            const Vector middle = LoadWords<Vector>(word(rows[2]) + x);
            const Vector twice = inner + inner, middleTwice = middle + middle;
            const Vector sum = outer + (twice + twice) + (middleTwice + middleTwice + middleTwice) + eight;
            StoreWords(reinterpret_cast<uint16_t*>(out + x), ShiftRight<4>(sum));
        }
    }
    for (; x < width; ++x) {
        out[x] = int16_t((rows[0][x] + 4 * rows[1][x] + 6 * rows[2][x] + 4 * rows[3][x] + rows[4][x] + 8) >> 4);
    }
}

using AddBytesFunction = void (*)(uint16_t* sums, const uint8_t* bytes, int64_t count);
using BinomialDownFunction = void (*)(const int16_t* const rows[5], int16_t* out, int width);

struct PhotoFunctions {
    AddBytesFunction addBytes;
    BinomialDownFunction binomialDown;
};

PhotoFunctions PhotoFunctionsFor(InstructionSet set) {
    switch (set) {
    case InstructionSet::Plain:
        break;
#if defined(__SSE2__)
    // The working rows are short and the column sums a byte a word: wider
    // vectors would gain next to nothing.
    case InstructionSet::Avx2:
    case InstructionSet::Sse2:
        return {AddBytes<WordVector16>, BinomialDown<WordVector16>};
#elif defined(__aarch64__)
    case InstructionSet::Neon:
        return {AddBytes<WordVector16>, BinomialDown<WordVector16>};
#endif
    }
    return {AddBytes<void>, BinomialDown<void>};
}

// The same binomial along a row, the row's end values repeated beyond it.
void BinomialAlong(const int16_t* in, int16_t* out, int width) {
    const auto at = [&](int x) { return int{in[std::clamp(x, 0, width - 1)]}; };
    const auto border = [&](int x) {
        return int16_t((at(x - 2) + 4 * at(x - 1) + 6 * in[x] + 4 * at(x + 1) + at(x + 2) + 8) >> 4);
    };
    int x = 0;
    for (; x < std::min(2, width); ++x) out[x] = border(x);
    for (; x < width - 2; ++x) {
        out[x] = int16_t((in[x - 2] + 4 * in[x - 1] + 6 * in[x] + 4 * in[x + 1] + in[x + 2] + 8) >> 4);
    }
    for (; x < width; ++x) out[x] = border(x);
}

// Within 8 % of sqrt(gx^2 + gy^2), in integers.
int Octagonal(int gx, int gy) {
    const int a = std::abs(gx), b = std::abs(gy);
    const int m = std::max(a, b), n = std::min(a, b);
    return std::max(m, ((m + n) * 181) >> 8);
}

// The Sobel gradient of the strongest of three channels (ties: the first),
// from the rows above, at and below, the end columns repeated beyond the row.
// gx and gy are only written when given.
void Gradient(const int16_t* const above[3], const int16_t* const row[3], const int16_t* const below[3],
              int16_t* strength, int16_t* gxOut, int16_t* gyOut, int width) {
    for (int x = 0; x < width; ++x) {
        const int left = std::max(x - 1, 0), right = std::min(x + 1, width - 1);
        int best = -1, bestGx = 0, bestGy = 0;
        for (int c = 0; c < 3; ++c) {
            const int16_t* a = above[c];
            const int16_t* m = row[c];
            const int16_t* b = below[c];
            const int gx = (a[right] + 2 * m[right] + b[right]) - (a[left] + 2 * m[left] + b[left]);
            const int gy = (b[left] + 2 * b[x] + b[right]) - (a[left] + 2 * a[x] + a[right]);
            const int g = Octagonal(gx, gy);
            if (g > best) best = g, bestGx = gx, bestGy = gy;
        }
        strength[x] = int16_t(best);
        if (gxOut) gxOut[x] = int16_t(bestGx), gyOut[x] = int16_t(bestGy);
    }
}

// strength - the mean strength of the square around (rounded down), 0 at
// least. columns holds width sums, window width + 2 * SurroundReach.
void Inhibit(const int16_t* const rows[2 * SurroundReach + 1], int16_t* out, int32_t* columns, int32_t* window,
             int width) {
    for (int x = 0; x < width; ++x) {
        int32_t sum = 0;
        for (int i = 0; i <= 2 * SurroundReach; ++i) sum += rows[i][x];
        columns[x] = sum;
    }
    const int span = width + 2 * SurroundReach;
    for (int i = 0; i < span; ++i) window[i] = columns[std::clamp(i - SurroundReach, 0, width - 1)];
    int32_t sum = 0;
    for (int i = 0; i < 2 * SurroundReach; ++i) sum += window[i];
    const int16_t* centre = rows[SurroundReach];
    for (int x = 0; x < width; ++x) {
        sum += window[x + 2 * SurroundReach];
        out[x] = int16_t(std::max(0, centre[x] - sum / SurroundArea));
        sum -= window[x];
    }
}

// floor(sqrt(value)), exactly: the floating-point root is correctly rounded
// everywhere, and the steps after it make it exact whatever it gives.
int SquareRoot(int64_t value) {
    int64_t root = int64_t(std::sqrt(double(value)));
    while (root * root > value) --root;
    while ((root + 1) * (root + 1) <= value) ++root;
    return int(root);
}

// Keeps a pixel of M stronger than its neighbour one way across the edge and
// at least as strong as the other, and classes it by the thresholds.
// Neighbours beyond the picture count 0 (above or below is then a row of 0).
void Classify(const int16_t* above, const int16_t* row, const int16_t* below, const int16_t* gxRow,
              const int16_t* gyRow, int16_t* out, int width, int high, int low) {
    const auto at = [&](const int16_t* r, int x) { return x >= 0 && x < width ? int{r[x]} : 0; };
    for (int x = 0; x < width; ++x) {
        const int m = row[x];
        out[x] = 0;
        if (m < low) continue;
        const int gx = gxRow[x], gy = gyRow[x];
        const int ax = std::abs(gx), ay = std::abs(gy);
        int first, second;
        if (ay * 256 <= ax * 106) {
            first = at(row, x + 1), second = at(row, x - 1);
        } else if (ax * 256 <= ay * 106) {
            first = below[x], second = above[x];
        } else if ((gx ^ gy) >= 0) {
            first = at(below, x + 1), second = at(above, x - 1);
        } else {
            first = at(below, x - 1), second = at(above, x + 1);
        }
        if (m > first && m >= second) out[x] = int16_t(m >= high ? Weak | Strong : Weak);
    }
}

// One step of hysteresis: a weak pixel becomes a line (Strong) when a pixel
// of the previous step's rows around it is one.
void Grow(const int16_t* above, const int16_t* row, const int16_t* below, const int16_t* classes, int16_t* out,
          int width) {
    const auto line = [&](int x) {
        return x >= 0 && x < width && ((above[x] | row[x] | below[x]) & Strong) != 0;
    };
    for (int x = 0; x < width; ++x) {
        out[x] = int16_t((classes[x] & Weak) && (line(x - 1) || line(x) || line(x + 1)) ? Strong : 0);
    }
}

}  // namespace

struct PhotoRows::Work {
    int width, height;          // the picture's
    int k;                      // the reduction
    int workWidth, workHeight;  // the working picture's
    int before, after;          // a drawn point covers rows and columns before it and after it
    bool fromTheBottom;         // rows come bottom row first
    int blockRows;              // rows of the block being summed
    int centre;                 // of the first working row's block, in rows as they come
    int high, low;
    PhotoFunctions functions;
    PixelBuffer memory;
    uint16_t* columnSums;      // 3 * width: this block's rows added up, at most RowsPerWord of them
    uint64_t* blockSums;       // 3 * workWidth: the block's sum of each channel
    int32_t* inhibitColumns;   // workWidth
    int32_t* inhibitWindow;    // workWidth + 2 * SurroundReach
    int16_t* scratch;          // workWidth
    int16_t* zeros;            // workWidth
    std::array<int16_t*, StageCount> rings{};
    std::array<int, StageCount> made{};
    int received = 0;        // source rows in
    int inColumns = 0;       // of them, in the column sums
    int inBlock = 0;         // of them, in this block
    int taken = 0;           // result rows out

    int16_t* Row(int stage, int y, int plane = 0) const {
        const int64_t slot = int64_t{y % RingOf(stage)} * ShapeOf(stage).planes + plane;
        return rings[stage] + slot * workWidth;
    }
    // Row y, the border row standing in beyond the picture.
    const int16_t* Clamped(int stage, int y, int plane = 0) const {
        return Row(stage, std::clamp(y, 0, workHeight - 1), plane);
    }
    // Row y, a row of 0 beyond the picture.
    const int16_t* OrZeros(int stage, int y) const {
        return y >= 0 && y < workHeight ? Row(stage, y) : zeros;
    }

    // The working rows result row y is drawn from: the lowest, and one past
    // the highest together with the row below it.
    int FirstLineRow(int y) const {
        return int(std::max<int64_t>(0, -FloorDivide(-(int64_t{y} - RowsAfter() - k - centre), k)));
    }
    int EndLineRow(int y) const {
        return int(std::clamp<int64_t>(FloorDivide(int64_t{y} + RowsBefore() - centre, k) + 2, 0, workHeight));
    }
    // Upside down, the rows a point covers above it are those it covers
    // below it upright.
    int RowsBefore() const { return fromTheBottom ? after : before; }
    int RowsAfter() const { return fromTheBottom ? before : after; }
    int LineRing() const { return (before + after + 2 * k - 1) / k + 4; }
    int RingOf(int stage) const { return stage == Lines ? LineRing() : StageRings[stage]; }

    bool CanMake(int stage) const;
    void Make(int stage, int y);
    void Advance();
    void FoldColumns();
    void EndBlock();
    void Draw(int y, uint8_t* out) const;
};

bool PhotoRows::Work::CanMake(int stage) const {
    const int y = made[stage];
    if (y >= workHeight) return false;
    const StageShape shape = ShapeOf(stage);
    for (int i = 0; i < shape.inputCount; ++i) {
        const Input input = shape.inputs[i];
        if (made[input.stage] <= std::min(y + input.reach, workHeight - 1)) return false;
    }
    // The row it would overwrite must be one no later stage still reads.
    const int overwritten = y - RingOf(stage);
    if (overwritten < 0) return true;
    for (int later = stage + 1; later < StageCount; ++later) {
        const StageShape laterShape = ShapeOf(later);
        for (int i = 0; i < laterShape.inputCount; ++i) {
            const Input input = laterShape.inputs[i];
            if (input.stage == stage && made[later] < workHeight && overwritten >= made[later] - input.reach) {
                return false;
            }
        }
    }
    return stage != Lines || taken >= height || overwritten < FirstLineRow(taken);
}

void PhotoRows::Work::Make(int stage, int y) {
    const int w = workWidth;
    if (stage < FineGradient) {
        for (int plane = 0; plane < 3; ++plane) {
            const int16_t* rows[5];
            for (int i = 0; i < 5; ++i) rows[i] = Clamped(stage - 1, y - 2 + i, plane);
            functions.binomialDown(rows, scratch, w);
            BinomialAlong(scratch, Row(stage, y, plane), w);
        }
        return;
    }
    switch (stage) {
    case FineGradient:
    case CoarseGradient: {
        const int from = stage == FineGradient ? Blurred : Blurred + CoarsePasses - 1;
        const int16_t* above[3];
        const int16_t* row[3];
        const int16_t* below[3];
        for (int plane = 0; plane < 3; ++plane) {
            above[plane] = Clamped(from, y - 1, plane);
            row[plane] = Clamped(from, y, plane);
            below[plane] = Clamped(from, y + 1, plane);
        }
        const bool fine = stage == FineGradient;
        if (fromTheBottom) std::swap(above, below);
        Gradient(above, row, below, Row(stage, y), fine ? Row(stage, y, 1) : nullptr,
                 fine ? Row(stage, y, 2) : nullptr, w);
        return;
    }
    case FineInhibited:
    case CoarseInhibited: {
        const int from = stage == FineInhibited ? FineGradient : CoarseGradient;
        const int16_t* rows[2 * SurroundReach + 1];
        for (int i = 0; i <= 2 * SurroundReach; ++i) rows[i] = Clamped(from, y - SurroundReach + i);
        Inhibit(rows, Row(stage, y), inhibitColumns, inhibitWindow, w);
        return;
    }
    case Strength: {
        const int16_t* fine = Row(FineInhibited, y);
        const int16_t* coarse = Row(CoarseInhibited, y);
        int16_t* out = Row(Strength, y);
        for (int x = 0; x < w; ++x) out[x] = int16_t(SquareRoot(int64_t{fine[x]} * coarse[x]));
        return;
    }
    case Classes:
        // Upside down, the row below is the upright row above, and gy,
        // which Gradient gave negated, the upright one.
        Classify(OrZeros(Strength, fromTheBottom ? y + 1 : y - 1), Row(Strength, y),
                 OrZeros(Strength, fromTheBottom ? y - 1 : y + 1), Row(FineGradient, y, 1), Row(FineGradient, y, 2),
                 Row(Classes, y), w, high, low);
        return;
    default:
        Grow(OrZeros(stage - 1, y - 1), Row(stage - 1, y), OrZeros(stage - 1, y + 1), Row(Classes, y),
             Row(stage, y), w);
        return;
    }
}

// Makes every working row whose rows are in, each stage in turn, until none
// can move.
void PhotoRows::Work::Advance() {
    for (bool moved = true; moved;) {
        moved = false;
        for (int stage = Channels + 1; stage < StageCount; ++stage) {
            for (; CanMake(stage); ++made[stage]) {
                Make(stage, made[stage]);
                moved = true;
            }
        }
    }
}

// Adds the column sums into the block sums, before they could overflow or
// when the block ends.
void PhotoRows::Work::FoldColumns() {
    for (int bx = 0; bx < workWidth; ++bx) {
        const int64_t end = std::min<int64_t>(int64_t{bx + 1} * k, width);
        for (int64_t x = int64_t{bx} * k; x < end; ++x) {
            for (int c = 0; c < 3; ++c) blockSums[3 * bx + c] += columnSums[3 * x + c];
        }
    }
    std::fill(columnSums, columnSums + 3 * int64_t{width}, uint16_t{0});
    inColumns = 0;
}

// The block's mean colour becomes the next working row's channels.
void PhotoRows::Work::EndBlock() {
    FoldColumns();
    Advance();  // frees the ring's oldest row when later stages are done with it
    const int y = made[Channels];
    int16_t* luma = Row(Channels, y, 0);
    int16_t* redGreen = Row(Channels, y, 1);
    int16_t* yellowBlue = Row(Channels, y, 2);
    for (int bx = 0; bx < workWidth; ++bx) {
        const uint64_t count = uint64_t(inBlock) * uint64_t(std::min<int64_t>(k, width - int64_t{bx} * k));
        const auto mean = [&](int c) { return int((blockSums[3 * bx + c] + count / 2) / count); };
        const int blue = mean(0), green = mean(1), red = mean(2);
        // The opponents lifted by 510 to 0-1020 like the luma: the blur keeps
        // the lift, and the gradients take it away.
        luma[bx] = int16_t(red + 2 * green + blue);
        redGreen[bx] = int16_t(2 * (red - green) + 510);
        yellowBlue[bx] = int16_t(red + green - 2 * blue + 510);
    }
    std::fill(blockSums, blockSums + 3 * int64_t{workWidth}, uint64_t{0});
    inBlock = 0;
    blockRows = k;
    ++made[Channels];
    Advance();
}

// Result row y: white, with the squares of the line points on it black.
void PhotoRows::Work::Draw(int y, uint8_t* out) const {
    std::memset(out, 255, 3 * size_t(width));
    const int above = RowsBefore(), below = RowsAfter();
    const auto fill = [&](int64_t from, int64_t to) {
        from = std::max<int64_t>(from - before, 0);
        to = std::min<int64_t>(to + after, int64_t{width} - 1);
        if (from <= to) std::memset(out + 3 * from, 0, size_t(3 * (to - from + 1)));
    };
    const int end = EndLineRow(y);
    for (int row = FirstLineRow(y); row < end; ++row) {
        const int16_t* lines = Row(Lines, row);
        const int16_t* next = row + 1 < workHeight ? Row(Lines, row + 1) : zeros;
        const int64_t y0 = int64_t{row} * k + centre;
        // The points on row y are those of rows y - below to y + above.
        const bool onRow = y0 >= y - below && y0 <= y + above;
        const int64_t firstStep = std::max<int64_t>(0, y - below - y0);
        const int64_t lastStep = std::min<int64_t>(k, y + above - y0);
        for (int x = 0; x < workWidth; ++x) {
            if (lines[x] == 0) continue;
            const int64_t x0 = int64_t{x} * k + k / 2;
            if (onRow) fill(x0, x + 1 < workWidth && lines[x + 1] ? x0 + k : x0);
            if (firstStep > lastStep) continue;
            for (int dx = -1; dx <= 1; ++dx) {
                if (x + dx < 0 || x + dx >= workWidth || next[x + dx] == 0) continue;
                const int64_t from = x0 + dx * firstStep, to = x0 + dx * lastStep;
                fill(std::min(from, to), std::max(from, to));
            }
        }
    }
}

PhotoRows::PhotoRows(std::unique_ptr<Work> work) : work_(std::move(work)) {}
PhotoRows::~PhotoRows() = default;

int PhotoRows::LineWidth(int width, int height, int thickness) {
    const int64_t longer = std::max(width, height);
    const int thin = int(std::max<int64_t>(1, (longer + LineShare / 2) / LineShare));
    return thickness != 0 ? 2 * thin : thin;
}

std::unique_ptr<PhotoRows> PhotoRows::Create(int width, int height, int thickness, int contrast, bool fromTheBottom,
                                             InstructionSet set) {
    if (width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<Work> work(new (std::nothrow) Work{});
    if (!work) return nullptr;
    Work& w = *work;
    w.width = width, w.height = height;
    w.k = Reduction(width, height);
    w.workWidth = int((int64_t{width} + w.k - 1) / w.k);
    w.workHeight = int((int64_t{height} + w.k - 1) / w.k);
    const int lineWidth = LineWidth(width, height, thickness);
    w.before = (lineWidth - 1) / 2, w.after = lineWidth / 2;
    // Blocks are counted from the picture's top, so that the rows of an
    // upside-down picture make the blocks of the upright one.
    w.fromTheBottom = fromTheBottom;
    const int64_t lastBlockTop = int64_t{w.workHeight - 1} * w.k;
    w.blockRows = fromTheBottom ? int(height - lastBlockTop) : w.k;
    w.centre = fromTheBottom ? int(height - 1 - lastBlockTop - w.k / 2) : w.k / 2;
    w.high = HighThresholds[size_t(std::clamp(contrast, 0, 15))];
    w.low = w.high * LowPercent / 100;
    w.functions = PhotoFunctionsFor(set);

    int64_t ringWords = 0;
    for (int stage = 0; stage < StageCount; ++stage) {
        ringWords += int64_t{w.RingOf(stage)} * ShapeOf(stage).planes * w.workWidth;
    }
    const int64_t ww = w.workWidth;
    const int64_t bytes = 8 * 3 * ww + 4 * (2 * ww + 2 * SurroundReach) +
                          2 * (3 * int64_t{width} + 2 * ww + ringWords);
    w.memory = DibAllocate(bytes);
    if (!w.memory) return nullptr;
    std::memset(w.memory.get(), 0, size_t(bytes));
    w.blockSums = reinterpret_cast<uint64_t*>(w.memory.get());
    w.inhibitColumns = reinterpret_cast<int32_t*>(w.blockSums + 3 * ww);
    w.inhibitWindow = w.inhibitColumns + ww;
    w.columnSums = reinterpret_cast<uint16_t*>(w.inhibitWindow + ww + 2 * SurroundReach);
    w.scratch = reinterpret_cast<int16_t*>(w.columnSums + 3 * int64_t{width});
    w.zeros = w.scratch + ww;
    int16_t* next = w.zeros + ww;
    for (int stage = 0; stage < StageCount; ++stage) {
        w.rings[size_t(stage)] = next;
        next += int64_t{w.RingOf(stage)} * ShapeOf(stage).planes * ww;
    }
    std::unique_ptr<PhotoRows> rows(new (std::nothrow) PhotoRows(std::move(work)));
    return rows;
}

void PhotoRows::Put(const uint8_t* source) {
    Work& w = *work_;
    w.functions.addBytes(w.columnSums, source, 3 * int64_t{w.width});
    ++w.received, ++w.inBlock;
    if (++w.inColumns == RowsPerWord) w.FoldColumns();
    if (w.inBlock == w.blockRows || w.received == w.height) w.EndBlock();
}

bool PhotoRows::Ready() const {
    const Work& w = *work_;
    return w.taken < w.height && w.made[Lines] >= w.EndLineRow(w.taken);
}

void PhotoRows::Take(uint8_t* out) {
    Work& w = *work_;
    w.Draw(w.taken++, out);
    w.Advance();
}

bool ExtractPhoto(DibHandle source, DibHandle result, int thickness, int contrast, InstructionSet set) {
    const int width = ImgQueryInfo(result)->header->biWidth;
    const int height = ImgQueryInfo(result)->header->biHeight;
    const std::unique_ptr<PhotoRows> rows = PhotoRows::Create(width, height, thickness, contrast, false, set);
    if (!rows) return false;
    int taken = 0;
    for (int row = 0; row < height; ++row) {
        rows->Put(DibRow(source, row));
        for (; rows->Ready(); ++taken) rows->Take(DibRow(result, taken));
    }
    return true;
}
