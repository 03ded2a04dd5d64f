// What velmora-cli --help shows. Its lists of styles, thicknesses, formats
// and contrasts, and the defaults, are the C library's and the converter's
// own (ConvertOptions); the words for each style and format are here.
#pragma once

#include <string>

// The help text. Throws std::logic_error when the library names a style or
// format that has no words here, or these words name one it lacks: the
// converter's tests run it.
std::string UsageText();
