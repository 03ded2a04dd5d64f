#include "image_window.h"

#include "app_state.h"
#include "file_commands.h"
#include "window_geometry.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdint>

const int ZoomPercent[5] = {25, 50, 100, 150, 200};
int ZoomIndex = 2;

namespace {

// The client extent for an image extent at a scale in percent.
int ZoomedExtent(int extent, int percent) {
    // Window sizes travel in 16 bits (WM_SIZE), so that is as large as a
    // window gets; an image may be far wider than that.
    constexpr int64_t largest = 32767;
    return int(std::min(int64_t(extent) * percent / 100, largest));
}

}  // namespace

void ApplyZoom() {
    SetForegroundWindow(ImageWindow);
    SetForegroundWindow(ControlWindow);
    const int width = ZoomedExtent(Document.ResultWidth(), ZoomPercent[ZoomIndex]);
    const int height = ZoomedExtent(Document.ResultHeight(), ZoomPercent[ZoomIndex]);
    MoveWindowByClient(ImageWindow, -1, -1, width, height, false);
    InvalidateRect(ImageWindow, nullptr, TRUE);
    InvalidateRect(ControlWindow, nullptr, TRUE);
}

void ZoomIn() {
    if (++ZoomIndex >= 5) ZoomIndex = 4;
    ApplyZoom();
}

void ZoomOut() {
    if (--ZoomIndex < 0) ZoomIndex = 0;
    ApplyZoom();
}

namespace {

void OnPaint(HWND hwnd) {
    PAINTSTRUCT paint{};
    HDC hdc = BeginPaint(hwnd, &paint);
    RECT client{};
    GetClientRect(hwnd, &client);
    Document.Draw(hdc, client.left, client.top, client.right, client.bottom, 0, 0, Document.DrawResult);
    EndPaint(hwnd, &paint);
}

// A file dropped here opens like one dropped on the control window, but the
// open dialog keeps starting at the control window's last file. While a
// modal window of the program has disabled this window, a drop is refused.
void OnDropFiles(HWND hwnd, HDROP drop) {
    const std::string path = TakeDroppedFile(drop);
    if (IsWindowEnabled(hwnd)) OpenImageFile(ControlWindow, path);
}

}  // namespace

INT_PTR CALLBACK ImageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        DragAcceptFiles(hwnd, TRUE);
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(hwnd, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_PAINT:
        OnPaint(hwnd);
        return TRUE;
    }
    return FALSE;
}
