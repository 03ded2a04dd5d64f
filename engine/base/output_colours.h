// The two colours a line drawing is written in. Results of extraction are
// pure black and white; on output black becomes the line colour and white
// the background. Pictures with other pixels are written as they are.
#pragma once

#include <cstdint>

// Colours of the two kinds of pixel in an output: 0xRRGGBB.
struct OutputColours {
    uint32_t lines = 0x000000;
    uint32_t background = 0xFFFFFF;
    bool transparent = false;   // background fully transparent (PNG only)
};

// Whether colours write black lines on opaque white, as a plain copy of the
// result does.
inline bool IsBlackOnWhite(const OutputColours& colours) {
    return colours.lines == 0x000000 && colours.background == 0xFFFFFF && !colours.transparent;
}
