// Traces arbitrary drawings: the first two bytes give the width and height
// (1 to 64), the third the line thickness (bit 0) and whether the drawing is
// traced as ink (bit 1), and the bits of the rest, row by row, the line
// pixels (missing bits are background). Every stroke must start and end
// inside the picture, 1 pixel wide on thin lines, 2 to 4 on thick ones and
// 1 to as wide as the picture as ink, and the SVG of the drawing must be
// complete.
#include "base/dib.h"
#include "kernels/centre_line_tracer.h"
#include "pipeline/output_formats.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

bool Inside(TracePoint point, int32_t width, int32_t height) {
    return point.x >= 0 && point.y >= 0 && point.x <= width && point.y <= height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int32_t width = 1 + data[0] % 64, height = 1 + data[1] % 64;
    const int thickness = data[2] & 1;
    const bool ink = (data[2] & 2) != 0;
    ImageError error = ImageError::None;
    DibHandle drawing = DibCreate(width, height, 24, &error);
    if (!drawing) std::abort();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = DibRow(drawing, y);
        for (int32_t x = 0; x < width; ++x) {
            const size_t bit = size_t(y) * width + x, byte = 3 + bit / 8;
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = byte < size && (data[byte] >> (bit % 8)) & 1 ? 0 : 255;
        }
    }
    const auto check = [&](const TraceStroke& stroke) {
        if (!Inside(stroke.start, width, height)) std::abort();
        if (ink ? stroke.width < 1 || stroke.width > std::max(width, height)
                : thickness == 0 ? stroke.width != 1 : stroke.width < 2 || stroke.width > 4) {
            std::abort();
        }
        for (const TraceSegment& segment : stroke.segments) {
            if (!Inside(segment.end, width, height)) std::abort();
        }
    };
    const bool traced = ink ? TraceInkLines(drawing, check) : TraceCentreLines(drawing, thickness, check);
    std::vector<uint8_t> svg;
    const char end[] = "</g>\n</svg>\n";
    if (!traced || !EncodeImage(drawing, LineFormat::Svg, OutputColours{0, 0xFFFFFF, true}, thickness, svg) ||
        svg.size() < sizeof end - 1 ||
        std::memcmp(svg.data() + svg.size() - (sizeof end - 1), end, sizeof end - 1) != 0) {
        std::abort();
    }
    ImgRelease(drawing);
    return 0;
}
