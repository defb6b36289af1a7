// Held painting through WM_SETREDRAW: each control keeps its text, lines, selection and
// position meanwhile and is repainted whole, frame and scroll bars included, when let go; a
// list box only when its lines, selection or scroll position moved or something was painted
// meanwhile, since it is by far the dearest to paint.
// A list box takes WM_SETREDRAW itself and, on Wine, still scrolls its old picture on the
// screen when it moves its selection, leaving stale lines behind; the window's own redraw
// switch (DefWindowProc's: off takes the window's WS_VISIBLE until it is on again) stops that
// as well, on every system.
#include "framework/PaintHold.h"

PaintHold::ListShape PaintHold::ShapeOf(HWND list) {
    return {SendMessageA(list, LB_GETCOUNT, 0, 0), SendMessageA(list, LB_GETTOPINDEX, 0, 0),
            SendMessageA(list, LB_GETCURSEL, 0, 0), GetScrollPos(list, SB_HORZ)};
}

void PaintHold::Add(HWND control) {
    if (control && count_ < static_cast<int>(sizeof controls_ / sizeof controls_[0])) {
        char name[16] = "";
        GetClassNameA(control, name, sizeof name);
        lists_[count_] = lstrcmpiA(name, "ListBox") == 0;
        controls_[count_++] = control;
    }
}

void PaintHold::Hold() {
    if (held_) {
        return;
    }
    for (int i = 0; i < count_; ++i) {
        SendMessageA(controls_[i], WM_SETREDRAW, FALSE, 0);
        if (lists_[i]) {
            DefWindowProcA(controls_[i], WM_SETREDRAW, FALSE, 0);
            shapes_[i] = ShapeOf(controls_[i]);
        }
    }
    held_ = true;
    since_ = GetTickCount();
}

DWORD PaintHold::MsUntilDue() const {
    if (!held_) {
        return INFINITE;
    }
    const DWORD elapsed = GetTickCount() - since_; // unsigned: right across the wrap as well
    return elapsed >= kDelayMs ? 0 : kDelayMs - elapsed;
}

void PaintHold::Release() {
    if (!held_) {
        return;
    }
    held_ = false;
    for (int i = 0; i < count_; ++i) {
        SendMessageA(controls_[i], WM_SETREDRAW, TRUE, 0);
        if (lists_[i]) {
            DefWindowProcA(controls_[i], WM_SETREDRAW, TRUE, 0);
            if (!overpainted_ && ShapeOf(controls_[i]) == shapes_[i]) {
                continue;
            }
        }
        // Painted now, not by a later WM_PAINT, which a new hold would swallow.
        RedrawWindow(controls_[i], nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    }
    overpainted_ = false;
}
