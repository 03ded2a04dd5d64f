// What the program remembers between runs: the control window's position
// and whether auto extraction is on, trusted only when the settings file was
// written by this version of the program.
#pragma once

#include "profile_file.h"

// The one settings file, pointed at the start-up directory when the program
// starts.
extern ProfileFile Settings;

// Places the control window where the settings file says (centred on the
// screen without trusted settings, or when its caption would be off every
// monitor there), turns auto extraction on when it says so, and puts the
// image window at the control window's right edge.
void PlaceWindowsFromSettings();

// Writes the control window's position (where it is restored to, also
// while it is minimised) and the auto-extraction flag, replacing whatever
// the file held.
void SaveSettings();
