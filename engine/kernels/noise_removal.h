// Noise removal: clears small specks from a line drawing.
#pragma once

#include "dib.h"
#include "dib.h"
#include "instruction_set.h"

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
