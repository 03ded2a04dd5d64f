#include "startup.h"

#include "app_state.h"
#include "control_window.h"
#include "image_window.h"
#include "resource.h"
#include "window_geometry.h"

namespace {

std::string CurrentDirectory() {
    const DWORD length = GetCurrentDirectoryA(0, nullptr);
    std::string directory(length, '\0');
    const DWORD written = GetCurrentDirectoryA(length, directory.data());
    directory.resize(written < length ? written : 0);
    return directory;
}

// Without stored settings the control window is centred on the screen and
// the image window stands at its right edge, at the same top.
void PlaceWindows() {
    HWND desktop = GetDesktopWindow();
    const int left = WindowWidth(desktop) / 2 - WindowWidth(ControlWindow) / 2;
    const int top = WindowHeight(desktop) / 2 - WindowHeight(ControlWindow) / 2;
    MoveWindowByClient(ControlWindow, left, top, -1, -1, true);
    MoveWindowByClient(ImageWindow, WindowRight(ControlWindow), top, -1, -1, false);
}

}  // namespace

HACCEL StartProgram(HINSTANCE instance) {
    StartupDirectory = CurrentDirectory();
    InstanceHandle = instance;
    ControlWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_CONTROL), nullptr, ControlWindowProc, 0);
    ImageWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_IMAGE), nullptr, ImageWindowProc, 0);
    WindowTitle = LoadResourceString(IDS_APP_NAME) + L"  " + LoadResourceString(IDS_VERSION);
    SetWindowTextW(ControlWindow, WindowTitle.c_str());
    PlaceWindows();
    ShowWindow(ImageWindow, SW_SHOW);
    ShowWindow(ControlWindow, SW_SHOW);
    UpdateWindow(ImageWindow);
    UpdateWindow(ControlWindow);
    return LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
}

void DispatchProgramMessage(MSG& message, HACCEL accelerators) {
    if (TranslateAcceleratorW(ControlWindow, accelerators, &message)) return;
    if (IsDialogMessageW(ControlWindow, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int RunMessageLoop(HACCEL accelerators) {
    MSG message{};
    for (;;) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) break;
        if (result == -1) {
            MessageBoxW(nullptr, L"GetMessageにエラーが発生しました", L"error", MB_OK);
            break;
        }
        DispatchProgramMessage(message, accelerators);
    }
    return int(message.wParam);
}
