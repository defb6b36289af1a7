// A probe's waits on the network: a connect gives up after probeConnectMs, any other wait after
// probeSilenceMs without an answer, and each looks several times a second whether the run was
// forced to end.
#pragma once

#include <winsock2.h>

#include <atomic>

// How often a waiting probe looks whether the run was forced to end.
constexpr DWORD kSliceMs = 200;

enum class Waited { kReady, kTimedOut, kStopped, kFailed };

// The flag that tells the probe of this thread that its answer is no longer wanted; set by the
// probe's thread before its first wait.
void WatchAbandoned(const std::atomic<bool>* abandoned);
// Whether the probe of this thread is to end: the run was forced to end, or it was abandoned.
bool ProbeStopped();
// The same for the probe whose abandoned flag this is, from any thread.
bool ProbeStopped(const std::atomic<bool>& abandoned);

// What is left of limit ms since since; 0 when it is over.
DWORD TimeLeft(DWORD since, DWORD limit);

// Waits until s has data or an end to read, or, while connecting, until the connection is made
// or has failed; within the silence allowed (probeConnectMs for a connect), and only while the
// probe is not to end.
Waited WaitSocket(SOCKET s, bool connecting, DWORD since);

// Sends all of data on the blocking socket s; false when the connection fails first.
bool SendAll(SOCKET s, const char* data, size_t length);
