// The output formats as velmora.h numbers them: VELMORA_FORMAT_* is the
// index of the format in the engine's table (output_formats.h).
#pragma once

#include "pipeline/output_formats.h"

// The table's row for the format numbered format; null for no format.
const LineFormatInfo* FormatOf(int format);
