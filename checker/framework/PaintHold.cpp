// Held painting through WM_SETREDRAW: a list box keeps its lines and scroll position meanwhile
// and afterwards repaints what changed; other controls keep their text and state and are
// repainted whole, which for a line of text or a bar is little.
#include "framework/PaintHold.h"

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
        // Painted now, not by a later WM_PAINT, which a new hold would swallow.
        if (lists_[i]) {
            UpdateWindow(controls_[i]);
        } else {
            RedrawWindow(controls_[i], nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
    }
}
