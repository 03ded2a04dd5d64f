// Noise removal: clears small specks from a line drawing.
#pragma once

#include "image.h"
#include "instruction_set.h"

// Paints white every group of touching dark pixels (diagonal contact counts)
// smaller than the size limit: 3 pixels when thickness is 0, 9 otherwise.
// A pixel is dark when its blue byte is not 255. Only dark pixels change;
// padding bytes are never written. Works in place on an image in the working
// layout. When its working memory, one byte per pixel of 10 rows at most,
// cannot be had, the image is left as it was.
// Uses the widest instruction set the processor has.
void RemoveSpecks(DibHandle image, int thickness);

// The same with the given instruction set, which the processor must have;
// every set gives the same bytes.
void RemoveSpecks(DibHandle image, int thickness, InstructionSet set);
