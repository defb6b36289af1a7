// One probe: resolve, connect, send the GET request, receive the response block by block, write
// the page text into the new copy, shut down and close, with a status text for every stage; and
// again at the new address of a page that moved for good. No wait is without end: each gives up
// after probeSilenceMs without an answer, and within a fraction of a second of a forced end or
// of the run's leaving the probe.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "probe/Probe.h"

#include "framework/Handles.h"
#include "probe/Connection.h"
#include "probe/ProbeWorker.h"
#include "probe/ProxySetting.h"
#include "probe/ResponseBlocks.h"
#include "probe/StatusRelay.h"
#include "probe/Unreachable.h"

#include "text/TextRoutines.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

DWORD probeSilenceMs = kProbeSilenceMs;
DWORD probeConnectMs = kProbeConnectMs;

// A probe's name lookup, shared by its thread and the thread that waits for the probe.
struct PendingLookup {
    char host[kTargetPartSize] = "";
    DWORD since = 0;      // when the probe's exchange began
    bool givenUp = false; // the waiting thread ended the probe in the lookup's place
};

namespace {

constexpr int kReceiveSize = 1024;
constexpr int kReceiveBufferSize = 2049;

void ShowStatus(ProbeRecord& probe, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ShowStatus(ProbeRecord& probe, const char* format, ...) {
    char text[kStatusTextSize];
    va_list args;
    va_start(args, format);
    FormatTextV(text, sizeof text, format, args);
    va_end(args);
    probe.status.Show(text);
}

// While a probe connects the run starts no other on its host; once it no longer does, the run
// is woken to start them, not left to wait for some probe's end.
void StopHoldingHost(ProbeRecord& probe) {
    if (probe.connecting.exchange(false)) {
        SetEvent(ProbeRoomEvent());
    }
}

// The new copy: the page's bytes exactly as the server sent them, zero bytes and line ends as
// they come (an image or a PDF is kept whole). A copy that cannot be created or written is
// removed, so that the driver finds no file and knows that no copy was made (and never mistakes
// a part for the page).
class NewCopy {
public:
    explicit NewCopy(const char* path) : path_(path) {
        file_ = std::fopen(path, "wb");
        if (!file_) {
            DeleteFileA(path);
        } else {
            std::setvbuf(file_, nullptr, _IOFBF, kCopyBuffer); // a large page in few writes
        }
    }
    ~NewCopy() { Close(); }
    NewCopy(const NewCopy&) = delete;
    NewCopy& operator=(const NewCopy&) = delete;

    bool IsOpen() const { return file_ != nullptr; }

    // Writes length bytes; on a failed write the copy is given up.
    void Write(const char* bytes, size_t length) {
        if (file_ && length > 0 && std::fwrite(bytes, 1, length, file_) != length) {
            Discard();
        }
    }

    // Gives the copy up: the driver then finds none.
    void Discard() {
        if (file_) {
            std::fclose(file_);
            file_ = nullptr;
            DeleteFileA(path_);
        }
    }

    void Close() {
        if (file_) {
            const bool failed = std::fclose(file_) != 0;
            file_ = nullptr;
            if (failed) {
                DeleteFileA(path_);
            }
        }
    }

private:
    static constexpr size_t kCopyBuffer = 16384;
    const char* path_;
    FILE* file_ = nullptr;
};

// The lookups under way: which probe waits for which, and whether it was given up.
CRITICAL_SECTION& LookupsLock() {
    static CRITICAL_SECTION* const lock = NewProcessLock();
    return *lock;
}

enum class Looked { kFound, kNotFound, kStopped, kGivenUp };

// getaddrinfo and freeaddrinfo, where ws2_32 has them (Windows XP and later).
using GetAddrInfoFn = int(WSAAPI*)(const char*, const char*, const addrinfo*, addrinfo**);
using FreeAddrInfoFn = void(WSAAPI*)(addrinfo*);
struct AddressLookup {
    GetAddrInfoFn get = nullptr;
    FreeAddrInfoFn free = nullptr;
};

const AddressLookup& SystemAddressLookup() {
    static const AddressLookup lookup = [] {
        AddressLookup found;
        if (HMODULE ws2 = LoadLibraryA("ws2_32.dll")) {
            found.get = reinterpret_cast<GetAddrInfoFn>(
                reinterpret_cast<void*>(GetProcAddress(ws2, "getaddrinfo")));
            found.free = reinterpret_cast<FreeAddrInfoFn>(
                reinterpret_cast<void*>(GetProcAddress(ws2, "freeaddrinfo")));
        }
        return found.get && found.free ? found : AddressLookup();
    }();
    return lookup;
}

// The addresses of host: a dotted address as it stands (no reverse lookup: an address without a
// name is as reachable as any), a name through the system's lookup on this thread, while the
// thread that waits for the probe watches the time (GiveUpLateLookup). On kNotFound, error holds
// the lookup's WinSock error; on kGivenUp the record is no longer this thread's.
Looked ResolveHost(ProbeRecord& probe, const char* host, DWORD since, HostAddresses& addresses,
                   int& error) {
    const unsigned long dotted = inet_addr(host);
    if (dotted != INADDR_NONE) {
        addresses.first = Ipv4Address(dotted, 0);
        return Looked::kFound;
    }
    if (ProbeStopped()) {
        return Looked::kStopped;
    }
    // Outlives the record when the lookup is given up: this thread frees it in any case.
    std::unique_ptr<PendingLookup> pending(new PendingLookup);
    CopyText(pending->host, sizeof pending->host, host);
    pending->since = since;
    // Touched before the lookup is shared: once it is, the record may be given up.
    StopHoldingHost(probe);
    {
        const Locked lock(LookupsLock());
        probe.lookup = pending.get();
    }
    // Only the thread that waits for the probe can give the lookup up: it is woken to learn of
    // it, or it could wait without end for a lookup that never ends.
    SetEvent(StatusRelayEvent());
    error = lookUpHost(host, addresses);
    const Locked lock(LookupsLock());
    if (pending->givenUp) {
        return Looked::kGivenUp;
    }
    probe.lookup = nullptr;
    probe.connecting = true;
    return error == 0 && addresses.first.family != 0 ? Looked::kFound : Looked::kNotFound;
}

void SetPort(ServerAddress& address, int port) {
    const u_short sent = htons(static_cast<u_short>(port));
    if (address.family == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(&address.bytes)->sin6_port = sent;
    } else if (address.family == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&address.bytes)->sin_port = sent;
    }
}

bool IsMove(int status) {
    return status == 301 || status == 308;
}

// Servers that refuse HTTP/1.0 are asked once more in HTTP/1.1.
bool RefusesHttp10(int status) {
    return status == 426 || status == 505;
}

int Stopped(ProbeRecord& probe) {
    CopyText(probe.message, sizeof probe.message, kStoppedText);
    return kProbeStopped;
}

// The probe code and text of a TLS start that failed; kProbeCompleted when it did not.
int TlsFailure(ProbeRecord& probe, TlsResult result, const char* host) {
    const char* text = ""; // after the host in brackets
    int code = kProbeTlsFailed;
    switch (result) {
    case TlsResult::kOk:
        return kProbeCompleted;
    case TlsResult::kNoTls:
        CopyText(probe.message, sizeof probe.message,
                 "このWindowsの暗号化通信ではhttpsのURLを確認できません。");
        return kProbeNotChecked;
    case TlsResult::kStopped:
        return Stopped(probe);
    case TlsResult::kTimedOut:
        text = "との暗号化通信の開始が時間切れになりました。";
        code = kProbeTimedOut;
        break;
    case TlsResult::kFailed:
        text = "と暗号化通信ができませんでした。";
        break;
    case TlsResult::kExpired:
        text = "の証明書は有効期限が切れています。";
        break;
    case TlsResult::kOtherName:
        text = "の証明書は別のホストのものです。";
        break;
    case TlsResult::kUntrusted:
        text = "の証明書は信頼できる発行元のものではありません。";
        break;
    }
    FormatText(probe.message, sizeof probe.message, "[%s]%s", host, text);
    return code;
}

// A connection to host that was not accepted, now or earlier in the run (key).
int NeverAccepted(ProbeRecord& probe, const char* host, unsigned long long key) {
    probe.facts.neverAccepted = key;
    FormatText(probe.message, sizeof probe.message, "[%s]への接続が時間切れになりました。", host);
    return kProbeTimedOut;
}

// Connects to the first address, and to the other family's when that fails; kProbeCompleted
// once connected.
int Dial(ProbeRecord& probe, Connection& connection, const char* host, int port,
         HostAddresses& addresses, DWORD& since) {
    SetPort(addresses.first, port);
    SetPort(addresses.other, port);
    unsigned long long server = UnreachableHosts::Key(addresses.first);
    if (probe.unreachable && probe.unreachable->KnownByAddress(server)) {
        return NeverAccepted(probe, host, server);
    }
    ShowStatus(probe, "[%s]に接続しています...", host);
    probe.connecting = true;
    Waited connected = Waited::kFailed;
    for (const ServerAddress* address : {&addresses.first, &addresses.other}) {
        if (address->family == 0 || connected == Waited::kReady || connected == Waited::kStopped) {
            continue;
        }
        if (!connection.Open(address->family)) {
            StopHoldingHost(probe);
            CopyText(probe.message, sizeof probe.message, "ソケットを作成できません。");
            return kProbeNoSocket;
        }
        server = UnreachableHosts::Key(*address);
        connected = connection.Connect(*address);
    }
    StopHoldingHost(probe);
    switch (connected) {
    case Waited::kReady:
        probe.facts.serverReached = true;
        since = GetTickCount(); // the silence of the answer counts from here
        return kProbeCompleted;
    case Waited::kStopped:
        return Stopped(probe);
    case Waited::kTimedOut:
        if (probe.unreachable) {
            probe.unreachable->Add(host, port, server);
        }
        return NeverAccepted(probe, host, server);
    case Waited::kFailed:
        break;
    }
    CopyText(probe.message, sizeof probe.message, "接続できませんでした。");
    return kProbeConnectFailed;
}

// Resolves host and connects to it within the times allowed: kProbeCompleted once connected,
// with since the moment the answer's silence counts from. A proxy's name is no name of a site:
// what its lookup gives is not noted as the site's.
int ConnectTo(ProbeRecord& probe, Connection& connection, const char* host, int port,
              bool toProxy, DWORD& since) {
    unsigned long long server = 0;
    if (probe.unreachable && probe.unreachable->KnownByName(host, port, server)) {
        return NeverAccepted(probe, host, server);
    }
    ShowStatus(probe, "[%s]を解決しています...", host);
    since = GetTickCount();
    HostAddresses addresses;
    int lookupError = 0;
    const bool named = inet_addr(host) == INADDR_NONE;
    const Looked looked = ResolveHost(probe, host, since, addresses, lookupError);
    if (looked == Looked::kStopped) {
        return Stopped(probe);
    }
    if (looked == Looked::kGivenUp) {
        return kProbeGivenUp;
    }
    const bool found = looked == Looked::kFound;
    if (named && !toProxy) {
        size_t length = 0;
        const unsigned char* bytes = found ? AddressBytes(addresses.first, length) : nullptr;
        probe.lookups.push_back(
            {host, found, IsIntranetName(host) || (bytes && IsPrivateAddress(bytes, length))});
    }
    if (!found) {
        probe.facts.nameMissing = !toProxy && lookupError == WSAHOST_NOT_FOUND;
        FormatText(probe.message, sizeof probe.message,
                   "[%s]というホストを検出できません。\nまたはネットワーク環境が不正です。", host);
        return kProbeHostNotFound;
    }
    probe.facts.nameResolved = probe.facts.nameResolved || named;
    return Dial(probe, connection, host, port, addresses, since);
}

// The proxy's own trouble, named in the probe's text.
int ProxyFailed(ProbeRecord& probe, const ProxyServer& proxy, ProxyTrouble trouble) {
    probe.facts.proxyTrouble = trouble;
    CopyText(probe.facts.proxy, sizeof probe.facts.proxy, ProxyLabel(proxy).c_str());
    FormatText(probe.message, sizeof probe.message,
               trouble == ProxyTrouble::kCredentials
                   ? "プロキシサーバー[%s]が認証を求めています（407）。"
                   : "プロキシサーバー[%s]に接続できませんでした。",
               probe.facts.proxy);
    return kProbeProxyFailed;
}

// Connects to the proxy: one that cannot be found or reached is the proxy's trouble, never an
// answer about the site.
int ConnectToProxy(ProbeRecord& probe, Connection& connection, const ProxyServer& proxy,
                   DWORD& since) {
    const int code = ConnectTo(probe, connection, proxy.host, proxy.port, true, since);
    if (code == kProbeHostNotFound || code == kProbeConnectFailed || code == kProbeTimedOut) {
        return ProxyFailed(probe, proxy, ProxyTrouble::kUnreachable);
    }
    return code;
}

// Asks the proxy for a tunnel to the site (CONNECT) and reads no more of its answer than the
// head: what follows a refusal (an error page of any size) is never read.
int OpenTunnel(ProbeRecord& probe, Connection& connection, const UrlParts& url,
               const ProxyServer& proxy, DWORD& since) {
    ShowStatus(probe, "[%s]への中継をプロキシに依頼しています...", url.host);
    char request[kRequestSize];
    if (!FormatConnectRequest(url.host, url.port, request, sizeof request)) {
        CopyText(probe.message, sizeof probe.message, UrlProblemText(UrlCheck::kNoHost));
        return kProbeBadUrl;
    }
    if (!connection.Send(request, std::strlen(request))) {
        CopyText(probe.message, sizeof probe.message, "接続できませんでした。");
        return kProbeConnectFailed;
    }
    std::string answer;
    TunnelReply reply;
    TunnelAnswer read = TunnelAnswer::kIncomplete;
    while (read == TunnelAnswer::kIncomplete) {
        char block[kReceiveSize];
        int got = 0;
        const Waited waited = connection.Receive(block, sizeof block, got, since);
        if (waited == Waited::kStopped) {
            return Stopped(probe);
        }
        if (waited == Waited::kTimedOut) {
            FormatText(probe.message, sizeof probe.message,
                       "プロキシサーバー[%s]からの応答が時間切れになりました。",
                       ProxyLabel(proxy).c_str());
            return kProbeTimedOut;
        }
        if (waited != Waited::kReady || got <= 0) {
            break; // closed before its head ended
        }
        since = GetTickCount();
        answer.append(block, static_cast<size_t>(got));
        read = ReadTunnelAnswer(answer.data(), answer.size(), reply);
    }
    // The site speaks only after the handshake has begun: bytes before it are the proxy's.
    if (read == TunnelAnswer::kOpen && answer.size() == reply.headLength) {
        return kProbeCompleted;
    }
    if (read == TunnelAnswer::kRefused && reply.statusCode == 407) {
        return ProxyFailed(probe, proxy, ProxyTrouble::kCredentials);
    }
    if (read == TunnelAnswer::kRefused) {
        FormatText(probe.message, sizeof probe.message,
                   "プロキシがサイトへの接続を中継しませんでした（%d %s）。", reply.statusCode,
                   reply.reason);
    } else {
        CopyText(probe.message, sizeof probe.message,
                 "プロキシがサイトへの接続を中継しませんでした。");
    }
    return kProbeConnectFailed;
}

// How the blocks of one answer ended.
struct Receipt {
    bool cutShort = false; // the connection failed (a reset) before the server ended it
    bool stopped = false;
    bool timedOut = false;
    bool unwanted = false; // the page of a move or a refusal
};

// Takes the answer block by block until the page or the connection ends, writing its page text
// into copy where there is one; without one, only as much as its head needs.
Receipt ReceiveBlocks(ProbeRecord& probe, Connection& connection, ResponseBlocks& blocks,
                      NewCopy* copy, const char* host, bool http11, DWORD since) {
    std::unique_ptr<char[]> buffer(new char[kReceiveBufferSize]);
    Receipt receipt;
    unsigned received = 0;
    bool typed = false; // the page's Content-Type is in the record
    if (copy) {
        probe.pageType.clear();
    }
    for (;;) {
        int got = 0;
        const Waited waited = connection.Receive(buffer.get(), kReceiveSize, got, since);
        if (waited == Waited::kStopped || waited == Waited::kTimedOut) {
            receipt.stopped = waited == Waited::kStopped;
            receipt.timedOut = !receipt.stopped;
            return receipt;
        }
        if (waited != Waited::kReady || got < 0) {
            got = 0;
            receipt.cutShort = true;
        }
        since = GetTickCount();
        buffer[got] = '\0';
        size_t pageLength = 0;
        const char* page = blocks.Take(buffer.get(), static_cast<size_t>(got), pageLength);
        const unsigned knownLength = blocks.KnownLength();
        const int status = blocks.HeadFound() ? probe.head.statusCode : 0;
        // A move is taken from its head, a refusal of HTTP/1.0 from its status line: their
        // pages are not wanted.
        if ((IsMove(status) && blocks.HeadEnded()) || (!http11 && RefusesHttp10(status))) {
            receipt.unwanted = true;
            return receipt;
        }
        // Without a copy only the head matters: the first block, or as much more as a move
        // needs to give its Location.
        if (!copy) {
            if (got == 0 || !IsMove(status) || blocks.HeadGivenUp()) {
                return receipt;
            }
            continue;
        }
        if (!typed && blocks.HeadEnded()) {
            probe.pageType = blocks.ContentType();
            typed = true;
        }
        copy->Write(page, pageLength);
        if (knownLength != 0) {
            ShowStatus(probe, "[%s]から受信しています( %u / %u )", host, received, knownLength);
        } else {
            ShowStatus(probe, "[%s]から受信しています( %u / ??? )", host, received);
        }
        received += static_cast<unsigned>(pageLength);
        if (got == 0 || blocks.PageEnded(http11)) {
            return receipt;
        }
    }
}

// The answer to the request sent on connection: its head in probe.head, its page in the new
// copy when one is kept and it came whole, location its Location header.
int ReceiveAnswer(ProbeRecord& probe, Connection& connection, const UrlParts& url, bool http11,
                  DWORD since, std::string& location) {
    const char* host = url.host;
    ShowStatus(probe, "[%s]から受信しています...", host);
    std::unique_ptr<NewCopy> copy;
    if (probe.saveCopy && !probe.copyPath.empty()) {
        copy.reset(new NewCopy(probe.copyPath.c_str()));
    }
    NewCopy* writing = copy && copy->IsOpen() ? copy.get() : nullptr;
    ResponseBlocks blocks(probe.head);
    const Receipt receipt =
        ReceiveBlocks(probe, connection, blocks, writing, host, http11, since);
    probe.facts.answered = blocks.HeadFound();
    location = blocks.Location();
    int code = kProbeCompleted;
    if (!blocks.HeadFound() && receipt.stopped) {
        code = Stopped(probe);
    } else if (!blocks.HeadFound() && receipt.timedOut) {
        FormatText(probe.message, sizeof probe.message, "[%s]からの応答が時間切れになりました。",
                   host);
        code = kProbeTimedOut;
    } else if (!blocks.HeadFound() && receipt.cutShort && url.scheme == UrlScheme::kHttps) {
        // The records broke off before any answer (a renegotiation request among the causes).
        FormatText(probe.message, sizeof probe.message, "[%s]と暗号化通信ができませんでした。",
                   host);
        code = kProbeTlsFailed;
    }
    // Part of a page, or more head instead of one, must never pass for the page. (A page cut
    // by forced termination is kept: the run knows it was stopped.)
    if (writing && (receipt.unwanted || receipt.cutShort || receipt.timedOut ||
                    code != kProbeCompleted || !blocks.PageComplete())) {
        writing->Discard();
    }
    return code;
}

// Ends the connection; a failure to do so is the probe's code only where nothing failed before.
int CloseConnection(ProbeRecord& probe, Connection& connection, const char* host, int code) {
    ShowStatus(probe, "[%s]に送受信終了を通知しています...", host);
    const Connection::Closed closed = connection.Close();
    if (code != kProbeCompleted) {
        return code;
    }
    switch (closed) {
    case Connection::Closed::kOk:
        break;
    case Connection::Closed::kShutdownFailed:
        CopyText(probe.message, sizeof probe.message, "ソケットをシャットダウンできませんでした。");
        return kProbeShutdownFailed;
    case Connection::Closed::kCloseFailed:
        CopyText(probe.message, sizeof probe.message, "ソケットを削除できません。");
        return kProbeCloseFailed;
    }
    return code;
}

// One request on one connection: resolve, connect (to the site, or to the proxy its scheme goes
// through), send, receive into the new copy, shut down and close. location receives the
// answer's Location header.
int Exchange(ProbeRecord& probe, const UrlParts& url, bool http11, std::string& location) {
    probe.facts.answered = false;
    const ProxyRoute route = probe.router ? probe.router->RouteFor(url) : ProxyRoute();
    probe.facts.viaProxy = route.viaProxy;
    const bool https = url.scheme == UrlScheme::kHttps;
    Connection connection;
    const char* host = url.host;
    DWORD since = 0;
    int code = route.viaProxy ? ConnectToProxy(probe, connection, route.server, since)
                              : ConnectTo(probe, connection, host, url.port, false, since);
    if (code == kProbeCompleted && https && route.viaProxy) {
        code = OpenTunnel(probe, connection, url, route.server, since);
    }
    if (code != kProbeCompleted) {
        return code;
    }
    // An https page is asked for inside TLS, the same conversation in every other way.
    if (https) {
        ShowStatus(probe, "[%s]と暗号化通信を始めています...", host);
        const int failed = TlsFailure(probe, connection.StartTls(host, since), host);
        if (failed != kProbeCompleted) {
            return failed;
        }
    }
    ShowStatus(probe, "[%s]にリクエストを送信しています...", host);
    char request[kRequestSize];
    if (!FormatRequest(host, url.path, url.port, http11, request, sizeof request,
                       route.viaProxy && !https)) {
        CopyText(probe.message, sizeof probe.message, UrlProblemText(UrlCheck::kNoHost));
        return kProbeBadUrl;
    }
    // A half-sent request cannot give a trustworthy answer: end as if the connection failed.
    if (!connection.Send(request, std::strlen(request))) {
        CopyText(probe.message, sizeof probe.message, "接続できませんでした。");
        return kProbeConnectFailed;
    }
    code = ReceiveAnswer(probe, connection, url, http11, since, location);
    // A 407 is the proxy's, not the site's: it asks for credentials, and its page is no copy.
    if (code == kProbeCompleted && route.viaProxy && !https && probe.facts.answered &&
        probe.head.statusCode == 407) {
        code = ProxyFailed(probe, route.server, ProxyTrouble::kCredentials);
        if (probe.saveCopy) {
            DeleteFileA(probe.copyPath.c_str());
        }
    }
    return CloseConnection(probe, connection, host, code);
}

} // namespace

