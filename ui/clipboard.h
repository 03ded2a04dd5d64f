// The clipboard commands. Copy puts the result as the platform's bitmap and
// as a PNG of the lines on a transparent background (the format registered
// as "PNG", which painting programs and browsers exchange). Paste takes, in
// this order, a PNG, a 32-bit bitmap whose alpha is used, or a plain bitmap;
// transparent parts come out over white, as when such a file is opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Puts the result, unscaled, on the clipboard; nothing before the first
// extraction of an image.
void CopyResultToClipboard();

// Takes the clipboard's picture as the new image; false (nothing changed)
// when the clipboard offers none or none can be read.
bool PasteFromClipboard();

// The BMP file that holds a packed bitmap as the clipboard keeps one (an
// info header of 40 bytes or more, colour masks, palette, pixels): the
// file header put in front, its pixel offset counted from the info header.
// Empty when the block is too small for what its header says, or too
// large for a BMP file.
std::vector<uint8_t> BmpFileOfPackedDib(const uint8_t* dib, size_t size);
