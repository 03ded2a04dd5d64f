// The control window: menu, buttons, option lists and information panel.
// Its procedure dispatches every command of the program, including the
// keyboard shortcuts, whichever window is active.
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

// The result has been saved or copied: closing the program no longer asks.
// Every extraction, undo and redo makes it unsaved again; a new image has
// nothing to lose.
void MarkResultKept();

// The information panel's two texts: the result's size and the display
// scale, as they are painted now.
std::wstring PanelSizeText();
std::wstring PanelScaleText();

// Buttons and menu items as they stand for a freshly loaded image: execute
// and zoom available; save, copy, undo and redo not yet.
void ApplyNewImageState();

// Whether the menu item carries its check mark.
bool IsMenuItemChecked(HMENU menu, UINT id);

// Sets or clears the item's check mark and redraws the window's menu bar.
void SetMenuItemChecked(HWND hwnd, HMENU menu, UINT id, bool checked);
