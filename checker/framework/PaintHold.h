// Painting held back for a moment. The controls of a check run change several times per
// favorite, far faster than anyone can read, and each repaint can cost more than the favorite's
// whole conversation. While held, a control still takes every change at once (its text, its
// lines, its selection and position are exactly what they would be); only its repainting
// waits, at most kDelayMs, and then happens once for all the changes.
#pragma once

#include <windows.h>

class PaintHold {
public:
    static constexpr DWORD kDelayMs = 100;

    // The controls it holds, up to four.
    void Add(HWND control);

    // Stops their painting; a hold already in place keeps its start.
    void Hold();
    // Milliseconds until the held painting is due: INFINITE when nothing is held, 0 when due.
    DWORD MsUntilDue() const;
    // Paints the held controls once and lets them paint again as they change.
    void Release();
    void ReleaseIfDue() {
        if (MsUntilDue() == 0) {
            Release();
        }
    }

private:
    HWND controls_[4] = {};
    bool lists_[4] = {}; // a list box invalidates what changed itself when it may paint again
    int count_ = 0;
    bool held_ = false;
    DWORD since_ = 0;
};
