// ヴェルモラ抽出器: turns a colour picture into a black-on-white line drawing.
#include "app_state.h"
#include "startup.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The manifest asks for common controls version 6; loading them before the
    // first dialog gives its buttons and boxes the visual styles.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    HACCEL accelerators = StartProgram(instance);
    const int exitCode = RunMessageLoop(accelerators);
    DestroyWindow(ImageWindow);
    DeleteObject(PanelFont);
    return exitCode;
}
