// The image window, which shows the document's result at the current
// display scale, and the zoom model that sizes it. At every scale one
// picture pixel at 100 % is one device pixel, whatever the screen's DPI.
#pragma once

#include <string>
#include <windows.h>

// Display scales in percent, indexed by App.zoomIndex.
extern const int ZoomPercent[5];

// What the image window hands up to the window that runs the program, so
// that it calls nothing above itself.
class ImageWindowOwner {
public:
    // A command as the menu gives it: Escape's IDCANCEL, a wheel's zoom steps.
    virtual void Command(UINT id) = 0;

    // A file dropped on the image window while it takes input.
    virtual void FileDropped(const std::string& path) = 0;

protected:
    ~ImageWindowOwner() = default;
};

// The owner the image window reports to from now on.
void SetImageWindowOwner(ImageWindowOwner& owner);

// Shows a new picture: gives the image window the client size of the result
// at the current scale, shows it as ShowResult does and repaints the control
// window. Its room is the work area of its monitor beside the control window
// (see ImageWindowRoom); where that is too small for the picture, the window
// fills the room, with scroll bars, at the top-left corner of the picture.
// It is moved only as far as it must to lie in the room.
void ApplyZoom();

// Repaints the result and brings the image window up just behind the
// control window, which is made the active window: it keeps the keyboard
// and stays in front.
void ShowResult();

// One scale step up or down, clamped to the table; the window is sized as
// ApplyZoom does even when the index stays, but the picture point at the
// centre of the view stays there where scrolling allows.
void ZoomIn();
void ZoomOut();

// The view's top-left corner in the picture as shown at the current scale,
// in device pixels; (0, 0) while the whole picture is in view.
POINT ImageScrollPosition();

// How far one notch of the mouse wheel scrolls the picture, in device pixels.
int WheelScrollStep();

// Takes a mouse-wheel message meant for either window, whatever child
// window it was sent to. With Ctrl each notch is one zoom command, keeping
// the picture point under the mouse in place when the mouse is over the
// picture; without Ctrl over the image window the wheel scrolls it
// (vertically, with Shift or a tilt wheel horizontally). False for other
// messages, which go on as usual.
bool TakeMouseWheel(const MSG& message);

INT_PTR CALLBACK ImageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
