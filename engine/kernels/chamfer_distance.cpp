#include "kernels/chamfer_distance.h"

#include <algorithm>

void ChamferDistances(const BitPlane& lines, int32_t width, int32_t height, std::vector<uint8_t>& distances) {
    distances.assign(size_t(width) * size_t(height), 0);
    const auto at = [&](const uint8_t* row, int32_t x) { return x < 0 || x >= width ? 0 : int(row[x]); };
    // Down and right from the neighbours above and before, then up and left
    // from those below and after: two passes give every pixel its shortest
    // path, which turns at most once between a side and a diagonal step.
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = distances.data() + size_t(y) * size_t(width);
        const uint8_t* above = y > 0 ? row - width : nullptr;
        for (int32_t x = 0; x < width; ++x) {
            if (!lines.Get(x, y)) continue;
            int best = at(row, x - 1) + ChamferSide;
            if (above) {
                best = std::min({best, at(above, x) + ChamferSide, at(above, x - 1) + ChamferDiagonal,
                                 at(above, x + 1) + ChamferDiagonal});
            } else {
                best = std::min(best, ChamferSide);
            }
            row[x] = uint8_t(std::min(best, 255));
        }
    }
    for (int32_t y = height - 1; y >= 0; --y) {
        uint8_t* row = distances.data() + size_t(y) * size_t(width);
        const uint8_t* below = y + 1 < height ? row + width : nullptr;
        for (int32_t x = width - 1; x >= 0; --x) {
            if (row[x] == 0) continue;
            int best = std::min(int(row[x]), at(row, x + 1) + ChamferSide);
            if (below) {
                best = std::min({best, at(below, x) + ChamferSide, at(below, x - 1) + ChamferDiagonal,
                                 at(below, x + 1) + ChamferDiagonal});
            } else {
                best = std::min(best, ChamferSide);
            }
            row[x] = uint8_t(best);
        }
    }
}
