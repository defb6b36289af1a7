// What a check run is told to do: the two option words, each made of 2-bit fields that the
// main dialog's option buttons hold (a field counts as set when it is not 0), and how many
// favorites it probes at once.
#pragma once

#include <windows.h>

// vanishedOptions: what to do with a favorite whose page has vanished.
constexpr DWORD kVanishedAsk = 0x03;     // look at the page, ask, recycle
constexpr DWORD kVanishedRecycle = 0x0C; // recycle without asking
constexpr DWORD kVanishedList = 0x30;    // list in the vanished-pages report
constexpr DWORD kVanishedNothing = 0xC0; // nothing
// updateOptions: what to do with a page that is new or updated.
constexpr DWORD kUpdatedList = 0x03;    // list in the new-or-updated report
constexpr DWORD kUpdatedBrowser = 0x0C; // open in the browser
constexpr DWORD kNoUpdateCheck = 0x30;  // do not check for updates at all

constexpr DWORD kDefaultVanishedOptions = 0x10;
constexpr DWORD kDefaultUpdateOptions = 0x11;

// How many favorites a run probes at once (1: one after another), and how many of them at most
// on one host name, so that no server gets more than a browser would send it. A probe that waits
// costs a thread and a socket and nothing else, and in old favorites many wait for dead sites:
// so many at once that those do not hold up the live ones.
constexpr DWORD kDefaultProbesAtOnce = 64;
constexpr DWORD kMaxProbesAtOnce = 256;
constexpr int kProbesPerHost = 4;
// Connections to a proxy at once: it stands for every site behind it, and browsers keep to a few
// dozen.
constexpr size_t kProxyConnections = 16;
// Answers that may wait for their turn, per probe at once, and in all: a slow page holds up the
// handling of those after it, not their probes, and the memory of a run stays within bounds.
constexpr DWORD kAnswersPerProbe = 16;
constexpr DWORD kMostAnswersWaiting = 1024;

inline DWORD AnswersWaiting(DWORD probesAtOnce) {
    const DWORD wanted = probesAtOnce * kAnswersPerProbe;
    return wanted < kMostAnswersWaiting ? wanted : kMostAnswersWaiting;
}

// The stored number within bounds: none or 0 is the default, more than the most is the most.
inline DWORD ProbesAtOnce(DWORD stored) {
    return stored == 0                 ? kDefaultProbesAtOnce
           : stored > kMaxProbesAtOnce ? kMaxProbesAtOnce
                                       : stored;
}

inline bool OptionSet(DWORD word, DWORD mask) {
    return (word & mask) != 0;
}
