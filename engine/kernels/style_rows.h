// A line style that needs more source rows around a result row than edges'
// three is made a row at a time by one of these: source rows go in top row
// first, and result rows come out, top row first, once the source rows they
// need are in. LineRows takes the rows of ink (ink_extraction.h) and photo
// (photo_lines.h) lines through it.
#pragma once

#include <cstdint>

class StyleRows {
public:
    virtual ~StyleRows() = default;

    // Takes the next source row: width pixels of 3 bytes, blue, green, red.
    // Every ready result row must be taken before the next source row comes.
    virtual void Put(const uint8_t* source) = 0;

    // Whether the next result row can be taken: the source rows it needs are
    // in, or every source row is.
    virtual bool Ready() const = 0;

    // Writes the next result row, top row first, as width pixels of 3 bytes,
    // black (0, 0, 0) for lines and white (255, 255, 255) elsewhere.
    virtual void Take(uint8_t* out) = 0;
};
