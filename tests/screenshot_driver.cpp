// Starts the window program as its entry function does, opens the image named
// on the command line, runs one extraction with thick lines and noise removal,
// and keeps running until closed: scripts/screenshot.sh photographs it.
// Arguments: IMAGE READY [help|about]. The file READY is created once the
// windows (and the dialog named third, if any) are painted.
#include "app_state.h"
#include "control_window.h"
#include "image_window.h"
#include "resource.h"
#include "startup.h"

#include <cstdio>
#include <cstring>

namespace {

const char* ReadyPath = nullptr;

void MarkReady() {
    if (std::FILE* ready = std::fopen(ReadyPath, "w")) std::fclose(ready);
}

// Runs inside the dialog's own message loop, once it is shown.
void CALLBACK MarkReadyLater(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    MarkReady();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    ReadyPath = argv[2];
    HACCEL accelerators = StartProgram(GetModuleHandleW(nullptr));
    if (!Document.LoadFile(argv[1])) return 1;
    ShowNewImage();
    SendDlgItemMessageW(ControlWindow, IDC_NOISE, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageW(ControlWindow, IDC_THICKNESS, CB_SETCURSEL, 1, 0);
    SendMessageW(ControlWindow, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, 0), 0);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchProgramMessage(message, accelerators);
    UpdateWindow(ImageWindow);
    UpdateWindow(ControlWindow);
    if (argc > 3) {
        PostMessageW(ControlWindow, WM_COMMAND, std::strcmp(argv[3], "help") == 0 ? IDC_HELP : IDM_ABOUT, 0);
        SetTimer(nullptr, 0, 1500, MarkReadyLater);
    } else {
        MarkReady();
    }
    return RunMessageLoop(accelerators);
}
