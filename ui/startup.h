// Start-up, message loop and tear-down of the window program.
#pragma once

#include <windows.h>

// Creates the control and image windows, titles and places them, shows both
// and returns the accelerator table for the message loop.
HACCEL StartProgram(HINSTANCE instance);

// Handles one retrieved message: the mouse wheel over either window (zoom
// with Ctrl, else scrolling the picture), the keyboard shortcuts, which go
// to the control window whichever window is active, then the dialog keys
// of either window (Tab, Escape; Escape in the image window closes as in the
// control window), then ordinary dispatch.
void DispatchProgramMessage(MSG& message, HACCEL accelerators);

// Runs the message loop until the program ends; returns the exit code.
int RunMessageLoop(HACCEL accelerators);
