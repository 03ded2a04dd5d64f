#include "startup.h"

#include "app_state.h"
#include "commands.h"
#include "control_window.h"
#include "image_window.h"
#include "resource.h"
#include "window_geometry.h"
#include "placement.h"

namespace {

std::string CurrentDirectory() {
    const DWORD length = GetCurrentDirectoryA(0, nullptr);
    std::string directory(length, '\0');
    const DWORD written = GetCurrentDirectoryA(length, directory.data());
    directory.resize(written < length ? written : 0);
    return directory;
}

}  // namespace

HACCEL StartProgram(HINSTANCE instance) {
    App.startupDirectory = CurrentDirectory();
    App.instance = instance;
    ControlWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_CONTROL), nullptr, ControlWindowProc, 0);
    ImageWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_IMAGE), nullptr, ImageWindowProc, 0);
    App.windowTitle = LoadResourceString(IDS_APP_NAME) + L"  " + LoadResourceString(IDS_VERSION);
    SetWindowTextW(ControlWindow, App.windowTitle.c_str());
    const std::wstring settingsName = LoadResourceString(IDS_SETTINGS_FILE);
    Settings.SetPath(App.startupDirectory, std::string(settingsName.begin(), settingsName.end()));
    PlaceWindowsFromSettings();
    UpdateCommands(App);
    ShowWindow(ImageWindow, SW_SHOW);
    ShowWindow(ControlWindow, SW_SHOW);
    UpdateWindow(ImageWindow);
    UpdateWindow(ControlWindow);
    return LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
}

void DispatchProgramMessage(MSG& message, HACCEL accelerators) {
    if (TakeMouseWheel(message)) return;
    if (TranslateAcceleratorW(ControlWindow, accelerators, &message)) return;
    if (IsDialogMessageW(ControlWindow, &message) || IsDialogMessageW(ImageWindow, &message)) return;
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
