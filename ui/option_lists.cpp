#include "option_lists.h"

#include "app_state.h"
#include "resource.h"

#include <cwchar>

namespace {

void AddItem(HWND hwnd, int comboId, const std::wstring& text) {
    SendDlgItemMessageW(hwnd, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

void FillOptionLists(HWND hwnd) {
    AddItem(hwnd, IDC_STYLE, LoadResourceString(IDS_STYLE_EDGES));
    AddItem(hwnd, IDC_STYLE, LoadResourceString(IDS_STYLE_INK));
    SendDlgItemMessageW(hwnd, IDC_STYLE, CB_SETCURSEL, 0, 0);

    AddItem(hwnd, IDC_NOISE, LoadResourceString(IDS_NOISE_OFF));
    AddItem(hwnd, IDC_NOISE, LoadResourceString(IDS_NOISE_ON));
    SendDlgItemMessageW(hwnd, IDC_NOISE, CB_SETCURSEL, 0, 0);

    AddItem(hwnd, IDC_THICKNESS, LoadResourceString(IDS_THIN));
    AddItem(hwnd, IDC_THICKNESS, LoadResourceString(IDS_THICK));
    SendDlgItemMessageW(hwnd, IDC_THICKNESS, CB_SETCURSEL, 0, 0);

    for (int contrast = 1; contrast <= 16; ++contrast) {
        wchar_t text[256];
        const wchar_t* format = contrast == 1 ? L"%d (細かい)" : contrast == 16 ? L"%d (荒い)" : L"%d";
        std::swprintf(text, 256, format, contrast);
        AddItem(hwnd, IDC_CONTRAST, text);
    }
    SendDlgItemMessageW(hwnd, IDC_CONTRAST, CB_SETCURSEL, 6, 0);
}

LineStyle ChosenLineStyle() {
    const LRESULT item = SendDlgItemMessageW(App.controlWindow, IDC_STYLE, CB_GETCURSEL, 0, 0);
    return item == 1 ? LineStyle::Ink : LineStyle::Edges;
}

void ShowLineStyle(LineStyle style) {
    SendDlgItemMessageW(App.controlWindow, IDC_STYLE, CB_SETCURSEL, style == LineStyle::Ink ? 1 : 0, 0);
}
