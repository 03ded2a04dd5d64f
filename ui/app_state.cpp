#include "app_state.h"

#include "window_geometry.h"

namespace {

HFONT CreatePanelFont(int dpi) {
    return CreateFontW(ScaleForDpi(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN,
                       L"ＭＳ ゴシック");
}

}  // namespace

// Defined in one file so that the references are bound after the state
// they name is constructed.
AppState App;
ImageDocument& Document = App.document();
HWND& ControlWindow = App.controlWindow;
HWND& ImageWindow = App.imageWindow;
HFONT PanelFont = CreatePanelFont(USER_DEFAULT_SCREEN_DPI);

void AppState::Reset() {
    static_cast<AppValues&>(*this) = AppValues{};
    documentSlot.emplace();
}

void MarkResultKept() {
    App.resultUnkept = false;
}

std::wstring LoadResourceString(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW points at the resource itself.
    const int length = LoadStringW(App.instance, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, size_t(length)) : std::wstring();
}

void UsePanelFontFor(int dpi) {
    DeleteObject(PanelFont);
    PanelFont = CreatePanelFont(dpi);
}
