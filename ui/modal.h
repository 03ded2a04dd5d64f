// Modal windows of the program. While a file dialog, the version box or a
// message box is open, the control window is disabled by the platform as
// their owner; the image window has no owner, so it is disabled here for the
// same time and takes no click and no drop meanwhile.
#pragma once

#include <windows.h>

// Disables the image window while it lives; nested pauses keep it disabled
// until the outermost one ends.
class ImageWindowPause {
public:
    ImageWindowPause();
    ~ImageWindowPause();
    ImageWindowPause(const ImageWindowPause&) = delete;
    ImageWindowPause& operator=(const ImageWindowPause&) = delete;

private:
    bool wasDisabled;
};

// A message box of the program, captioned with its title, the image window
// paused while it is open. Returns the button chosen.
int ShowMessage(HWND owner, const wchar_t* text, UINT type = MB_OK);

// What every command says when memory runs out.
inline constexpr wchar_t MemoryMessage[] = L"メモリが不足しています．";
