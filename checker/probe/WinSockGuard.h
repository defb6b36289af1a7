// Brackets the URL phase of a check run with WSAStartup and WSACleanup.
#pragma once

#include <winsock2.h>

class WinSockGuard {
public:
    WinSockGuard();
    ~WinSockGuard();
    WinSockGuard(const WinSockGuard&) = delete;
    WinSockGuard& operator=(const WinSockGuard&) = delete;

private:
    WORD requestedVersion_ = 0x0101;
    WSADATA startupData_{};
};
