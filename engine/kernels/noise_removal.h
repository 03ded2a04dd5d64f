// Noise removal: clears small specks from a line drawing.
#pragma once

#include "base/dib.h"
#include "kernels/instruction_set.h"

#include <cstdint>

// The working memory of speck removal for pictures of that width: one byte
// per pixel of 10 rows at most, counted as pixel memory. Null when memory
// runs out. Had before a change that speck removal completes, it lets the
// two happen together or not at all.
PixelBuffer SpeckMarksFor(int width, int thickness);

// Paints white every group of touching dark pixels (diagonal contact counts)
// smaller than the size limit: 3 pixels when thickness is 0, 9 otherwise.
// A pixel is dark when its blue byte is not 255. Only dark pixels change;
// padding bytes are never written. Works in place on an image in the working
// layout, with marks from SpeckMarksFor for its width and that thickness.
// Uses the given instruction set, which the processor must have; every set
// gives the same bytes.
void RemoveSpecks(DibHandle image, int thickness, const PixelBuffer& marks,
                  InstructionSet set = WidestInstructionSet());

// The same, with working memory of its own; false, with the image left as it
// was, when that cannot be had.
bool RemoveSpecks(DibHandle image, int thickness);
bool RemoveSpecks(DibHandle image, int thickness, InstructionSet set);

// Picture rows by number, top row 0: a whole picture (count its height), or a
// ring of count rows that row y shares with rows y +- count.
struct PixelRows {
    uint8_t* first;
    int64_t step;
    int count;
    uint8_t* Row(int y) const { return first + int64_t{y % count} * step; }
};

// The same as RemoveSpecks, for rows that arrive one at a time, top row
// first. Once row y's pixels are final from extraction, Put(y) takes it
// in; the remover then whitens specks in rows y - Lag to y, after which
// row y - Lag is final. End makes every row final after the last one.
// A ring of pixel rows needs RingRows rows; marks are from SpeckMarksFor.
class SpeckRemover {
public:
    SpeckRemover(PixelRows pixels, int width, int height, int thickness, uint8_t* marks,
                 InstructionSet set = WidestInstructionSet());
    void Put(int y);
    void End();
    static int Lag(int thickness);
    static int RingRows(int thickness);

private:
    void Scan(int y);

    PixelRows pixels_;
    int width_;
    int height_;
    int limit_;
    uint8_t* marks_;
    void (*markDarkRow_)(const uint8_t* pixels, uint8_t* marks, int width);
    int scanned_ = 0;
};
