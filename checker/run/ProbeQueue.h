// The favorites a run reads from its list and probes ahead of the one at hand: so many probes at
// once, so many on one host (none more while a connection to it waits to be accepted), so many
// through a proxy, and so many answers kept waiting for their turn. One whose host takes no more now waits, and those
// after it go on. The run takes them in list order.
#pragma once

#include "probe/Unreachable.h" // WinSock's header before windows.h

#include "favorites/FavoritesList.h"
#include "probe/Probe.h"
#include "probe/Target.h"

#include <cstdio>
#include <deque>
#include <memory>

class PaintHold;

// A favorite of the list, and its probe, which may run ahead of the favorite at hand.
struct FavoriteAhead {
    ListEntry entry{};
    UrlCheck check = UrlCheck::kOk;
    bool tooLong = false; // an address cut to fit the list: never asked for
    char host[kTargetPartSize] = "";
    char newCopyPath[kPathSize] = "";
    char copyFolder[kPathSize] = "";
    ProbeRecord probe;
    bool started = false;
    bool viaProxy = false; // as far as is known before it is probed
};

// Whether the favorite's address is asked for at all.
bool Probed(const FavoriteAhead& favorite);

class ProbeQueue {
public:
    // list: the run's list, open for reading, of count favorites; their copies are kept unless
    // updateOptions switch the update check off; router says which go through a proxy.
    ProbeQueue(FILE* list, int count, DWORD updateOptions, DWORD probesAtOnce,
               ProxyRouter& router);
    ProbeQueue(const ProbeQueue&) = delete;
    ProbeQueue& operator=(const ProbeQueue&) = delete;

    // Reads and starts the favorites ahead as far as allowed, while the run goes on (runFlag).
    void ProbeAhead();
    // The favorite at hand, read by ProbeAhead; then let go of.
    FavoriteAhead& Front() { return *ahead_.front(); }
    void PopFront() { ahead_.pop_front(); }
    // The run stops: the probes ahead are given up and waited for, and their copies go.
    void Abandon(PaintHold& painting);

private:
    // Starts favorite's probe where allowed; false when no more can start now.
    bool Start(FavoriteAhead& favorite, struct AtWork& work);

    FILE* list_;
    int count_;
    int read_ = 0;
    DWORD updateOptions_;
    DWORD probesAtOnce_;
    ProxyRouter& router_;
    size_t mostAhead_;
    // Outlives every probe: Abandon waits for all.
    UnreachableHosts unreachable_;
    std::deque<std::unique_ptr<FavoriteAhead>> ahead_;
};
