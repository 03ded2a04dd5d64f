// The windows' places between runs: the settings file, pointed at the
// start-up directory when the program starts, places the windows at start
// and is written when the program ends.
#pragma once

#include "profile_file.h"

extern ProfileFile Settings;

// Places the control window where the settings file says (centred on the
// screen without trusted settings, or when its caption would be off every
// monitor there), turns App.autoExtract on when it says so, starts the save
// dialog at the type it names (BMP when it names none it knows), selects
// the line style it names in the 線の種類 list (輪郭 when it names none it
// knows), and puts the image window at the control window's right edge.
// The caller updates the commands (UpdateCommands) for the
// auto-extraction mark.
void PlaceWindowsFromSettings();

// Writes the control window's position (where it is restored to, also
// while it is minimised), the auto-extraction flag, the save dialog's last
// type and the 線の種類 list's style, replacing whatever the file held. The
// list must still exist: the control window calls this as it is destroyed.
void SaveSettings();
