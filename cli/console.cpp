#include "console.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
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
#else
bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

void UseUtf8Console() {}
#endif
