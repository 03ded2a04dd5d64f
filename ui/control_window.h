// The control window: menu, buttons, option lists and information panel.
// Its procedure dispatches every command of the program, including the
// keyboard shortcuts, whichever window is active.
#pragma once

#include <string>
#include <windows.h>

INT_PTR CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

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
