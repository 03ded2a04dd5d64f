// The control window's option lists: 線の種類, ゴミ除去, 線の太さ and
// コントラスト. The lists themselves hold the options: execute reads them as
// they stand, and the settings file keeps the line style between runs.
#pragma once

#include "base/line_choices.h"

#include <windows.h>

// Fills the lists of the control window hwnd and selects the converter's
// defaults: 輪郭, OFF, 細い, 7.
void FillOptionLists(HWND hwnd);

// The line style the 線の種類 list of App's control window shows; its items
// are the engine's styles in their order (LineStyleNames): 輪郭 (edges),
// インク (ink), 写真 (photo).
LineStyle ChosenLineStyle();

// Selects the style's item in that list, without a change notification:
// nothing is extracted.
void ShowLineStyle(LineStyle style);
