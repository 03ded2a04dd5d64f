// The C options of velmora.h as the engine takes them: checked field by
// field, then turned into the settings of a conversion.
#pragma once

#include "pipeline/line_conversion.h"
#include "velmora.h"

// VELMORA_OK, or the error number of the first bad field: a value out of
// range, a reserved field set, and, for a conversion into a file format
// (converting), a transparent background asked of a format without
// transparency (BMP).
int CheckOptions(const velmora_options& options, bool converting);

// The engine's settings for checked options: the same velmora-cli takes
// for the same choices.
LineSettings SettingsOf(const velmora_options& options);
