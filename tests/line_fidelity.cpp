#include "line_fidelity.h"

#include "base/dib.h"

namespace {

bool Drawn(DibHandle image, int32_t x, int32_t y) { return DibRow(image, y)[3 * x] != 255; }

bool Rendered(DibHandle image, int32_t x, int32_t y) {
    const uint8_t* pixel = DibRow(image, y) + 3 * x;
    return pixel[0] + pixel[1] + pixel[2] < 3 * 128;
}

// Of the pixels where is(x, y), the share with near(x', y') at most reach
// away across and down; 1 when there are none.
template <class Is, class Near>
double ShareNear(int32_t width, int32_t height, int reach, Is is, Near near, int64_t& count) {
    int64_t found = 0;
    count = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (!is(x, y)) continue;
            ++count;
            bool any = false;
            for (int32_t ny = y - reach; ny <= y + reach && !any; ++ny) {
                for (int32_t nx = x - reach; nx <= x + reach && !any; ++nx) {
                    any = nx >= 0 && ny >= 0 && nx < width && ny < height && near(nx, ny);
                }
            }
            found += any;
        }
    }
    return count == 0 ? 1 : double(found) / double(count);
}

}  // namespace

LineFidelity MeasureLineFidelity(DibHandle drawing, DibHandle rendered, int reach) {
    const int32_t width = drawing->header.biWidth, height = drawing->header.biHeight;
    auto drawn = [drawing](int32_t x, int32_t y) { return Drawn(drawing, x, y); };
    auto renderedAt = [rendered](int32_t x, int32_t y) { return Rendered(rendered, x, y); };
    LineFidelity fidelity;
    fidelity.drawnRendered = ShareNear(width, height, reach, drawn, renderedAt, fidelity.drawnPixels);
    fidelity.renderedDrawn = ShareNear(width, height, reach, renderedAt, drawn, fidelity.renderedPixels);
    return fidelity;
}
