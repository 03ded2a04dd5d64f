// start_and_close PROGRAM: starts the window program in the current
// directory, waits for its control window (the one with the menu bar) and
// closes it as the close box does, so that the program ends normally and
// saves its settings. Exits with the program's exit code, or 100 when the
// window never appeared or the program did not end within 30 seconds.
#include <windows.h>

#include <cstdio>

namespace {

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindControlWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && IsWindowVisible(window) && GetMenu(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: start_and_close PROGRAM\n", stderr);
        return 100;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(argv[1], nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "start_and_close: cannot start %s (error %lu)\n", argv[1], GetLastError());
        return 100;
    }
    Search search = {process.dwProcessId, nullptr};
    for (int tries = 0; tries < 300 && !search.found; ++tries) {
        Sleep(100);
        EnumWindows(FindControlWindow, reinterpret_cast<LPARAM>(&search));
    }
    DWORD exitCode = 100;
    if (!search.found) {
        std::fputs("start_and_close: the control window did not appear\n", stderr);
        TerminateProcess(process.hProcess, 100);
    } else {
        PostMessageA(search.found, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &exitCode);
        } else {
            std::fputs("start_and_close: the program did not end after WM_CLOSE\n", stderr);
            TerminateProcess(process.hProcess, 100);
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
