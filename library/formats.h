// The output formats the library writes: the one place that knows their
// names, extensions, media types and what each can hold.
#pragma once

#include "line_conversion.h"

struct FormatFacts {
    int number;              // VELMORA_FORMAT_*
    const char* name;        // as velmora-cli's --format takes it
    const char* extension;   // with its dot, in small letters
    const char* mediaType;
    bool transparency;       // whether the background can be transparent
    LineFormat lineFormat;   // the engine's name for it
};

// The facts of the format numbered format; null for no format.
const FormatFacts* FormatOf(int format);
