// How closely a rendering of a traced drawing matches the drawing: the share
// of the drawing's line pixels with a rendered line pixel at most reach
// pixels away across and down (1: among their eight neighbours or at their
// place), and the other way round. A drawing's line
// pixel has a blue byte other than 255; a rendered one is darker than 128 on
// average over its three channels. Both images are 24-bit and the same size.
#pragma once

#include "pipeline/image.h"

struct LineFidelity {
    double drawnRendered = 0;    // share of drawing line pixels near a rendered one
    double renderedDrawn = 0;    // share of rendered line pixels near a drawing one
    int64_t drawnPixels = 0;
    int64_t renderedPixels = 0;
};

LineFidelity MeasureLineFidelity(DibHandle drawing, DibHandle rendered, int reach = 1);
