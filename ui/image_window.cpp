#include "image_window.h"

#include "app_state.h"
#include "document/image_document_gdi.h"
#include "file_commands.h"
#include "image_placement.h"
#include "resource.h"
#include "window_geometry.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

const int ZoomPercent[5] = {25, 50, 100, 150, 200};

namespace {

ImageWindowOwner* Owner = nullptr;

// The view's corner in the picture at the current scale, and whether the
// window has scroll bars: when it has none, it shows the whole picture.
POINT Scroll{};
bool Scrolling = false;

// A left-button drag: where it started, and the view's corner then.
POINT DragStart{};
POINT DragScroll{};

// Wheel turns too small for a zoom step, kept until they add up to one.
int ZoomWheelDelta = 0;

// The shown extent of an image extent at the current scale. The largest
// picture at 200 % still fits an int.
int Zoomed(int extent) {
    return int(int64_t(extent) * ZoomPercent[App.zoomIndex] / 100);
}

int ZoomedWidth() { return Zoomed(Document.ResultWidth()); }
int ZoomedHeight() { return Zoomed(Document.ResultHeight()); }

// The window's client area: the picture at the current scale where the
// room allows, else the room, less the scroll bars that then take their
// share of it. A bar along one edge can make the other extent too small.
struct ViewLayout {
    int width;
    int height;
    bool scrollX;
    bool scrollY;
};

ViewLayout FitView(int width, int height, int roomWidth, int roomHeight, int barWidth, int barHeight) {
    bool scrollX = width > roomWidth;
    bool scrollY = height > roomHeight - (scrollX ? barHeight : 0);
    scrollX = width > roomWidth - (scrollY ? barWidth : 0);
    scrollY = height > roomHeight - (scrollX ? barHeight : 0);
    return {std::min(width, roomWidth - (scrollY ? barWidth : 0)),
            std::min(height, roomHeight - (scrollX ? barHeight : 0)), scrollX, scrollY};
}

void SetScrollBar(int bar, int extent, int page, int position, bool shown) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    // An empty range hides the bar.
    info.nMax = shown ? extent - 1 : 0;
    info.nPage = shown ? UINT(page) : 0;
    info.nPos = shown ? position : 0;
    SetScrollInfo(ImageWindow, bar, &info, TRUE);
}

// Moves the view's corner to (x, y), kept inside the picture.
void ScrollTo(int x, int y) {
    const POINT next{std::clamp(x, 0, std::max(0, ZoomedWidth() - ClientWidth(ImageWindow))),
                     std::clamp(y, 0, std::max(0, ZoomedHeight() - ClientHeight(ImageWindow)))};
    if (next.x == Scroll.x && next.y == Scroll.y) return;
    Scroll = next;
    SetScrollPos(ImageWindow, SB_HORZ, Scroll.x, TRUE);
    SetScrollPos(ImageWindow, SB_VERT, Scroll.y, TRUE);
    InvalidateRect(ImageWindow, nullptr, FALSE);
}

// The window's client size and scroll bars for the picture at the current
// scale within a room of that outer size.
struct WindowLayout {
    ViewLayout view;
    int clientWidth;
    int clientHeight;
    SIZE outer;
};

WindowLayout LayOutIn(const RECT& room) {
    const DWORD style = WS_CAPTION;
    const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int barHeight = GetSystemMetrics(SM_CYHSCROLL);
    const ViewLayout view = FitView(ZoomedWidth(), ZoomedHeight(),
                                    room.right - room.left - OuterWidthForClient(0, 0, style, 0, false),
                                    room.bottom - room.top - OuterHeightForClient(0, 0, style, 0, false), barWidth,
                                    barHeight);
    const int clientWidth = view.width + (view.scrollY ? barWidth : 0);
    const int clientHeight = view.height + (view.scrollX ? barHeight : 0);
    return {view, clientWidth, clientHeight,
            {OuterWidthForClient(clientWidth, clientHeight, style, 0, false),
             OuterHeightForClient(clientWidth, clientHeight, style, 0, false)}};
}

// Sizes the image window for the picture at the current scale, within the
// room beside the control window that the work area of its monitor leaves,
// keeping its left and top edges where the window then still lies in it.
void LayOutImageWindow() {
    const RECT work = WorkAreaOf(ImageWindow);
    const RECT room = ImageWindowRoom(work, OuterRect(ControlWindow), LayOutIn(work).outer);
    const WindowLayout layout = LayOutIn(room);
    const ViewLayout& view = layout.view;
    Scrolling = view.scrollX || view.scrollY;
    Scroll.x = view.scrollX ? std::clamp(int(Scroll.x), 0, ZoomedWidth() - view.width) : 0;
    Scroll.y = view.scrollY ? std::clamp(int(Scroll.y), 0, ZoomedHeight() - view.height) : 0;
    SetScrollBar(SB_HORZ, ZoomedWidth(), view.width, Scroll.x, view.scrollX);
    SetScrollBar(SB_VERT, ZoomedHeight(), view.height, Scroll.y, view.scrollY);
    const POINT place = PlaceInRoom(room, {WindowLeft(ImageWindow), WindowTop(ImageWindow)}, layout.outer);
    MoveWindowByClient(ImageWindow, place.x, place.y, layout.clientWidth, layout.clientHeight, false);
}

