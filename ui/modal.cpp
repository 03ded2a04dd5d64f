#include "modal.h"

#include "app_state.h"

ImageWindowPause::ImageWindowPause() : wasDisabled(EnableWindow(ImageWindow, FALSE) != 0) {}

ImageWindowPause::~ImageWindowPause() {
    if (!wasDisabled) EnableWindow(ImageWindow, TRUE);
}

int ShowMessage(HWND owner, const wchar_t* text, UINT type) {
    ImageWindowPause pause;
    return MessageBoxW(owner, text, App.windowTitle.c_str(), type);
}
