#include "BlackHole.h"

BlackHole::BlackHole(unsigned long address, int port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(address);
    at.sin_port = htons(static_cast<u_short>(port));
    int length = sizeof at;
    if (listener_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length) != 0) {
        return;
    }
    port_ = ntohs(at.sin_port);
    // A queue of none still holds one connection; the second is the first one dropped.
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address == INADDR_ANY ? INADDR_LOOPBACK : address);
    to.sin_port = at.sin_port;
    for (int i = 0; i < 2; ++i) {
        const SOCKET filler = socket(AF_INET, SOCK_STREAM, 0);
        u_long nonBlocking = 1;
        ioctlsocket(filler, FIONBIO, &nonBlocking);
        connect(filler, reinterpret_cast<sockaddr*>(&to), sizeof to);
        fillers_.push_back(filler);
        if (i == 0) {
            fd_set connected;
            FD_ZERO(&connected);
            FD_SET(filler, &connected);
            timeval wait{2, 0};
            if (select(0, nullptr, &connected, nullptr, &wait) != 1) {
                return;
            }
        }
    }
    ready_ = true;
}

BlackHole::~BlackHole() {
    for (SOCKET filler : fillers_) {
        closesocket(filler);
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
    }
    WSACleanup();
}
