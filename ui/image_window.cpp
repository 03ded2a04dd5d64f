#include "image_window.h"

#include "app_state.h"
#include "file_commands.h"
#include "window_geometry.h"

#include <shellapi.h>

const int ZoomPercent[5] = {25, 50, 100, 150, 200};
int ZoomIndex = 2;

void ApplyZoom() {
    SetForegroundWindow(ImageWindow);
    SetForegroundWindow(ControlWindow);
    const int percent = ZoomPercent[ZoomIndex];
    const int width = Document.ResultWidth() * percent / 100;
    const int height = Document.ResultHeight() * percent / 100;
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
// default save name stays that of the control window's last file.
void OnDropFiles(HDROP drop) {
    OpenImageFile(ControlWindow, TakeDroppedFile(drop));
}

}  // namespace

INT_PTR CALLBACK ImageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        DragAcceptFiles(hwnd, TRUE);
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_PAINT:
        OnPaint(hwnd);
        return TRUE;
    }
    return FALSE;
}
