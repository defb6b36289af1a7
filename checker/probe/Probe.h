// One favorite's HTTP/1.0 conversation over a WinSock stream socket, and the process-wide
// values through which the check run hands a probe its target and reads its result. Only one
// probe runs at a time: the driver writes the inputs before the worker starts and reads the
// outputs after it has ended.
#pragma once

#include <windows.h>

#include "probe/ResponseHead.h"
#include "probe/Target.h"
#include "run/RunFlags.h"

constexpr int kProbeMessageSize = 512;

// Inputs, set by the driver before the worker starts.
extern char* probeTarget; // the URL after its scheme and "//" (heap text)
extern int probePort;     // port of the connection and of the Host line
extern int saveCopy;      // 1: read the whole response into the new copy
extern char* newCopyPath; // where the new copy goes (heap text)
// Outputs, read by the driver after the worker has ended.
extern char probeMessage[kProbeMessageSize]; // failure text of codes 1 to 5
extern ResponseHead probeHead;               // head of the last response with a status line

// Probe exit codes.
enum ProbeCode {
    kProbeCompleted = 0,
    kProbeNoSocket = 1,
    kProbeHostNotFound = 2,
    kProbeConnectFailed = 3,
    kProbeShutdownFailed = 4,
    kProbeCloseFailed = 5,
};

// Runs the conversation for probeTarget and returns its exit code. Progress texts go to
// statusLine with SetWindowTextA (a message to the window's thread, which must pump).
int RunProbeConversation(HWND statusLine);
