// The probe's status texts on their way from the worker thread to the status line. Setting a
// window's text from another thread waits until the window's own thread takes it; the probe
// would then wait for every repaint of the dialog. Instead the worker leaves each text here and
// goes on, and the user-interface thread shows the texts, in order, when it next looks
// (WaitForProbe does, whenever one arrives and once more at the probe's end).
#pragma once

#include <windows.h>

constexpr int kStatusTextSize = 512;

// Shows text in the status line: at once on the status line's own thread, else through the
// relay. Texts longer than kStatusTextSize - 1 bytes are cut on a character boundary.
void RelayStatus(HWND statusLine, const char* text);

// Signalled while texts wait in the relay.
HANDLE StatusRelayEvent();

// Shows every waiting text in its status line, oldest first. Of more than kStatusBacklog
// waiting texts (a user-interface thread held up in a message box) the oldest are left out.
constexpr int kStatusBacklog = 64;
void ShowRelayedStatus();

// The progress texts of one probe, which may run before anyone looks at it: the latest is kept
// until a status line is given, and from then on every text goes there, none lost or out of
// order.
class StatusTexts {
public:
    // From the probe's thread.
    void Show(const char* text);
    // From the status line's thread: shows the latest text now, and what follows as it comes.
    void ShowIn(HWND statusLine);

private:
    HWND statusLine_ = nullptr;
    char latest_[kStatusTextSize] = "";
};
