// The control window: menu, buttons, option lists and information panel.
// Its procedure dispatches every command of the program, including the
// keyboard shortcuts, whichever window is active. It is the top of the
// window program: it calls the modules below it, which never call it; the
// image window hands its drops and commands up through ImageWindowOwner.
#pragma once

#include <string>
#include <windows.h>

INT_PTR CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Where the information panel paints, in client pixels at dpi: the panel,
// the scale box below it (which holds the zoom buttons at its right end),
// the picture's thumbnail square and the two texts.
struct PanelLayout {
    RECT panel;
    RECT scaleBox;
    RECT thumbnail;
    RECT sizeText;
    RECT scaleText;
};
PanelLayout PanelLayoutFor(int dpi);

// The information panel's two texts: the result's size and the display
// scale, as they are painted now.
std::wstring PanelSizeText();
std::wstring PanelScaleText();

// Shows the document's new image: at 100 %, nothing to lose yet, the
// commands as they stand for it (see UpdateCommands). A pasted image ends
// there; an opened one is then extracted with auto extraction on.
void ShowNewImage();

// Opens the file as the new image (see OpenImageFile), shows it as above
// and, with auto extraction on, posts an extraction. True when it opened.
bool OpenImage(const std::string& path);
