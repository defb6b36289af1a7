// TLS over a probe's connected socket through the system's own SChannel, loaded at run time
// (Windows 95 may have none, NT 4.0 keeps it in security.dll), with the server's certificate
// checked by the program itself: chain to a trusted root, dates, and the host name. Wine's
// SChannel checks nothing, Windows does; checking here gives the same verdict on both.
#pragma once

#include <winsock2.h>

#define SECURITY_WIN32
#include <security.h>
#include <sspi.h>

#include "probe/SocketWait.h"

#include <vector>

enum class TlsResult {
    kOk,
    kNoTls,       // the system has no usable TLS, or none that agrees with the server
    kFailed,      // the server did not speak TLS as it should (plain HTTP, garbage, a close)
    kExpired,     // its certificate is out of date
    kOtherName,   // its certificate is for another name
    kUntrusted,   // its certificate does not chain to a trusted root
    kTimedOut,
    kStopped,
};

// Where the system's TLS is looked for, in turn (NT 4.0 keeps it in security.dll); read once,
// when a probe first needs TLS.
extern const char* tlsModules[2];

// True when the system's TLS could be loaded (once per process).
bool TlsAvailable();

class TlsSession {
public:
    explicit TlsSession(SOCKET s) : socket_(s) {}
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // The handshake with host as its target (sent as the server name), then the certificate
    // check; every wait within the silence allowed since `since`.
    TlsResult Start(const char* host, DWORD& since);
    // Sends data whole, encrypted; false on failure.
    bool Send(const char* data, size_t length);
    // The next part of the page: got > 0 bytes, 0 at the end of the connection, -1 when the
    // records broke off or could not be read (a renegotiation among them).
    Waited Receive(char* buffer, int size, int& got, DWORD& since);

private:
    bool AcquireCredentials();
    TlsResult Handshake(const char* host, DWORD& since);
    Waited ReadMore(DWORD& since, int& got);
    void KeepExtra(const SecBuffer* buffers, int count);

    SOCKET socket_;
    CredHandle credentials_{};
    CtxtHandle context_{};
    bool haveCredentials_ = false;
    bool haveContext_ = false;
    SecPkgContext_StreamSizes sizes_{};
    std::vector<char> in_; // received records not yet decrypted
    size_t used_ = 0;
    std::vector<char> plain_; // decrypted bytes not yet handed on
    size_t plainAt_ = 0;
    bool ended_ = false;  // the server's close_notify has come
    bool broken_ = false; // a record could not be read: reported once the page before it is out
};
