// Painting held back for a moment. The controls of a check run change several times per
// favorite, far faster than anyone can read, and each repaint can cost more than the favorite's
// whole conversation. While held, a control still takes every change at once (its text, its
// lines, its selection and position are exactly what they would be); only its repainting
// waits, at most kDelayMs, and then happens once for all the changes. A thread with nothing
// to do for kIdleMs paints at once: a slow server then waits for the painting, not the user.
#pragma once

#include <windows.h>

class PaintHold {
public:
    static constexpr DWORD kDelayMs = 100;
    static constexpr DWORD kIdleMs = 20;

    // The controls it holds, up to four.
    void Add(HWND control);

    // Stops their painting; a hold already in place keeps its start.
    void Hold();
    // Milliseconds until the held painting is due: INFINITE when nothing is held, 0 when due.
    DWORD MsUntilDue() const;
    // How long a wait for the next change may last before the held painting is done
    // (INFINITE when nothing is held): until it is due, kIdleMs at the most.
    DWORD MsToWait() const {
        const DWORD due = MsUntilDue();
        return due == INFINITE || due < kIdleMs ? due : kIdleMs;
    }
    // Paints the held controls once and lets them paint again as they change.
    void Release();
    void ReleaseIfDue() {
        if (MsUntilDue() == 0) {
            Release();
        }
    }

private:
    HWND controls_[4] = {};
    bool lists_[4] = {}; // list boxes, which need the window's redraw switch too
    int count_ = 0;
    bool held_ = false;
    DWORD since_ = 0;
};
