#include "probe/Connection.h"

Connection::~Connection() {
    tls_.reset();
    if (socket_ != INVALID_SOCKET) {
        closesocket(socket_);
    }
}

ServerAddress Ipv4Address(u_long address, int port) {
    ServerAddress server;
    sockaddr_in* in = reinterpret_cast<sockaddr_in*>(&server.bytes);
    in->sin_family = AF_INET;
    in->sin_addr.s_addr = address;
    in->sin_port = htons(static_cast<u_short>(port));
    server.family = AF_INET;
    server.length = sizeof(sockaddr_in);
    return server;
}

const unsigned char* AddressBytes(const ServerAddress& address, size_t& length) {
    if (address.family == AF_INET6) {
        length = 16;
        return reinterpret_cast<const unsigned char*>(
            &reinterpret_cast<const sockaddr_in6*>(&address.bytes)->sin6_addr);
    }
    length = 4;
    return reinterpret_cast<const unsigned char*>(
        &reinterpret_cast<const sockaddr_in*>(&address.bytes)->sin_addr);
}

bool Connection::Open(int family) {
    tls_.reset();
    if (socket_ != INVALID_SOCKET) {
        closesocket(socket_);
    }
    socket_ = socket(family, SOCK_STREAM, 0);
    return socket_ != INVALID_SOCKET;
}

Waited Connection::Connect(const ServerAddress& address) {
    const DWORD since = GetTickCount();
    u_long nonBlocking = 1;
    ioctlsocket(socket_, FIONBIO, &nonBlocking);
    Waited result = Waited::kReady;
    if (connect(socket_, reinterpret_cast<const sockaddr*>(&address.bytes), address.length) != 0) {
        result = WSAGetLastError() == WSAEWOULDBLOCK ? WaitSocket(socket_, true, since)
                                                     : Waited::kFailed;
    }
    nonBlocking = 0; // the request is sent and the answer read in the usual way
    ioctlsocket(socket_, FIONBIO, &nonBlocking);
    return result;
}

TlsResult Connection::StartTls(const char* host, DWORD& since) {
    tls_.reset(new TlsSession(socket_));
    const TlsResult result = tls_->Start(host, since);
    if (result != TlsResult::kOk) {
        tls_.reset();
    }
    return result;
}

bool Connection::Send(const char* data, size_t length) {
    return tls_ ? tls_->Send(data, length) : SendAll(socket_, data, length);
}

Waited Connection::Receive(char* buffer, int size, int& got, DWORD& since) {
    if (tls_) {
        return tls_->Receive(buffer, size, got, since);
    }
    const Waited waited = WaitSocket(socket_, false, since);
    if (waited == Waited::kReady) {
        got = recv(socket_, buffer, size, 0);
    }
    return waited;
}

Connection::Closed Connection::Close() {
    tls_.reset();
    Closed closed = Closed::kOk;
    if (shutdown(socket_, SD_BOTH) != 0) {
        closed = Closed::kShutdownFailed;
    }
    if (closesocket(socket_) != 0 && closed == Closed::kOk) {
        closed = Closed::kCloseFailed;
    }
    socket_ = INVALID_SOCKET;
    return closed;
}
