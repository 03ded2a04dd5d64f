#include "help_dialogs.h"

#include "app_state.h"
#include "modal.h"
#include "resource.h"
#include "window_geometry.h"

namespace {

void ShowPage(HWND hwnd, UINT stringId) {
    SetDlgItemTextW(hwnd, IDC_HELP_TEXT, LoadResourceString(stringId).c_str());
}

INT_PTR CALLBACK HelpDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        ShowPage(hwnd, IDS_HELP_STEPS);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_HELP_STEPS:
            ShowPage(hwnd, IDS_HELP_STEPS);
            return TRUE;
        case IDC_HELP_FEATURES:
            ShowPage(hwnd, IDS_HELP_FEATURES);
            return TRUE;
        case IDC_HELP_OPTIONS:
            ShowPage(hwnd, IDS_HELP_OPTIONS);
            return TRUE;
        case IDC_HELP_CLOSE:
        case IDCANCEL:
            EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// The version box's two fonts live while it is open.
HFONT TitleFont = nullptr;
HFONT SmallBoldFont = nullptr;

HFONT CreateBoldFont(int height) {
    return CreateFontW(height, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, PROOF_QUALITY,
                       FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
}

// The box's controls follow its dialog font; these two fonts follow its DPI.
void OnVersionInit(HWND hwnd) {
    const int dpi = WindowDpi(hwnd);
    TitleFont = CreateBoldFont(ScaleForDpi(14, dpi));
    SmallBoldFont = CreateBoldFont(ScaleForDpi(12, dpi));
    SendDlgItemMessageW(hwnd, IDC_ABOUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont), TRUE);
    SendDlgItemMessageW(hwnd, IDC_ABOUT_VERSION, WM_SETFONT, reinterpret_cast<WPARAM>(SmallBoldFont), TRUE);
    SendDlgItemMessageW(hwnd, IDC_ABOUT_COPYRIGHT, WM_SETFONT, reinterpret_cast<WPARAM>(SmallBoldFont), TRUE);
    SetDlgItemTextW(hwnd, IDC_ABOUT_TITLE, LoadResourceString(IDS_APP_NAME).c_str());
    SetDlgItemTextW(hwnd, IDC_ABOUT_VERSION, LoadResourceString(IDS_VERSION).c_str());
    SetDlgItemTextW(hwnd, IDC_ABOUT_COPYRIGHT, LoadResourceString(IDS_COPYRIGHT).c_str());
    SetDlgItemTextW(hwnd, IDC_ABOUT_NOTICE, LoadResourceString(IDS_NOTICE).c_str());
}

void OnVersionClose(HWND hwnd, int result) {
    DeleteObject(TitleFont);
    DeleteObject(SmallBoldFont);
    TitleFont = SmallBoldFont = nullptr;
    EndDialog(hwnd, result);
}

INT_PTR CALLBACK VersionDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnVersionInit(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            OnVersionClose(hwnd, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

void ShowHelpDialog() {
    DialogBoxParamW(App.instance, MAKEINTRESOURCEW(IDD_HELP), nullptr, HelpDialogProc, 0);
}

void ShowVersionDialog(HWND owner) {
    ImageWindowPause pause;
    DialogBoxParamW(App.instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, VersionDialogProc, 0);
}
