// A server that never accepts a connection: its listening socket's queue is full and nobody
// takes from it, so the system drops every further connection request unanswered, as it is for a
// host that is gone or behind a firewall that drops. Needs no privilege.
#pragma once

#include <winsock2.h>

#include <vector>

class BlackHole {
public:
    // On address (host byte order; any address of loopback by default) and port (0: one free).
    explicit BlackHole(unsigned long address = INADDR_ANY, int port = 0);
    ~BlackHole();
    BlackHole(const BlackHole&) = delete;
    BlackHole& operator=(const BlackHole&) = delete;

    // False when the port could not be taken or its queue not filled.
    bool Ready() const { return ready_; }
    int Port() const { return port_; }

private:
    SOCKET listener_ = INVALID_SOCKET;
    std::vector<SOCKET> fillers_; // the connections that fill the queue
    int port_ = 0;
    bool ready_ = false;
};
