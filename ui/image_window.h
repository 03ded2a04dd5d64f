// The image window, which shows the document's result at the current
// display scale, and the zoom model that sizes it.
#pragma once

#include <windows.h>

// Display scales in percent, indexed by ZoomIndex.
extern const int ZoomPercent[5];

// Index into ZoomPercent, 0 to 4; 2 (100 %) for every new image.
extern int ZoomIndex;

// Brings the image window behind the control window, gives it the client
// size of the result at the current scale and repaints both windows.
void ApplyZoom();

// One scale step up or down, clamped to the table; ApplyZoom runs even when
// the index stays.
void ZoomIn();
void ZoomOut();

INT_PTR CALLBACK ImageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