int SystemLookUpHost(const char* name, HostAddresses& addresses) {
    const AddressLookup& lookup = SystemAddressLookup();
    if (!lookup.get) {
        const hostent* entry = gethostbyname(name);
        if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list ||
            !entry->h_addr_list[0]) {
            const int error = WSAGetLastError();
            return error != 0 ? error : WSANO_DATA;
        }
        u_long address = 0;
        std::memcpy(&address, entry->h_addr_list[0], 4);
        addresses.first = Ipv4Address(address, 0);
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const int error = lookup.get(name, nullptr, &hints, &list);
    if (error != 0) {
        return error;
    }
    for (const addrinfo* at = list; at; at = at->ai_next) {
        if ((at->ai_family != AF_INET && at->ai_family != AF_INET6) || !at->ai_addr ||
            at->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        ServerAddress* slot = addresses.first.family == 0 ? &addresses.first
                              : addresses.other.family == 0 && at->ai_family != addresses.first.family
                                  ? &addresses.other
                                  : nullptr;
        if (slot) {
            slot->family = at->ai_family;
            slot->length = static_cast<int>(at->ai_addrlen);
            std::memcpy(&slot->bytes, at->ai_addr, at->ai_addrlen);
        }
    }
    lookup.free(list);
    return addresses.first.family != 0 ? 0 : WSANO_DATA;
}

int (*lookUpHost)(const char* name, HostAddresses& addresses) = SystemLookUpHost;

LookupWatch GiveUpLateLookup(ProbeRecord& probe) {
    const Locked lock(LookupsLock());
    PendingLookup* pending = probe.lookup;
    if (!pending) {
        return LookupWatch::kNone;
    }
    const bool stopped = ProbeStopped(probe.abandoned);
    if (!stopped && TimeLeft(pending->since, probeSilenceMs) > 0) {
        return LookupWatch::kUnderWay;
    }
    pending->givenUp = true;
    probe.lookup = nullptr;
    if (stopped) {
        probe.code = static_cast<DWORD>(Stopped(probe));
    } else {
        FormatText(probe.message, sizeof probe.message, "[%s]の名前解決が時間切れになりました。",
                   pending->host);
        probe.code = kProbeTimedOut;
    }
    return LookupWatch::kGivenUp;
}

const char* UrlProblemText(UrlCheck check) {
    switch (check) {
    case UrlCheck::kOtherScheme:
        return "httpとhttps以外のURLは確認しません。";
    case UrlCheck::kIpv6:
        return "IPv6のアドレスには対応していないため確認しません。";
    case UrlCheck::kBadPort:
        return "URLのポート番号が正しくありません。";
    case UrlCheck::kNoHost:
        return "URLの形式が正しくありません。";
    case UrlCheck::kTooLong:
        return "URLが長すぎます。";
    case UrlCheck::kOk:
        break;
    }
    return "";
}

int UrlProblemCode(UrlCheck check) {
    return check == UrlCheck::kOtherScheme || check == UrlCheck::kIpv6 ? kProbeNotChecked
                                                                       : kProbeBadUrl;
}

int RunProbeConversation(ProbeRecord& probe) {
    WatchAbandoned(&probe.abandoned);
    probe.message[0] = '\0';
    probe.hops.clear();
    probe.facts = ProbeFacts{};
    probe.lookups.clear();
    UrlParts url;
    const UrlCheck check = SplitAfterScheme(probe.target.c_str(), probe.scheme, probe.port, url);
    if (check != UrlCheck::kOk) {
        CopyText(probe.message, sizeof probe.message, UrlProblemText(check));
        return UrlProblemCode(check);
    }
    std::vector<std::string> asked;
    bool http11 = false;
    for (;;) {
        if (!asked.empty() || http11) {
            std::memset(&probe.head, 0, sizeof probe.head); // nothing of the last answer lingers
        }
        std::string location;
        const int code = Exchange(probe, url, http11, location);
        if (code == kProbeGivenUp) {
            return code; // the record is no longer this thread's
        }
        const int status = probe.head.statusCode;
        if (code != kProbeCompleted || !probe.facts.answered || ProbeStopped()) {
            return code;
        }
        if (!http11 && RefusesHttp10(status)) {
            http11 = true;
            continue;
        }
        if (!IsMove(status)) {
            return code;
        }
        // Moved for good: asked for again at the new address.
        char here[kListLineSize];
        FormatUrl(url, here, sizeof here);
        asked.push_back(here);
        ProbeHop hop{};
        hop.statusCode = status;
        CopyText(hop.reason, sizeof hop.reason, probe.head.reason);
        UrlParts next;
        const UrlCheck moved =
            location.empty() ? UrlCheck::kNoHost : ResolveLocation(url, location.c_str(), next);
        if (moved == UrlCheck::kOk) {
            FormatUrl(next, hop.location, sizeof hop.location);
        } else {
            CopyText(hop.location, sizeof hop.location, location.c_str());
        }
        probe.hops.push_back(hop);
        if (location.empty()) {
            CopyText(probe.message, sizeof probe.message, "移転先が示されていません。");
            return kProbeMoveFailed;
        }
        if (moved != UrlCheck::kOk) {
            FormatText(probe.message, sizeof probe.message, "移転先を確認できません。%s",
                       UrlProblemText(moved));
            return kProbeMoveFailed;
        }
        for (const std::string& earlier : asked) {
            if (earlier == hop.location) {
                CopyText(probe.message, sizeof probe.message, "移転先が循環しています。");
                return kProbeMoveFailed;
            }
        }
        if (probe.hops.size() > static_cast<size_t>(kMaxHops)) {
            FormatText(probe.message, sizeof probe.message, "移転が%d回を超えたため中止しました。",
                       kMaxHops);
            return kProbeMoveFailed;
        }
        url = next;
        http11 = false;
    }
}
