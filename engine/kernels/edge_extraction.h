// Edge extraction: turns a colour picture into a black-on-white line drawing.
#pragma once

#include "base/dib.h"
#include "kernels/instruction_set.h"

// Writes into result, for every pixel of source, black (0, 0, 0) when the
// pixel differs by more than the threshold 4 * contrast + 4 from one of its
// four direct neighbours in a channel, white (255, 255, 255) otherwise.
// Thickness 0 (thin lines) marks only the darker side of a step: for each
// neighbour the first channel in blue, green, red order that differs by more
// than the threshold decides, darker marks, brighter releases that neighbour.
// Any other thickness (thick lines) marks both sides.
// Contrast is an index from 0 to 15 (thresholds 4 to 64); one below -1 counts
// as -1 (threshold 0).
// Both images are in the working layout with the same size; source is only
// read, and the padding bytes of result are never written.
// Uses the widest instruction set the processor has.
void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast);

// The same with the given instruction set, which the processor must have;
// every set gives the same bytes.
void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast, InstructionSet set);

// The same a row at a time, for pictures that arrive row by row: the row
// function of the thickness and instruction set, and the threshold it takes
// for a contrast index. A row's result depends only on it and the rows
// above and below, so rows may be extracted in any order.
// out receives the marks of current's width pixels, given the rows above and
// below it (current itself at the picture's border).
using EdgeRowFunction = void (*)(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out,
                                 int width, int threshold);
EdgeRowFunction EdgeRowFor(int thickness, InstructionSet set = WidestInstructionSet());
int EdgeThreshold(int contrast);
