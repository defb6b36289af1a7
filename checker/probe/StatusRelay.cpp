// A fixed ring of texts under a lock: the memory stays the same however long a run.
#include "probe/StatusRelay.h"

#include "framework/Handles.h"
#include "text/TextRoutines.h"

namespace {

struct Relay {
    Relay() {
        InitializeCriticalSection(&lock);
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    CRITICAL_SECTION lock;
    HANDLE event;
    HWND windows[kStatusBacklog] = {};
    char texts[kStatusBacklog][kStatusTextSize] = {};
    int first = 0;
    int count = 0;
};

// Made on first use, never destroyed: a worker may still relay while the program ends.
Relay& TheRelay() {
    static Relay* relay = new Relay;
    return *relay;
}

} // namespace

void RelayStatus(HWND statusLine, const char* text) {
    if (GetWindowThreadProcessId(statusLine, nullptr) == GetCurrentThreadId()) {
        SetWindowTextA(statusLine, text);
        return;
    }
    Relay& relay = TheRelay();
    {
        const Locked lock(relay.lock);
        if (relay.count == kStatusBacklog) {
            relay.first = (relay.first + 1) % kStatusBacklog;
            --relay.count;
        }
        const int slot = (relay.first + relay.count) % kStatusBacklog;
        relay.windows[slot] = statusLine;
        CopyText(relay.texts[slot], kStatusTextSize, text);
        ++relay.count;
    }
    SetEvent(relay.event);
}

HANDLE StatusRelayEvent() {
    return TheRelay().event;
}

void ShowRelayedStatus() {
    Relay& relay = TheRelay();
    for (;;) {
        HWND window = nullptr;
        char text[kStatusTextSize];
        {
            const Locked lock(relay.lock);
            if (relay.count > 0) {
                window = relay.windows[relay.first];
                CopyText(text, sizeof text, relay.texts[relay.first]);
                relay.first = (relay.first + 1) % kStatusBacklog;
                --relay.count;
            }
        }
        if (!window) {
            return;
        }
        // Outside the lock: the window's procedure may take its time.
        SetWindowTextA(window, text);
    }
}

void StatusTexts::Show(const char* text) {
    Relay& relay = TheRelay();
    HWND statusLine;
    {
        const Locked lock(relay.lock);
        statusLine = statusLine_;
        if (!statusLine) {
            CopyText(latest_, sizeof latest_, text);
        }
    }
    if (statusLine) {
        RelayStatus(statusLine, text);
    }
}

void StatusTexts::ShowIn(HWND statusLine) {
    char latest[kStatusTextSize];
    {
        const Locked lock(TheRelay().lock);
        statusLine_ = statusLine;
        CopyText(latest, sizeof latest, latest_);
    }
    // Anything said from now on is relayed, and shown after this.
    if (latest[0] != '\0') {
        SetWindowTextA(statusLine, latest);
    }
}
