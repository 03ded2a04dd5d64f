#include "image_placement.h"

#include <algorithm>

RECT ImageWindowRoom(const RECT& work, const RECT& control, SIZE wanted) {
    const int rightEdge = std::clamp(int(control.right), int(work.left), int(work.right));
    const int leftEdge = std::clamp(int(control.left), int(work.left), int(work.right));
    const RECT right{rightEdge, work.top, work.right, work.bottom};
    const RECT left{work.left, work.top, leftEdge, work.bottom};
    const int rightWidth = right.right - right.left;
    const int leftWidth = left.right - left.left;
    if (wanted.cx <= rightWidth) return right;
    if (wanted.cx <= leftWidth) return left;
    // A view narrower than half the screen shows less than one the control
    // window partly covers.
    const RECT& wider = rightWidth >= leftWidth ? right : left;
    return 2 * (wider.right - wider.left) >= work.right - work.left ? wider : work;
}

POINT PlaceInRoom(const RECT& room, POINT current, SIZE size) {
    return {std::max(int(room.left), std::min(int(current.x), int(room.right - size.cx))),
            std::max(int(room.top), std::min(int(current.y), int(room.bottom - size.cy)))};
}
