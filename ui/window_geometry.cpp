#include "window_geometry.h"

namespace {

RECT OuterRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

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
