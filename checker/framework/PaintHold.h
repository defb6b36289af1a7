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
    // Something else was painted meanwhile (a WM_PAINT was served), perhaps over the held
    // controls: all of them are repainted when let go.
    void Overpainted() { overpainted_ = held_; }
    void ReleaseIfDue() {
        if (MsUntilDue() == 0) {
            Release();
        }
    }

private:
    // What a list box shows: its lines, the first one on view, the selection, the sideways
    // scroll. The log's lines are only ever added or all cleared, so their count stands for them.
    struct ListShape {
        LRESULT count, top, selected;
        int across;
        bool operator==(const ListShape& other) const {
            return count == other.count && top == other.top && selected == other.selected &&
                   across == other.across;
        }
    };
    static ListShape ShapeOf(HWND list);

    HWND controls_[4] = {};
    bool lists_[4] = {}; // list boxes, which need the window's redraw switch too
    ListShape shapes_[4] = {};
    int count_ = 0;
    bool held_ = false;
    bool overpainted_ = false;
    DWORD since_ = 0;
};
