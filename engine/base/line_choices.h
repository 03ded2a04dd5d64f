// The choices a drawing is made with, named and bounded in one place: the
// kernels, the file formats, the document's history, the settings and every
// front end (through the C library) read them here. A front end's labels,
// in its own language, stay its own; their number and order are these.
#pragma once

#include <array>

// Which lines a drawing is made of, in the order of LineStyleNames.
enum class LineStyle {
    Edges,  // kernels/edge_extraction.h
    Ink,    // kernels/ink_extraction.h
    Photo,  // kernels/photo_lines.h
};

// The names front ends take and show: velmora-cli's --style, Python's
// style=, the page's values.
inline constexpr std::array<const char*, 3> LineStyleNames = {"edges", "ink", "photo"};

// Thickness 0 is thin (the darker side of an edge, ink as it is), 1 thick.
inline constexpr std::array<const char*, 2> ThicknessNames = {"thin", "thick"};

// Contrast as users set it: fewer lines as it grows.
inline constexpr int LowestContrast = 1;
inline constexpr int HighestContrast = 16;
inline constexpr int DefaultContrast = 7;

// The extraction's index of a contrast, 0 for the lowest: what the kernels
// take.
constexpr int ContrastIndex(int contrast) {
    return contrast - LowestContrast;
}
