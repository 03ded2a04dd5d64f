// Chamfer distances of line pixels to the background, for the widths of ink
// strokes (centre_line_tracer.h): a step to a side neighbour counts 5, a
// step to a diagonal one 7 (5 times 1.4, within 1 % of the square root of
// two), so that a distance divided by 5 is within 4 % of the straight one.
// Each line pixel gets the length of the shortest such path to a background
// pixel, pixels outside the picture being background; background pixels get
// 0. Distances stop at 255, 51 pixels, wider than any stroke ink extraction
// gives (its bands round dark areas are about 32 pixels wide). Integers only.
#pragma once

#include "base/bit_plane.h"

#include <cstdint>
#include <vector>

constexpr int ChamferSide = 5;
constexpr int ChamferDiagonal = 7;

// Fills distances with width x height bytes, row after row (throws
// std::bad_alloc when memory runs out).
void ChamferDistances(const BitPlane& lines, int32_t width, int32_t height, std::vector<uint8_t>& distances);
