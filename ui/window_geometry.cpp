#include "window_geometry.h"

RECT OuterRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

namespace {

RECT ClientRect(HWND hwnd) {
    RECT rect{};
    GetClientRect(hwnd, &rect);
    return rect;
}

RECT AdjustedRect(int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle, bool hasMenu) {
    RECT rect{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&rect, style, hasMenu, extendedStyle);
    return rect;
}

}  // namespace

int WindowLeft(HWND hwnd) { return OuterRect(hwnd).left; }
int WindowTop(HWND hwnd) { return OuterRect(hwnd).top; }
int WindowRight(HWND hwnd) { return OuterRect(hwnd).right; }
int WindowWidth(HWND hwnd) {
    const RECT rect = OuterRect(hwnd);
    return rect.right - rect.left;
}
int WindowHeight(HWND hwnd) {
    const RECT rect = OuterRect(hwnd);
    return rect.bottom - rect.top;
}
int ClientWidth(HWND hwnd) { return ClientRect(hwnd).right; }
int ClientHeight(HWND hwnd) { return ClientRect(hwnd).bottom; }

int OuterWidthForClient(int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle, bool hasMenu) {
    const RECT rect = AdjustedRect(clientWidth, clientHeight, style, extendedStyle, hasMenu);
    return rect.right - rect.left;
}

int OuterHeightForClient(int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle, bool hasMenu) {
    const RECT rect = AdjustedRect(clientWidth, clientHeight, style, extendedStyle, hasMenu);
    return rect.bottom - rect.top;
}

void MoveWindowByClient(HWND hwnd, int left, int top, int clientWidth, int clientHeight, bool hasMenu) {
    if (left == -1) left = WindowLeft(hwnd);
    if (top == -1) top = WindowTop(hwnd);
    if (clientWidth == -1) clientWidth = ClientWidth(hwnd);
    if (clientHeight == -1) clientHeight = ClientHeight(hwnd);
    const DWORD style = WS_CAPTION;
    const DWORD extendedStyle = 0;
    MoveWindow(hwnd, left, top, OuterWidthForClient(clientWidth, clientHeight, style, extendedStyle, hasMenu),
               OuterHeightForClient(clientWidth, clientHeight, style, extendedStyle, hasMenu), TRUE);
}

RECT WorkAreaOf(HWND hwnd) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    }
    return info.rcWork;
}

int WindowDpi(HWND hwnd) {
    // GetDpiForWindow came with Windows 10, and the program still starts on
    // Windows 7: it is looked up rather than imported.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (dpiForWindow) {
        if (const UINT dpi = dpiForWindow(hwnd)) return int(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

int ScaleForDpi(int pixels, int dpi) {
    return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI);
}
