// Where the image window goes beside the control window, computed from
// rectangles alone (outer edges, screen pixels); it moves no window.
#pragma once

#include <windows.h>

// The part of the work area the image window is sized within. The strip
// beside the control window that takes the whole window (right of it first,
// then left), else the wider strip when it is at least half the work area
// wide, where a big picture scrolls; else the whole work area, where the
// control window, kept in front, covers part of the view. wanted is the
// window's outer size in the whole work area.
RECT ImageWindowRoom(const RECT& work, const RECT& control, SIZE wanted);

// The outer left and top edges of a window of that size in the room: the
// current ones where the window then lies in it, else moved only as far as
// it must (to the room's left and top edges when it is larger).
POINT PlaceInRoom(const RECT& room, POINT current, SIZE size);
