// Converting a picture file's bytes into a line drawing file, as the window
// program's document does (load, extract, remove specks, save) but a few rows
// at a time wherever the picture allows: an uncompressed BMP, and a JPEG or
// a PNG that is not interlaced whose EXIF orientation keeps rows as rows (1
// to 4: mirrored or reversed at most). Other pictures are loaded whole.
// Either way the output has the same bytes as the document's. A PNG of rows
// that come bottom row first is held at one bit a pixel until the end; an
// SVG holds the whole drawing, which the tracer needs.
#pragma once

#include "base/dib.h"
#include "base/failure.h"
#include "base/line_choices.h"
#include "base/output_colours.h"
#include "base/output_sink.h"
#include "pipeline/output_formats.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct LineSettings {
    int thickness = 0;
    int contrast = 0;  // the index ExtractEdges takes
    bool removeNoise = false;
    LineFormat format = LineFormat::Bmp;
    OutputColours colours;
    bool decodeAhead = false;  // decode on a thread of its own, for a processor to spare
    LineStyle style = LineStyle::Edges;
};

// Converts into the file at path, all or nothing: a picture found damaged
// halfway leaves any existing file as it was and no temporary file.
bool ConvertToFile(const uint8_t* data, size_t size, const LineSettings& settings, const char* path,
                   Failure* failure);

// Converts into the bytes of the output file, which replace what output
// held; empty on failure.
bool ConvertToMemory(const uint8_t* data, size_t size, const LineSettings& settings, std::vector<uint8_t>& output,
                     Failure* failure);

// Converts into the bytes of the output file, handed to write in order as
// they are made: a PNG of rows that come top row first as its encoder makes
// them, any other output once whole (a BMP is filled from its bottom row,
// an SVG traced at the end). A picture found damaged halfway may leave part
// of a PNG with write, which the caller discards.
bool ConvertToWriter(const uint8_t* data, size_t size, const LineSettings& settings, const OutputWriter& write,
                     Failure* failure);

// The same from the picture file at input. A PNG that streams is read a
// chunk at a time as the conversion goes; any other file is read whole
// first (ReadImageFile).
bool ConvertFileToFile(const char* input, const LineSettings& settings, const char* path, Failure* failure);
bool ConvertFileToMemory(const char* input, const LineSettings& settings, std::vector<uint8_t>& output,
                         Failure* failure);
