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
// on one host name, so that no server gets more than a browser would send it.
constexpr DWORD kDefaultProbesAtOnce = 16;
constexpr DWORD kMaxProbesAtOnce = 64;
constexpr int kProbesPerHost = 4;
// Answers that may wait for their turn, per probe at once: a slow page holds up the handling of
// those after it, not their probes.
constexpr DWORD kAnswersPerProbe = 16;

// The stored number within bounds: none or 0 is the default, more than the most is the most.
inline DWORD ProbesAtOnce(DWORD stored) {
    return stored == 0                 ? kDefaultProbesAtOnce
           : stored > kMaxProbesAtOnce ? kMaxProbesAtOnce
                                       : stored;
}

inline bool OptionSet(DWORD word, DWORD mask) {
    return (word & mask) != 0;
}
