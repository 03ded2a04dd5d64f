#include "app_state.h"

#include "window_geometry.h"
#include "placement.h"

namespace {

HFONT CreatePanelFont(int dpi) {
    return CreateFontW(ScaleForDpi(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN,
                       L"ＭＳ ゴシック");
}

}  // namespace

// Defined in one file so that they are constructed in this order: the
// document, the settings file, the font.
ImageDocument Document;
ProfileFile Settings;
HFONT PanelFont = CreatePanelFont(USER_DEFAULT_SCREEN_DPI);

HINSTANCE InstanceHandle = nullptr;
HWND ControlWindow = nullptr;
HWND ImageWindow = nullptr;
std::wstring WindowTitle;
std::string StartupDirectory;

std::wstring LoadResourceString(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW points at the resource itself.
    const int length = LoadStringW(InstanceHandle, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, size_t(length)) : std::wstring();
}

void UsePanelFontFor(int dpi) {
    DeleteObject(PanelFont);
    PanelFont = CreatePanelFont(dpi);
}
