// The check run's decisions, apart from the windows that show them.
#pragma once

#include <windows.h>

#include "run/RunOptions.h"

// Every success (2xx), a temporary move (302, 303, 307) and a request for a password (401) mean
// that the page is there; every other final status means it has vanished.
inline bool PageIsThere(int statusCode) {
    return (statusCode >= 200 && statusCode <= 299) || statusCode == 302 || statusCode == 303 ||
           statusCode == 307 || statusCode == 401;
}

// What a probe's result means for its favorite. The run acts on a favorite without asking only
// when it is sure that the page is gone.
enum class Verdict {
    kThere,       // the page is there
    kGone,        // surely gone: the server answered 404 or 410
    kNameMissing, // the host's name does not exist: sure once other names of the run were found
    kUnsure,      // maybe gone: any other status, failure, time-out or move that failed
    kNotChecked,  // an address this program does not ask for
    kStopped,     // the run was forced to end before an answer came
    kProxyFailed, // the proxy could not be reached or asked for credentials: no answer at all
};

// code is the probe's exit code; answered, that its last response had a status line;
// nameMissing, that the lookup said the name does not exist; forcedEnd, that the run was forced
// to end while the probe ran.
Verdict ClassifyProbe(int code, int statusCode, bool answered, bool nameMissing, bool forcedEnd);

enum class VanishedAction { kAskThenRecycle, kRecycle, kList, kNothing };

// The first choice set in the word, tested in the fixed order ask, recycle, list.
inline VanishedAction ChooseVanishedAction(DWORD vanishedOptions) {
    if (OptionSet(vanishedOptions, kVanishedAsk)) {
        return VanishedAction::kAskThenRecycle;
    }
    if (OptionSet(vanishedOptions, kVanishedRecycle)) {
        return VanishedAction::kRecycle;
    }
    if (OptionSet(vanishedOptions, kVanishedList)) {
        return VanishedAction::kList;
    }
    return VanishedAction::kNothing;
}

inline bool WantsVanishedReport(DWORD vanishedOptions) {
    return OptionSet(vanishedOptions, kVanishedList);
}

inline bool WantsUpdatedReport(DWORD updateOptions) {
    return !OptionSet(updateOptions, kNoUpdateCheck) && OptionSet(updateOptions, kUpdatedList);
}

// A shortcut file is outside input: only web and FTP addresses are handed to the shell, which
// would start a program for a path or a file: link.
bool MayOpenInBrowser(const char* url);

// The first line of a text, within size bytes (a failure text's first line is its heading).
void FirstLine(const char* text, char* line, size_t size);
