// A probe's connection to one server: a stream socket, with TLS over it for https, behind one
// small interface, so that the conversation, its moves and its waits are written once for both.
// The object owns the socket and the TLS session and closes both on every path.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include "probe/SocketWait.h"
#include "probe/TlsSession.h"

#include <memory>

// One address of a server, as a socket connects to it.
struct ServerAddress {
    int family = 0; // AF_INET or AF_INET6; 0: none
    int length = 0;
    sockaddr_storage bytes{};
};

// What a name lookup gave: the address to try first, and the first of the other family, tried
// when the first fails.
struct HostAddresses {
    ServerAddress first;
    ServerAddress other;
};

// An IPv4 address (network order) and port as a ServerAddress.
ServerAddress Ipv4Address(u_long address, int port);
// The address's own bytes (4 or 16), for the rules about where an address lies.
const unsigned char* AddressBytes(const ServerAddress& address, size_t& length);

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Makes a socket of family, closing any made before; false when the system gives none.
    bool Open(int family);
    // Connects the socket made by Open to address within probeConnectMs.
    Waited Connect(const ServerAddress& address);
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
