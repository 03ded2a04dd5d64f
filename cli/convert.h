// Converting one image file into a line drawing, as the window program does:
// load, extract edges, remove specks when asked, write the result.
#pragma once

#include <string>

// Converts input into output (PNG when output ends in .png, else a 24-bit
// BMP) with thickness 0 or 1 and the contrast as the user sees it (1 to 16).
// Returns an empty string on success, else one line saying what went wrong.
// Nothing is left at output on failure.
std::string ConvertFile(const std::string& input, const std::string& output, int thickness, int contrast,
                        bool noise);
