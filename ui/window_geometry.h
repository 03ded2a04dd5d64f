// Window geometry: outer edges and sizes, client sizes, moving a window by
// the client size it should get, the screen room a window has and its DPI.
#pragma once

#include <windows.h>

// The outer rectangle, in screen coordinates.
RECT OuterRect(HWND hwnd);

int WindowLeft(HWND hwnd);
int WindowTop(HWND hwnd);
int WindowRight(HWND hwnd);
int WindowWidth(HWND hwnd);
int WindowHeight(HWND hwnd);
int ClientWidth(HWND hwnd);
int ClientHeight(HWND hwnd);

// Outer size of a window of that style (and menu bar) whose client area has
// the given size.
int OuterWidthForClient(int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle, bool hasMenu);
int OuterHeightForClient(int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle, bool hasMenu);

// Moves the window so that its outer rectangle starts at (left, top) and its
// client area gets the given size; -1 for any of the four keeps the current
// value.
void MoveWindowByClient(HWND hwnd, int left, int top, int clientWidth, int clientHeight, bool hasMenu);

// The work area (the monitor less its taskbars) of the monitor the window
// is on, or is nearest to.
RECT WorkAreaOf(HWND hwnd);

// The dots per inch the window is drawn at: its monitor's under per-monitor
// awareness, else the system's.
int WindowDpi(HWND hwnd);

// A length given in pixels at 96 dots per inch, at dpi; unchanged at 96.
int ScaleForDpi(int pixels, int dpi);
