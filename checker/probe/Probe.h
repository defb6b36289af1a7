// One favorite's HTTP conversation over WinSock stream sockets, moves followed, and the
// process-wide values through which the check run hands a probe its target and reads its result.
// Only one probe runs at a time: the driver writes the inputs before the worker starts and reads
// the outputs after it has ended.
#pragma once

#include <windows.h>

#include "favorites/FavoritesList.h"
#include "probe/ResponseHead.h"
#include "probe/Target.h"
#include "run/RunFlags.h"

#include <vector>

constexpr int kProbeMessageSize = 512;

// Inputs, set by the driver before the worker starts.
extern char* probeTarget;      // the URL after its scheme and "//" (heap text)
extern int probePort;          // port of the connection and of the Host line, unless the
                               // target names its own
extern UrlScheme probeScheme;  // the URL's scheme
extern int saveCopy;           // 1: read the whole response into the new copy
extern char* newCopyPath;      // where the new copy goes (heap text)
// How long a probe waits without an answer (resolving, connecting, or for the next block)
// before it gives up; tests make it shorter.
extern DWORD probeSilenceMs;
constexpr DWORD kProbeSilenceMs = 30000;

// A page that moved for good (301, 308) is asked for at its new address, at most kMaxHops times.
constexpr int kMaxHops = 10;
struct ProbeHop {
    int statusCode;
    char reason[kHeadTextSize];
    char location[kListLineSize]; // the new address, or the Location as sent when it is unusable
};

// What the driver needs to know beyond the answer, to tell a sure verdict from an unsure one.
struct ProbeFacts {
    bool nameResolved;  // a host name (not a dotted address) was found
    bool serverReached; // a connection was made
    bool nameMissing;   // the lookup answered that the name does not exist
    bool answered;      // the last response had a status line
};

// Outputs, read by the driver after the worker has ended.
extern char probeMessage[kProbeMessageSize]; // failure text of the failure codes
extern ResponseHead probeHead;               // head of the last response with a status line
extern std::vector<ProbeHop> probeHops;      // moves followed, in order
extern ProbeFacts probeFacts;

// Probe exit codes.
enum ProbeCode {
    kProbeCompleted = 0,
    kProbeNoSocket = 1,
    kProbeHostNotFound = 2,
    kProbeConnectFailed = 3,
    kProbeShutdownFailed = 4,
    kProbeCloseFailed = 5,
    kProbeTimedOut = 6,       // no answer within probeSilenceMs, or a name not found in time
    kProbeMoveFailed = 7,     // a move that cannot be followed: a loop, too many, a bad Location
    kProbeNotChecked = 8,     // an address this program does not ask for
    kProbeBadUrl = 9,         // a port or host that cannot be
    kProbeStopped = 10,       // forced termination before any answer came
    kProbeTlsFailed = 11,     // TLS could not be started, or the certificate is not good
};

// What the log says of a favorite whose check a forced end cut short.
constexpr char kStoppedText[] = "強制終了のため確認を中止しました。";

// Runs the conversation for probeTarget and returns its exit code. Progress texts go to
// statusLine with SetWindowTextA (a message to the window's thread, which must pump).
int RunProbeConversation(HWND statusLine);

// The log's text for an address that cannot be asked for.
const char* UrlProblemText(UrlCheck check);
// The probe code of such an address: not checked, or a bad URL.
int UrlProblemCode(UrlCheck check);