void ShowAtCurrentScale() {
    LayOutImageWindow();
    ShowResult();
    InvalidateRect(ControlWindow, nullptr, TRUE);
}

// How far a scroll bar arrow moves the view, and a wheel notch per line the
// system's setting gives it.
int LineStep() {
    return ScaleForDpi(16, WindowDpi(ImageWindow));
}

// A point of the picture in image pixels, and the client point showing it.
struct PicturePoint {
    double x;
    double y;
};

PicturePoint PictureAt(POINT client) {
    const double scale = ZoomPercent[App.zoomIndex] / 100.0;
    return {(Scroll.x + client.x) / scale, (Scroll.y + client.y) / scale};
}

void ShowPictureAt(PicturePoint point, POINT client) {
    const double scale = ZoomPercent[App.zoomIndex] / 100.0;
    ScrollTo(int(std::lround(point.x * scale)) - client.x, int(std::lround(point.y * scale)) - client.y);
}

POINT ViewCentre() {
    return {ClientWidth(ImageWindow) / 2, ClientHeight(ImageWindow) / 2};
}

void ZoomStep(int step) {
    const PicturePoint centre = PictureAt(ViewCentre());
    App.zoomIndex = std::clamp(App.zoomIndex + step, 0, 4);
    ShowAtCurrentScale();
    ShowPictureAt(centre, ViewCentre());
}

bool IsProgramWindow(HWND hwnd) {
    return hwnd == ControlWindow || hwnd == ImageWindow || IsChild(ControlWindow, hwnd);
}

// Each whole notch is one zoom command, as the menu gives it, so that the
// buttons, menu and panel follow; without an image, whose zoom commands are
// grayed, it does nothing.
void ZoomByWheel(int delta, POINT screen) {
    POINT mouse = screen;
    ScreenToClient(ImageWindow, &mouse);
    RECT client{};
    GetClientRect(ImageWindow, &client);
    const bool overPicture = PtInRect(&client, mouse) && WindowFromPoint(screen) == ImageWindow;
    ZoomWheelDelta += delta;
    const int steps = ZoomWheelDelta / WHEEL_DELTA;
    ZoomWheelDelta -= steps * WHEEL_DELTA;
    if (!Document.HasSource()) return;
    for (int step = 0; step < std::abs(steps); ++step) {
        const PicturePoint shown = PictureAt(mouse);
        Owner->Command(steps > 0 ? IDM_ZOOM_IN : IDM_ZOOM_OUT);
        if (!overPicture) continue;
        // The window may have moved to stay on the screen.
        mouse = screen;
        ScreenToClient(ImageWindow, &mouse);
        ShowPictureAt(shown, mouse);
    }
}

void OnPaint(HWND hwnd) {
    PAINTSTRUCT paint{};
    HDC hdc = BeginPaint(hwnd, &paint);
    RECT client{};
    GetClientRect(hwnd, &client);
    const DibInfo* info = Document.ResultInfo();
    const int percent = ZoomPercent[App.zoomIndex];
    if (!Scrolling || !info) {
        // The whole picture; a window wider than a tiny picture, as the
        // platform's minimum width makes it, gets it stretched.
        DocumentGdi::Draw(Document, hdc, client.left, client.top, client.right, client.bottom, 0, 0,
                          DocumentGdi::DrawResult);
    } else if (percent == 100) {
        const int width = std::min(int(client.right), ZoomedWidth() - int(Scroll.x));
        const int height = std::min(int(client.bottom), ZoomedHeight() - int(Scroll.y));
        DocumentGdi::Draw(Document, hdc, 0, 0, width, height, Scroll.x, Scroll.y,
                          DocumentGdi::DrawResultUnscaled);
    } else {
        // Only the picture's pixels in view are scaled: from the first one
        // the view's corner touches to the last its far edge touches.
        const int imageWidth = Document.ResultWidth();
        const int imageHeight = Document.ResultHeight();
        const int left = int(int64_t(Scroll.x) * 100 / percent);
        const int top = int(int64_t(Scroll.y) * 100 / percent);
        const int right = std::min(imageWidth, int((int64_t(Scroll.x) + client.right) * 100 / percent + 1));
        const int bottom = std::min(imageHeight, int((int64_t(Scroll.y) + client.bottom) * 100 / percent + 1));
        const int destinationLeft = Zoomed(left) - Scroll.x;
        const int destinationTop = Zoomed(top) - Scroll.y;
        const int previousMode = SetStretchBltMode(hdc, HALFTONE);
        POINT previousOrigin{};
        SetBrushOrgEx(hdc, 0, 0, &previousOrigin);
        // Bottom-up rows: the source rectangle is counted from the bottom.
        StretchDIBits(hdc, destinationLeft, destinationTop, Zoomed(right) - Scroll.x - destinationLeft,
                      Zoomed(bottom) - Scroll.y - destinationTop, left, imageHeight - bottom, right - left,
                      bottom - top, info->pixels, reinterpret_cast<const BITMAPINFO*>(info->header), DIB_RGB_COLORS,
                      SRCCOPY);
        SetBrushOrgEx(hdc, previousOrigin.x, previousOrigin.y, nullptr);
        SetStretchBltMode(hdc, previousMode);
    }
    EndPaint(hwnd, &paint);
}

