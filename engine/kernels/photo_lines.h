// Photo lines: the outlines of what a photograph shows, drawn once each, as
// an illustrator would trace them, the same drawing at any size of the photo.
//
// Edge extraction compares neighbouring pixels, so it sees the grain of the
// pixels: a large photo is smooth at that grain and comes out nearly blank,
// a small one full of texture. Photo lines work at the picture's own scale:
// 1. The picture is reduced by the whole factor k = max(1, (L + 250) / 500),
//    L its longer side, to about 500 pixels on that side: each working
//    pixel is the rounded mean of a k x k block (fewer at the right and
//    bottom borders).
// 2. Three channels: Y = R + 2G + B, and the colour opponents 2(R - G) and
//    R + G - 2B, so a boundary between colours of one brightness counts.
// 3. Each channel blurred by the binomial [1 4 6 4 1] / 16, down the columns
//    then along the row, rounded: once (fine) and ten times (coarse).
// 4. Sobel gradients; the strength of a pixel is the channel with the
//    largest octagonal magnitude max(m, (m + n) * 181 / 256) (m, n the
//    larger and smaller of |gx|, |gy|), at each scale.
// 5. Texture suppressed by its surround: from each scale's strength the
//    mean strength of the 21 x 21 pixels around is taken away (0 at least),
//    so grass, foliage and grain, strong everywhere, cancel, while a
//    boundary, strong only along a line, stands.
// 6. The two scales agree: M = floor(sqrt(fine * coarse)), so a line must be
//    a boundary at both scales and lies where the fine scale puts it.
// 7. Non-maximum suppression across the fine gradient's direction (one of
//    four, split at 22.5 degrees, tan = 106 / 256) thins it to one pixel.
// 8. Hysteresis: a thinned pixel of M at least `high` starts a line, which
//    goes on through pixels of at least 40 % of `high`, up to 16 steps from
//    where it is strong: continuous through weak parts, and bounded, so the
//    rows are streamed in a band. high = 110 at contrast index 6 (contrast
//    7), doubling every 4 steps of contrast.
// 9. Drawn at full size: each line pixel, and the segment from it to each
//    neighbouring line pixel (right and the three below), stamped with a
//    square of the line's width: thin w = max(1, (L + 500) / 1000), about a
//    thousandth of L, thick 2w.
// Every step is integer arithmetic (the square root is exact): every system
// and instruction set gives the same bytes. Contrast is an index as
// ExtractEdges takes it, clamped to 0-15.
#pragma once

#include "base/dib.h"
#include "kernels/instruction_set.h"
#include "kernels/style_rows.h"

#include <cstdint>
#include <memory>

// Writes into result, for every pixel of source, black (0, 0, 0) on lines
// and white (255, 255, 255) elsewhere. Both images are in the working layout
// with the same size; source is only read, and the padding bytes of result
// are never written. False, with result unchanged, when working memory
// cannot be had.
bool ExtractPhoto(DibHandle source, DibHandle result, int thickness, int contrast,
                  InstructionSet set = WidestInstructionSet());

// The same a row at a time, top row first, or bottom row first when
// fromTheBottom is set (the result rows then come bottom row first too, and
// are those of the upright picture). A result row is final once the source
// rows about 50 working rows (50 k rows) past it are in. Memory is 6 bytes per
// pixel of width and a band of working rows, whatever the height.
class PhotoRows final : public StyleRows {
public:
    // Null when memory runs out.
    static std::unique_ptr<PhotoRows> Create(int width, int height, int thickness, int contrast,
                                             bool fromTheBottom = false,
                                             InstructionSet set = WidestInstructionSet());
    ~PhotoRows() override;

    void Put(const uint8_t* source) override;
    bool Ready() const override;
    void Take(uint8_t* out) override;

    // The width photo lines of a picture are drawn with.
    static int LineWidth(int width, int height, int thickness);

private:
    struct Work;
    explicit PhotoRows(std::unique_ptr<Work> work);

    std::unique_ptr<Work> work_;
};
