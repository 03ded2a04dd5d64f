// The help dialog with its three pages, and the version box.
#pragma once

#include <windows.h>

// Shows the help dialog until the user closes it. It has no owner, so both
// windows stay usable meanwhile.
void ShowHelpDialog();

// Shows the version box, owned by owner, until the user closes it.
void ShowVersionDialog(HWND owner);
