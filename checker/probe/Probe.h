// One favorite's HTTP conversation, moves followed, with everything a probe is given and
// gives back in a record of its own: many probes may run at once, each on its own thread.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "favorites/FavoritesList.h"
#include "framework/RunFlags.h"
#include "probe/Connection.h"
#include "probe/NetworkRules.h"
#include "probe/ResponseHead.h"
#include "probe/StatusRelay.h"
#include "probe/Target.h"

#include <atomic>
#include <string>
#include <vector>

constexpr int kProbeMessageSize = 512;

// How long a probe waits without an answer (resolving, connecting, or for the next block)
// before it gives up; tests make it shorter.
extern DWORD probeSilenceMs;
constexpr DWORD kProbeSilenceMs = 30000;
// A connection not accepted within this is given up sooner: a server that is there accepts at
// once, and Windows itself gives a connect up after about 21 s.
extern DWORD probeConnectMs;
constexpr DWORD kProbeConnectMs = 15000;

// A page that moved for good (301, 308) is asked for at its new address, at most kMaxHops times.
constexpr int kMaxHops = 10;
struct ProbeHop {
    int statusCode;
    char reason[kHeadTextSize];
    char location[kListLineSize]; // the new address, or the Location as sent when it is unusable
};

// What the driver needs to know beyond the answer, to tell a sure verdict from an unsure one.
struct PendingLookup;
class ProxyRouter;
class UnreachableHosts;

// Trouble with the proxy itself, not with the site: the run then acts on nothing it sent there.
enum class ProxyTrouble { kNone, kUnreachable, kCredentials };

struct ProbeFacts {
    bool nameResolved;  // a host name (not a dotted address) was found
    bool serverReached; // a connection was made
    bool nameMissing;   // the lookup answered that the name does not exist
    bool answered;      // the last response had a status line
    // The server (UnreachableHosts::Key) that never accepted the connection, now or earlier in
    // the run; 0 for any other end.
    unsigned long long neverAccepted;
    bool viaProxy; // the last request went through a proxy
    ProxyTrouble proxyTrouble;
    char proxy[kProxyHostSize + 16]; // "host:port" of the proxy that failed
};

// A name the probe looked up for its own site (never a proxy's), and what came of it: the run
// judges by them whether its network can see the web's names.
struct NameLookup {
    std::string name;
    bool found;
    bool intranet; // a name, or an address, of the local network
};

// One probe's inputs, set before it starts, and its outputs, read after it has ended. Only the
// flags, its status texts and its lookup are shared while it runs.
struct ProbeRecord {
    ProbeRecord() : done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~ProbeRecord() {
        if (done) {
            CloseHandle(done);
        }
    }
    ProbeRecord(const ProbeRecord&) = delete;
    ProbeRecord& operator=(const ProbeRecord&) = delete;

    std::string target; // the URL after its scheme and "//"
    int port = 80;      // port of the connection and of the Host line, unless
                        // the target names its own
    UrlScheme scheme = UrlScheme::kHttp;
    bool saveCopy = false; // read the whole response into the new copy
    std::string copyPath;  // where the new copy goes
    // The Content-Type sent with the page in the new copy: its kind and charset.
    std::string pageType;
    // A whole new copy against the stored one (CompareNewCopy), done by the probe, off the
    // thread that takes the answers in list order: an unchanged copy is gone already. A changed
    // one leaves the report's line on what changed.
    CopyCompared copyCompared = CopyCompared::kNotCompared;
    std::string changeNote;
    // The run's servers that never accepted, shared by its probes; none: every probe waits.
    UnreachableHosts* unreachable = nullptr;
    // The run's routes through a proxy; none: every address direct.
    ProxyRouter* router = nullptr;

    char message[kProbeMessageSize] = ""; // failure text of the failure codes
    ResponseHead head{};                  // head of the last response with a status line
    std::vector<ProbeHop> hops;           // moves followed, in order
    ProbeFacts facts{};
    std::vector<NameLookup> lookups;      // the names looked up, in order

    // Its progress texts, kept back while the run is not yet at its favorite.
    StatusTexts status;
    // Set when the run no longer wants the answer: the probe ends within kSliceMs.
    std::atomic<bool> abandoned{false};
    // Its exit code, and its end: the event to wait for, and the flag its thread sets last.
    std::atomic<DWORD> code{STILL_ACTIVE};
    HANDLE done;
    std::atomic<bool> ended{false};
    // Set while it may be about to connect or waits for its connection to be accepted (from its
    // start, but not during a name lookup, which may take long for reasons of its own): the run
    // starts no other probe for the same host meanwhile.
    std::atomic<bool> connecting{false};
    // The name lookup under way on its thread, if any (guarded by the lookups' lock). The
    // system's lookup has no time limit and cannot be broken off, so the thread that waits for
    // the probe gives it up in the probe's place (GiveUpLateLookup).
    PendingLookup* lookup = nullptr;
};

// Probe exit codes.
enum ProbeCode {
    kProbeCompleted = 0,
    kProbeNoSocket = 1,
    kProbeHostNotFound = 2,
    kProbeConnectFailed = 3,
    kProbeShutdownFailed = 4,
    kProbeCloseFailed = 5,
    kProbeTimedOut = 6,   // no answer within probeSilenceMs, or a name not found in time
    kProbeMoveFailed = 7, // a move that cannot be followed: a loop, too many, a bad Location
    kProbeNotChecked = 8, // an address this program does not ask for
    kProbeBadUrl = 9,     // a port or host that cannot be
    kProbeStopped = 10,   // forced termination before any answer came
    kProbeTlsFailed = 11, // TLS could not be started, or the certificate is not good
    kProbeProxyFailed = 12, // the proxy could not be reached, or asked for credentials
    // Never an exit code: the probe's lookup was given up and its record ended by the thread
    // that waited for it; the probe's thread must not touch the record again.
    kProbeGivenUp = -1,
};

// What the log says of a favorite whose check a forced end cut short.
constexpr char kStoppedText[] = "強制終了のため確認を中止しました。";

// Runs the conversation of probe and returns its exit code, with its progress texts in
// probe.status; kProbeGivenUp when its lookup was given up meanwhile.
int RunProbeConversation(ProbeRecord& probe);

// The system's name lookup for the probes: 0 with the host's addresses, else WinSock's error
// (WSAHOST_NOT_FOUND: the name does not exist). getaddrinfo where the system has it (Windows XP
// and later), which gives IPv6 addresses as well; gethostbyname elsewhere.
int SystemLookUpHost(const char* name, HostAddresses& addresses);
// The lookup the probes use; tests put one in its place that never ends.
extern int (*lookUpHost)(const char* name, HostAddresses& addresses);

enum class LookupWatch { kNone, kUnderWay, kGivenUp };
// For the thread that waits for probe: whether its thread is in a name lookup, and, when the
// run was forced to end, the probe was abandoned, or the lookup has taken longer than the
// silence allowed, gives it up: the record then holds the exit code and text of a lookup that
// timed out or was stopped, and belongs to the caller alone (kGivenUp).
LookupWatch GiveUpLateLookup(ProbeRecord& probe);

// The log's text for an address that cannot be asked for.
const char* UrlProblemText(UrlCheck check);
// The probe code of such an address: not checked, or a bad URL.
int UrlProblemCode(UrlCheck check);
