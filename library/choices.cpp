// The names of the styles, thicknesses and pixel layouts velmora.h numbers,
// from the engine's lists (base/line_choices.h) where the engine has them.
#include "base/line_choices.h"
#include "velmora.h"

#include <array>
#include <cstring>
#include <iterator>

static_assert(VELMORA_STYLE_EDGES == int(LineStyle::Edges) && VELMORA_STYLE_INK == int(LineStyle::Ink) &&
                  VELMORA_STYLE_PHOTO == int(LineStyle::Photo) && std::size(LineStyleNames) == 3,
              "the header numbers the styles as the engine does");
static_assert(VELMORA_THIN == 0 && VELMORA_THICK == 1 && std::size(ThicknessNames) == 2,
              "the header numbers the thicknesses as the engine does");
static_assert(VELMORA_CONTRAST_LOWEST == LowestContrast && VELMORA_CONTRAST_HIGHEST == HighestContrast &&
                  VELMORA_CONTRAST_DEFAULT == DefaultContrast,
              "the header bounds contrast as the engine does");

namespace {

struct Layout {
    const char* name;
    int bytes;
};

// In the order of VELMORA_LAYOUT_*.
constexpr std::array<Layout, 5> Layouts = {{{"RGB", 3}, {"BGR", 3}, {"RGBA", 4}, {"BGRA", 4}, {"GRAY", 1}}};
static_assert(VELMORA_LAYOUT_GRAY == 4, "one name for each layout");

template <typename List>
const char* NameIn(const List& names, int value) {
    return value >= 0 && value < int(std::size(names)) ? names[size_t(value)] : nullptr;
}

template <typename List>
int ValueIn(const List& names, const char* name) {
    if (!name) return -1;
    for (size_t value = 0; value < std::size(names); ++value) {
        if (std::strcmp(names[value], name) == 0) return int(value);
    }
    return -1;
}

constexpr std::array<const char*, Layouts.size()> LayoutNames = [] {
    std::array<const char*, Layouts.size()> names{};
    for (size_t i = 0; i < Layouts.size(); ++i) names[i] = Layouts[i].name;
    return names;
}();

}  // namespace

const char* velmora_style_name(int style) {
    return NameIn(LineStyleNames, style);
}

int velmora_style_named(const char* name) {
    return ValueIn(LineStyleNames, name);
}

const char* velmora_thickness_name(int thickness) {
    return NameIn(ThicknessNames, thickness);
}

int velmora_thickness_named(const char* name) {
    return ValueIn(ThicknessNames, name);
}

const char* velmora_layout_name(int layout) {
    return NameIn(LayoutNames, layout);
}

int velmora_layout_named(const char* name) {
    return ValueIn(LayoutNames, name);
}

int velmora_layout_bytes(int layout) {
    return velmora_layout_name(layout) ? Layouts[size_t(layout)].bytes : 0;
}
