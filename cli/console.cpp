#include "console.h"

#include "base/file_io.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#ifdef _WIN32
bool IsTerminal(std::FILE* stream) {
    // _isatty also holds for the NUL device; only a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

void UseUtf8Console() {
    // The manifest makes the narrow strings UTF-8; a console still shows them
    // in its own code page unless told otherwise.
    if (IsTerminal(stdout) || IsTerminal(stderr)) SetConsoleOutputCP(CP_UTF8);
}

namespace {

// Runs on a thread of its own; the next handler, the system's, ends the
// process.
BOOL WINAPI OnConsoleControl(DWORD) {
    RemoveTemporaryFiles();
    return FALSE;
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}
#else
bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

void UseUtf8Console() {}

namespace {

// The handler was installed for one delivery only (SA_RESETHAND): the signal
// raised again takes its default action once the handler returns.
void OnInterrupt(int signalNumber) {
    RemoveTemporaryFiles();
    raise(signalNumber);
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored by whoever started the program (nohup) stays so.
        struct sigaction previous {};
        if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            sigaction(signalNumber, &action, nullptr);
        }
    }
}
#endif
