// Where the windows go at start-up and what the settings file keeps between
// runs, computed from the values it is given: the stored settings, the
// windows' rectangles and the monitors' areas. It moves no window; the
// window program reads the rectangles, calls these and places its windows.
#pragma once

#include "base/line_choices.h"
#include "profile_file.h"

#include <windows.h>

#include <string>
#include <vector>

// The control window's position, the auto-extraction flag, the save
// dialog's last type (its place in the dialog's list, counted from 1) and
// the line style (its place in LineStyleNames, as velmora.h numbers it;
// edges for any other number), trusted only when the file was written by
// this version of the program (softwareId). A missing coordinate or type is -1.
struct StoredSettings {
    bool trusted = false;
    int left = -1;
    int top = -1;
    bool automatic = false;
    int saveType = -1;
    LineStyle style = LineStyle::Edges;
};

StoredSettings ReadSettings(const ProfileFile& file, const std::string& softwareId);

// Replaces whatever the file held with the four sections.
void WriteSettings(const ProfileFile& file, const std::string& softwareId, POINT position, bool automatic,
                   int saveType, LineStyle style);

// The frame metrics that decide where the caption is.
struct CaptionMetrics {
    int captionHeight;
    int frameHeight;
};

// Whether the user can reach the caption of a window at that outer
// rectangle to move it: enough of it lies on the monitor it overlaps most.
bool CaptionOnAMonitor(const RECT& window, const CaptionMetrics& metrics, const std::vector<RECT>& monitors);

// Where the windows start. The control window goes to the stored position
// (-1 for a coordinate keeps where it was created), or centred on the
// desktop without trusted settings or where its caption would be off every
// monitor. The image window goes to its right edge, at imageTop (-1: keeps
// its own top).
struct StartPlacement {
    RECT control;
    int imageTop;
};

StartPlacement PlaceAtStart(const StoredSettings& stored, const RECT& created, const RECT& desktop,
                            const CaptionMetrics& metrics, const std::vector<RECT>& monitors);

// The screen position of a restored window's normal rectangle, which is in
// the work-area coordinates of its monitor: they differ from the screen's
// when a taskbar lies along the top or left edge.
POINT ScreenPositionOfNormal(const RECT& normal, const RECT& monitor, const RECT& work);
