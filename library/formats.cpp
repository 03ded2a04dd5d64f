#include "formats.h"

#include "velmora.h"

#include <cstring>
#include <iterator>

static_assert(VELMORA_FORMAT_BMP == int(LineFormat::Bmp) && VELMORA_FORMAT_PNG == int(LineFormat::Png) &&
                  VELMORA_FORMAT_SVG == int(LineFormat::Svg) && std::size(LineFormats) == 3,
              "the header numbers the formats as the engine's table orders them");

const LineFormatInfo* FormatOf(int format) {
    return format >= 0 && format < int(std::size(LineFormats)) ? &LineFormats[format] : nullptr;
}

const char* velmora_format_name(int format) {
    const LineFormatInfo* info = FormatOf(format);
    return info ? info->name : nullptr;
}

const char* velmora_format_extension(int format) {
    const LineFormatInfo* info = FormatOf(format);
    return info ? info->extension : nullptr;
}

const char* velmora_format_media_type(int format) {
    const LineFormatInfo* info = FormatOf(format);
    return info ? info->mime : nullptr;
}

int velmora_format_transparency(int format) {
    const LineFormatInfo* info = FormatOf(format);
    return info && info->transparency ? 1 : 0;
}

int velmora_format_transparent_by_default(int format) {
    const LineFormatInfo* info = FormatOf(format);
    return info && info->transparentByDefault ? 1 : 0;
}

int velmora_format_named(const char* name) {
    if (!name) return -1;
    for (const LineFormatInfo& info : LineFormats) {
        if (std::strcmp(info.name, name) == 0) return int(info.format);
    }
    return -1;
}

int velmora_format_of_name(const char* path, int wanted) {
    if (!path || (wanted != -1 && !FormatOf(wanted))) return -1;
    const std::optional<LineFormat> format =
        FormatOfName(path, wanted == -1 ? std::nullopt : std::optional(LineFormat(wanted)));
    return format ? int(*format) : -1;
}
