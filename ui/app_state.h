// Process-wide state of the window program. Everything here is used on the
// one user-interface thread only.
#pragma once

#include "image_document.h"

#include <string>
#include <windows.h>

// The one document: every image of the process.
extern ImageDocument Document;

// The information panel's font, created before the entry function runs
// for 96 DPI and made anew for the control window's DPI.
extern HFONT PanelFont;

// Replaces the panel font with one for dpi: 12 pixels high at 96.
void UsePanelFontFor(int dpi);

extern HINSTANCE InstanceHandle;
extern HWND ControlWindow;
extern HWND ImageWindow;

// "ヴェルモラ抽出器  version N.N": the control window's title and the caption
// of the program's message boxes.
extern std::wstring WindowTitle;

// The current directory when the program started, in the process code page
// (UTF-8, which the program's manifest sets).
extern std::string StartupDirectory;

// A string resource; empty when it is missing.
std::wstring LoadResourceString(UINT id);
