#include "report/report_types.h"

namespace rl {

namespace {
bool isCornerOrCentre(TRLControlAlign a) {
    switch (a) {
    case faLeftTop:
    case faRightTop:
    case faLeftBottom:
    case faRightBottom:
    case faCenter:
    case faCenterLeft:
    case faCenterTop:
    case faCenterRight:
    case faCenterBottom:
        return true;
    default:
        return false;
    }
}
bool isOnly(TRLControlAlign a) {
    return a == faLeftOnly || a == faRightOnly || a == faTopOnly || a == faBottomOnly;
}
} // namespace

bool alignAddsWidth(TRLControlAlign a) {
    return a == faLeft || a == faRight || a == faLeftMost || a == faRightMost || isCornerOrCentre(a) ||
           a == faClientLeft || a == faClientRight || a == faHeight || isOnly(a);
}

bool alignAddsHeight(TRLControlAlign a) {
    return a == faTop || a == faBottom || isCornerOrCentre(a) || a == faClientTop || a == faClientBottom ||
           a == faWidth || isOnly(a);
}

bool alignFixesWidth(TRLControlAlign a) {
    return a == faTop || a == faBottom || a == faClient || a == faClientTop || a == faClientBottom ||
           a == faWidth;
}

bool alignFixesHeight(TRLControlAlign a) {
    return a == faLeft || a == faRight || a == faLeftMost || a == faRightMost || a == faClient ||
           a == faClientLeft || a == faClientRight || a == faHeight;
}

void TRLBorders::SetSides(TRLBorderSides sides) {
    sides_ = sides;
    if (sides == sdNone) {
        DrawLeft = DrawTop = DrawRight = DrawBottom = false;
        FixedLeft = FixedTop = FixedRight = FixedBottom = false;
    } else if (sides == sdAll) {
        DrawLeft = DrawTop = DrawRight = DrawBottom = true;
    }
}

} // namespace rl
