// ヴェルモラ抽出器: turns a colour picture into a black-on-white line drawing.
#include "app_state.h"
#include "startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HACCEL accelerators = StartProgram(instance);
    const int exitCode = RunMessageLoop(accelerators);
    DestroyWindow(ImageWindow);
    DeleteObject(PanelFont);
    return exitCode;
}
