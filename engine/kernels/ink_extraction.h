// Ink extraction: turns a photographed drawing into a black-on-white line
// drawing in which every dark stroke comes out solid, as wide as it is, in
// one piece, where edge extraction (edge_extraction.h) marks its borders.
//
// A pixel is ink when its luma ((15 blue + 75 green + 38 red) / 128) lies
// below the mean luma of the 63 x 64 pixels around it (31 rows above and 31
// below it, 32 columns before and 31 after, the picture's border rows and
// columns repeated beyond it) by more than about the share (5 + contrast) /
// 256 of that mean and 2 levels more. In integers, as the tests state it: luma <
// (S * M >> 16) - 2, S the sum over the window's 64 columns of each
// column's sum over its 63 rows shifted right by 4 (252 times the mean), M
// = ((251 - contrast) * 256 + 126) / 252.
// A share of the mean rather than a fixed difference keeps strokes in
// shadow and under failing light, where every difference shrinks with the
// light; paper grain and the noise of JPEG files, weaker than any stroke,
// stay unmarked, and a flat or gently shaded picture gives no ink at all.
// The 2 levels keep the darkest corner of a gradient that meets the
// picture's border, where the repeated border makes the mean brighter, white.
// The window is wider than 4 strokes of the widest width drawn (12 pixels),
// so a wide stroke's middle, or a light stroke crossing a dark one, still
// lies well below the mean.
// A dark area wider than the window comes out as its outline, a band about
// 32 pixels wide inside its border: deciding that its middle is ink would
// need the picture around it beyond any band of rows, which streaming rules
// out, and an outline is what a line drawing draws of such an area.
// Thickness 0 (thin) marks the ink pixels; any other (thick) also every
// pixel touching one, diagonals included: one pixel more around each stroke.
// Contrast is an index as ExtractEdges takes it (one below -1 counts as -1):
// higher contrast, fewer lines. Only integer arithmetic: every system and
// instruction set gives the same bytes.
#pragma once

#include "base/dib.h"
#include "kernels/instruction_set.h"
#include "kernels/style_rows.h"

#include <cstdint>
#include <memory>

// Writes into result, for every pixel of source, black (0, 0, 0) for ink and
// white (255, 255, 255) elsewhere. Both images are in the working layout
// with the same size; source is only read, and the padding bytes of result
// are never written. False, with result unchanged, when working memory
// (76 bytes per pixel of width) cannot be had.
bool ExtractInk(DibHandle source, DibHandle result, int thickness, int contrast,
                InstructionSet set = WidestInstructionSet());

// The same a row at a time, top row first, for pictures too large to hold:
// result row y is final once the source rows down to Lag(thickness) below it
// are in. Memory is 76 bytes per pixel of width, whatever the height.
class InkRows final : public StyleRows {
public:
    // Null when memory runs out.
    static std::unique_ptr<InkRows> Create(int width, int height, int thickness, int contrast,
                                           InstructionSet set = WidestInstructionSet());

    void Put(const uint8_t* source) override;
    bool Ready() const override;
    void Take(uint8_t* out) override;

    // Rows below a result row that it waits for.
    static int Lag(int thickness);

private:
    InkRows(int width, int height, int thickness, int contrast, InstructionSet set);
    uint8_t* Luma(int y) const;
    uint16_t* Marks(int y) const;
    void MarkRow(int y);

    int width_;
    int height_;
    bool thick_;
    int multiplier_;
    InstructionSet set_;
    PixelBuffer memory_;
    uint8_t* luma_ = nullptr;      // a ring of the rows the window spans
    uint16_t* columns_ = nullptr;  // the window's sum of each column
    uint16_t* sums_ = nullptr;     // working memory of the window's sums
    uint16_t* marks_ = nullptr;    // a ring of 3 rows: above, current, below
    uint16_t* grown_ = nullptr;    // thick marks of the current row
    int received_ = 0;
    int marked_ = 0;
    int taken_ = 0;
};
