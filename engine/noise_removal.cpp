#include "noise_removal.h"

#include <memory>
#include <new>

namespace {

enum Mark : uint8_t {
    MARK_BACKGROUND = 0,  // not dark, or a dark pixel already removed
    MARK_DARK = 1,        // dark and not yet collected by any search
    MARK_RETAINED = 2,    // dark and belonging to a group that stays
    MARK_VISITED = 255,   // collected by the search under way
};

// A direction is a set of these bits; a direction sharing a bit with a
// pixel's border flags would leave the picture and is skipped.
enum Direction : int {
    DIR_LEFT = 1,
    DIR_UP = 2,
    DIR_RIGHT = 4,
    DIR_DOWN = 8,
};

constexpr int NeighbourOrder[8] = {
    DIR_LEFT, DIR_RIGHT, DIR_UP | DIR_LEFT, DIR_UP, DIR_UP | DIR_RIGHT,
    DIR_DOWN | DIR_LEFT, DIR_DOWN, DIR_DOWN | DIR_RIGHT,
};

int64_t IndexOffset(int direction, int64_t width) {
    int64_t offset = 0;
    if (direction & DIR_LEFT) offset -= 1;
    if (direction & DIR_RIGHT) offset += 1;
    if (direction & DIR_UP) offset -= width;
    if (direction & DIR_DOWN) offset += width;
    return offset;
}

}  // namespace

void RemoveSpecks(DibHandle image, int thickness) {
    const DibInfo* info = ImgQueryInfo(image);
    const int64_t width = info->header->biWidth;
    const int64_t height = info->header->biHeight;
    const int64_t stride = Stride24(static_cast<int32_t>(width));
    const int64_t pixelCount = width * height;
    uint8_t* pixels = info->pixels;

    std::unique_ptr<uint8_t[]> marks(new (std::nothrow) uint8_t[pixelCount]);
    if (!marks) return;
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + (height - 1 - y) * stride;
        uint8_t* markRow = marks.get() + y * width;
        for (int64_t x = 0; x < width; ++x) markRow[x] = row[3 * x] != 255 ? MARK_DARK : MARK_BACKGROUND;
    }

    const int limit = thickness == 0 ? 3 : 9;
    int64_t list[9];
    int64_t offsets[8];
    for (int k = 0; k < 8; ++k) offsets[k] = IndexOffset(NeighbourOrder[k], width);

    for (int64_t start = 0; start < pixelCount; ++start) {
        if (marks[start] != MARK_DARK) continue;
        list[0] = start;
        marks[start] = MARK_VISITED;
        int count = 1;
        bool retain = false;
        for (int head = 0; head < count && !retain; ++head) {
            const int64_t p = list[head];
            const int64_t x = p % width;
            const int64_t y = p / width;
            const int borders = (x == 0 ? DIR_LEFT : 0) | (x == width - 1 ? DIR_RIGHT : 0) |
                                (y == 0 ? DIR_UP : 0) | (y == height - 1 ? DIR_DOWN : 0);
            for (int k = 0; k < 8 && !retain; ++k) {
                if (NeighbourOrder[k] & borders) continue;
                const int64_t q = p + offsets[k];
                if (marks[q] == MARK_DARK) {
                    marks[q] = MARK_VISITED;
                    list[count++] = q;
                    retain = count == limit;
                } else if (marks[q] == MARK_RETAINED) {
                    retain = true;
                }
            }
        }
        for (int i = 0; i < count; ++i) {
            const int64_t p = list[i];
            marks[p] = retain ? MARK_RETAINED : MARK_BACKGROUND;
            if (!retain) {
                uint8_t* pixel = pixels + (height - 1 - p / width) * stride + 3 * (p % width);
                pixel[0] = pixel[1] = pixel[2] = 255;
            }
        }
    }
}
