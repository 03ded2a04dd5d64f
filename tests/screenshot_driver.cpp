// Starts the window program as its entry function does, opens the image named
// on the command line, runs one extraction with thick lines and noise removal,
// creates the file named second once both windows are painted, and keeps
// running until closed: scripts/screenshot.sh photographs it.
#include "app_state.h"
#include "control_window.h"
#include "image_window.h"
#include "resource.h"
#include "startup.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HACCEL accelerators = StartProgram(GetModuleHandleW(nullptr));
    if (!Document.LoadFile(argv[1])) return 1;
    ZoomIndex = 2;
    ApplyZoom();
    ApplyNewImageState();
    SendDlgItemMessageW(ControlWindow, IDC_NOISE, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageW(ControlWindow, IDC_THICKNESS, CB_SETCURSEL, 1, 0);
    SendMessageW(ControlWindow, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, 0), 0);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchProgramMessage(message, accelerators);
    UpdateWindow(ImageWindow);
    UpdateWindow(ControlWindow);
    if (std::FILE* ready = std::fopen(argv[2], "w")) std::fclose(ready);
    return RunMessageLoop(accelerators);
}
