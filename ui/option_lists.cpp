#include "option_lists.h"

#include "app_state.h"
#include "resource.h"

#include <cwchar>
#include <iterator>
#include <string_view>

namespace {

// The window's label of each name in the engine's lists, in any order; a
// name without one here stops the build.
struct Label {
    std::string_view name;
    UINT text;
};
constexpr Label StyleLabels[] = {{"edges", IDS_STYLE_EDGES}, {"ink", IDS_STYLE_INK}, {"photo", IDS_STYLE_PHOTO}};
constexpr Label ThicknessLabels[] = {{"thin", IDS_THIN}, {"thick", IDS_THICK}};

template <size_t Count>
constexpr const Label* LabelOf(std::string_view name, const Label (&labels)[Count]) {
    for (const Label& label : labels) {
        if (label.name == name) return &label;
    }
    return nullptr;
}

template <typename Names, size_t Count>
constexpr bool EveryNameLabelled(const Names& names, const Label (&labels)[Count]) {
    for (const char* name : names) {
        if (!LabelOf(name, labels)) return false;
    }
    return true;
}
static_assert(EveryNameLabelled(LineStyleNames, StyleLabels), "a label for every line style");
static_assert(EveryNameLabelled(ThicknessNames, ThicknessLabels), "a label for every thickness");

void AddItem(HWND hwnd, int comboId, const std::wstring& text) {
    SendDlgItemMessageW(hwnd, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Adds the labels of names in their order, the first one selected.
template <typename Names, size_t Count>
void FillList(HWND hwnd, int comboId, const Names& names, const Label (&labels)[Count]) {
    for (const char* name : names) AddItem(hwnd, comboId, LoadResourceString(LabelOf(name, labels)->text));
    SendDlgItemMessageW(hwnd, comboId, CB_SETCURSEL, 0, 0);
}

}  // namespace

void FillOptionLists(HWND hwnd) {
    FillList(hwnd, IDC_STYLE, LineStyleNames, StyleLabels);

    AddItem(hwnd, IDC_NOISE, LoadResourceString(IDS_NOISE_OFF));
    AddItem(hwnd, IDC_NOISE, LoadResourceString(IDS_NOISE_ON));
    SendDlgItemMessageW(hwnd, IDC_NOISE, CB_SETCURSEL, 0, 0);

    FillList(hwnd, IDC_THICKNESS, ThicknessNames, ThicknessLabels);

    // The item of a contrast is its index, which the extraction takes.
    for (int contrast = LowestContrast; contrast <= HighestContrast; ++contrast) {
        wchar_t text[256];
        const wchar_t* format = contrast == LowestContrast    ? L"%d (細かい)"
                                : contrast == HighestContrast ? L"%d (荒い)"
                                                              : L"%d";
        std::swprintf(text, 256, format, contrast);
        AddItem(hwnd, IDC_CONTRAST, text);
    }
    SendDlgItemMessageW(hwnd, IDC_CONTRAST, CB_SETCURSEL, ContrastIndex(DefaultContrast), 0);
}

LineStyle ChosenLineStyle() {
    const LRESULT item = SendDlgItemMessageW(App.controlWindow, IDC_STYLE, CB_GETCURSEL, 0, 0);
    return item >= 0 && item < LRESULT(std::size(LineStyleNames)) ? LineStyle(item) : LineStyle::Edges;
}

void ShowLineStyle(LineStyle style) {
    SendDlgItemMessageW(App.controlWindow, IDC_STYLE, CB_SETCURSEL, WPARAM(style), 0);
}
