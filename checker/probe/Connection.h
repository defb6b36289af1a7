// A probe's connection to one server: a stream socket, with TLS over it for https, behind one
// small interface, so that the conversation, its moves and its waits are written once for both.
// The object owns the socket and the TLS session and closes both on every path.
#pragma once

#include <winsock2.h>

#include "probe/SocketWait.h"
#include "probe/TlsSession.h"

#include <memory>

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Makes the socket; false when the system gives none.
    bool Open();
    // Connects within probeConnectMs.
    Waited Connect(const sockaddr_in& address);
    // Starts TLS with host as the server's name; from then on every byte goes through it.
    TlsResult StartTls(const char* host, DWORD& since);
    // Sends data whole; false when the connection fails first.
    bool Send(const char* data, size_t length);
    // The next block: got > 0 bytes, 0 at the end of the connection, -1 when it broke off.
    Waited Receive(char* buffer, int size, int& got, DWORD& since);

    enum class Closed { kOk, kShutdownFailed, kCloseFailed };
    // Ends TLS, shuts the socket down and closes it.
    Closed Close();

private:
    SOCKET socket_ = INVALID_SOCKET;
    std::unique_ptr<TlsSession> tls_;
};