void OnScroll(int bar, int request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(ImageWindow, bar, &info);
    const int line = LineStep();
    int position = info.nPos;
    switch (request) {
    case SB_LINEUP: position -= line; break;
    case SB_LINEDOWN: position += line; break;
    case SB_PAGEUP: position -= int(info.nPage); break;
    case SB_PAGEDOWN: position += int(info.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = info.nMax; break;
    }
    if (bar == SB_HORZ) {
        ScrollTo(position, Scroll.y);
    } else {
        ScrollTo(Scroll.x, position);
    }
}

void OnLeftButtonDown(HWND hwnd, LPARAM point) {
    if (!Scrolling) return;
    SetCapture(hwnd);
    DragStart = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    DragScroll = Scroll;
}

void OnMouseMove(HWND hwnd, LPARAM point) {
    if (GetCapture() != hwnd) return;
    ScrollTo(DragScroll.x - (GET_X_LPARAM(point) - DragStart.x), DragScroll.y - (GET_Y_LPARAM(point) - DragStart.y));
}

// Moved to a monitor of another DPI: the frame changes, the picture's
// device pixels do not.
void OnDpiChanged(HWND hwnd, const RECT& suggested) {
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOutImageWindow();
    InvalidateRect(hwnd, nullptr, TRUE);
}

// Escape here (the dialog key handling gives it as IDCANCEL) closes the
// program as it does in the control window.
BOOL OnCommand(UINT id) {
    if (id != IDCANCEL) return FALSE;
    Owner->Command(IDCANCEL);
    return TRUE;
}

// A file dropped here opens like one dropped on the control window, but the
// open dialog keeps starting at the control window's last file. While a
// modal window of the program has disabled this window, a drop is refused.
void OnDropFiles(HWND hwnd, HDROP drop) {
    const std::string path = TakeDroppedFile(drop);
    if (IsWindowEnabled(hwnd)) Owner->FileDropped(path);
}

}  // namespace

void SetImageWindowOwner(ImageWindowOwner& owner) {
    Owner = &owner;
}

void ShowResult() {
    // Brought up just behind the control window, which keeps the keyboard
    // and stays in front, where the user left it.
    SetForegroundWindow(ControlWindow);
    SetWindowPos(ImageWindow, ControlWindow, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(ImageWindow, nullptr, TRUE);
}

void ApplyZoom() {
    Scroll = {0, 0};
    ShowAtCurrentScale();
}

void ZoomIn() {
    ZoomStep(1);
}

void ZoomOut() {
    ZoomStep(-1);
}

POINT ImageScrollPosition() {
    return Scroll;
}

int WheelScrollStep() {
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    // "One screen per notch" scrolls a view's height.
    if (lines == WHEEL_PAGESCROLL) return std::max(1, ClientHeight(ImageWindow));
    return int(lines) * LineStep();
}

bool TakeMouseWheel(const MSG& message) {
    if ((message.message != WM_MOUSEWHEEL && message.message != WM_MOUSEHWHEEL) || !IsProgramWindow(message.hwnd)) {
        return false;
    }
    const int delta = GET_WHEEL_DELTA_WPARAM(message.wParam);
    const int keys = GET_KEYSTATE_WPARAM(message.wParam);
    const POINT screen{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    if (keys & MK_CONTROL) {
        if (message.message == WM_MOUSEWHEEL) ZoomByWheel(delta, screen);
        return true;
    }
    if (message.hwnd != ImageWindow && WindowFromPoint(screen) != ImageWindow) return false;
    const int distance = MulDiv(delta, WheelScrollStep(), WHEEL_DELTA);
    if (message.message == WM_MOUSEHWHEEL) {
        ScrollTo(Scroll.x + distance, Scroll.y);
    } else if (keys & MK_SHIFT) {
        ScrollTo(Scroll.x - distance, Scroll.y);
    } else {
        ScrollTo(Scroll.x, Scroll.y - distance);
    }
    return true;
}

INT_PTR CALLBACK ImageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        DragAcceptFiles(hwnd, TRUE);
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(hwnd, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_PAINT:
        OnPaint(hwnd);
        return TRUE;
    case WM_HSCROLL:
        OnScroll(SB_HORZ, LOWORD(wParam));
        return TRUE;
    case WM_VSCROLL:
        OnScroll(SB_VERT, LOWORD(wParam));
        return TRUE;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(hwnd, lParam);
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(hwnd, lParam);
        return TRUE;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return TRUE;
    case WM_DPICHANGED:
        OnDpiChanged(hwnd, *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    }
    return FALSE;
}
