#include "formats.h"

#include "velmora.h"

#include <cstring>

namespace {

const FormatFacts Formats[] = {
    {VELMORA_FORMAT_BMP, "bmp", ".bmp", "image/bmp", false, LineFormat::Bmp},
    {VELMORA_FORMAT_PNG, "png", ".png", "image/png", true, LineFormat::Png},
    {VELMORA_FORMAT_SVG, "svg", ".svg", "image/svg+xml", true, LineFormat::Svg},
};

}  // namespace

const FormatFacts* FormatOf(int format) {
    for (const FormatFacts& facts : Formats) {
        if (facts.number == format) return &facts;
    }
    return nullptr;
}

const char* velmora_format_name(int format) {
    const FormatFacts* facts = FormatOf(format);
    return facts ? facts->name : nullptr;
}

const char* velmora_format_extension(int format) {
    const FormatFacts* facts = FormatOf(format);
    return facts ? facts->extension : nullptr;
}

const char* velmora_format_media_type(int format) {
    const FormatFacts* facts = FormatOf(format);
    return facts ? facts->mediaType : nullptr;
}

int velmora_format_transparency(int format) {
    const FormatFacts* facts = FormatOf(format);
    return facts && facts->transparency ? 1 : 0;
}

int velmora_format_named(const char* name) {
    if (!name) return -1;
    for (const FormatFacts& facts : Formats) {
        if (std::strcmp(facts.name, name) == 0) return facts.number;
    }
    return -1;
}
