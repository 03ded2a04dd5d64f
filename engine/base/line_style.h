// Which lines a drawing is made of: a choice that the kernels, the file
// formats, the document's history and the settings all name, so it lives
// below all of them.
#pragma once

enum class LineStyle {
    Edges,  // kernels/edge_extraction.h
    Ink,    // kernels/ink_extraction.h
};
