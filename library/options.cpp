#include "options.h"

#include "base/line_choices.h"
#include "formats.h"

#include <algorithm>
#include <iterator>

void velmora_options_init(velmora_options* options) {
    if (!options) return;
    *options = {};
    options->thickness = VELMORA_THIN;
    options->contrast = VELMORA_CONTRAST_DEFAULT;
    options->format = VELMORA_FORMAT_BMP;
    options->line_colour = 0x000000;
    options->background_colour = 0xFFFFFF;
}

int CheckOptions(const velmora_options& options, bool converting) {
    const auto isFlag = [](int value) { return value == 0 || value == 1; };
    if (!velmora_thickness_name(options.thickness)) return VELMORA_ERROR_THICKNESS;
    if (options.contrast < VELMORA_CONTRAST_LOWEST || options.contrast > VELMORA_CONTRAST_HIGHEST) {
        return VELMORA_ERROR_CONTRAST;
    }
    if (!isFlag(options.noise)) return VELMORA_ERROR_NOISE;
    const LineFormatInfo* format = FormatOf(options.format);
    if (!format) return VELMORA_ERROR_FORMAT;
    if (options.line_colour > 0xFFFFFF) return VELMORA_ERROR_LINE_COLOUR;
    if (options.background_colour > 0xFFFFFF) return VELMORA_ERROR_BACKGROUND_COLOUR;
    if (!isFlag(options.transparent)) return VELMORA_ERROR_TRANSPARENT;
    if (!velmora_style_name(options.style)) return VELMORA_ERROR_STYLE;
    if (std::any_of(std::begin(options.reserved), std::end(options.reserved), [](int field) { return field != 0; })) {
        return VELMORA_ERROR_RESERVED;
    }
    if (converting && options.transparent && !format->transparency) return VELMORA_ERROR_TRANSPARENT_BMP;
    return VELMORA_OK;
}

LineSettings SettingsOf(const velmora_options& options) {
    LineSettings settings;
    settings.thickness = options.thickness;
    settings.contrast = ContrastIndex(options.contrast);
    settings.removeNoise = options.noise != 0;
    settings.format = FormatOf(options.format)->format;
    settings.colours = {options.line_colour, options.background_colour, options.transparent != 0};
    settings.decodeAhead = options.decode_ahead != 0;
    settings.style = LineStyle(options.style);
    return settings;
}
