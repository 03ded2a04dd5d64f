// Where the rows of a picture go as they become final: an uncompressed BMP,
// a PNG or an SVG, written through a sink (file, memory or a writer). The
// converter streams a line drawing's rows into one; the document feeds its
// whole result into the same, so both give the same bytes.
#pragma once

#include "base/dib.h"
#include "base/line_choices.h"
#include "base/output_colours.h"
#include "base/output_sink.h"

#include <cstdint>
#include <memory>

// What a row output is made for.
struct RowOutputSettings {
    BitmapInfoHeader header{};  // size and density of the upright picture
    OutputColours colours;
    int thickness = 0;       // of the extraction that made the lines: the width of traced strokes
    LineStyle style = LineStyle::Edges;  // of that extraction too: SVG traces ink lines as ink
    bool bottomUp = false;   // rows come bottom row first (only for a bilevel picture)
    bool bilevel = true;     // every pixel black or white, as extraction gives them
};

// Put takes row y of the upright picture, width pixels of 3 bytes, in
// whatever order the rows come; End completes the output. False from either,
// with errno set, when the output fails or memory runs out.
class RowOutput {
public:
    virtual ~RowOutput() = default;
    virtual bool Put(int32_t y, const uint8_t* row) = 0;
    virtual bool End() = 0;
};

// The row output of each format, begun (a BMP's headers are written): null,
// with errno set, when that failed.
//
// BMP: a file gets a block of neighbouring rows (about 256 KiB) at a time,
// one seek and one write each, as its last row comes; memory is filled in
// place; a writer gets the file whole at the end. The rows of a bilevel
// picture are written in the colours; a BMP has no transparency.
std::unique_ptr<RowOutput> OpenBmpOutput(const RowOutputSettings& settings, OutputSink& sink);

// PNG: rows that come top row first are encoded as they come; rows that
// come bottom row first are kept packed at one bit a pixel until the last
// one is in, as PNG is written top row first.
std::unique_ptr<RowOutput> OpenPngOutput(const RowOutputSettings& settings, OutputSink& sink);

// SVG: the tracer needs the whole drawing: its line pixels are gathered at
// one bit each and traced at the end (as ink when settings.style says the
// lines are ink), into a file or memory in pieces of a few tens of
// kilobytes; a writer gets the document once whole.
std::unique_ptr<RowOutput> OpenSvgOutput(const RowOutputSettings& settings, OutputSink& sink);
