// The waits of a probe: select in slices, so that a forced end is seen within kSliceMs.
#include "probe/SocketWait.h"

#include "probe/Probe.h"

namespace {
thread_local const std::atomic<bool>* abandonedFlag = nullptr;
} // namespace

void WatchAbandoned(const std::atomic<bool>* abandoned) {
    abandonedFlag = abandoned;
}

bool ProbeStopped(const std::atomic<bool>& abandoned) {
    return busyFlag != 1 || abandoned;
}

bool ProbeStopped() {
    return abandonedFlag ? ProbeStopped(*abandonedFlag) : busyFlag != 1;
}

DWORD TimeLeft(DWORD since, DWORD limit) {
    const DWORD spent = GetTickCount() - since;
    return spent >= limit ? 0 : limit - spent;
}

Waited WaitSocket(SOCKET s, bool connecting, DWORD since) {
    const DWORD limit = connecting ? probeConnectMs : probeSilenceMs;
    for (;;) {
        if (ProbeStopped()) {
            return Waited::kStopped;
        }
        const DWORD left = TimeLeft(since, limit);
        if (left == 0) {
            return Waited::kTimedOut;
        }
        const DWORD slice = left < kSliceMs ? left : kSliceMs;
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(s, &ready);
        fd_set failed; // a connection that failed is reported here
        FD_ZERO(&failed);
        FD_SET(s, &failed);
        timeval wait{static_cast<long>(slice / 1000), static_cast<long>(slice % 1000 * 1000)};
        const int count = select(0, connecting ? nullptr : &ready, connecting ? &ready : nullptr,
                                 connecting ? &failed : nullptr, &wait);
        if (count == SOCKET_ERROR) {
            return Waited::kFailed;
        }
        if (count > 0) {
            return connecting && FD_ISSET(s, &failed) ? Waited::kFailed : Waited::kReady;
        }
    }
}

bool SendAll(SOCKET s, const char* data, size_t length) {
    while (length > 0) {
        const int sent = send(s, data, static_cast<int>(length), 0);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}
