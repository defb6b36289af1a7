// The check run's decisions, apart from the windows that show them.
#pragma once

#include <windows.h>

#include "ui/Options.h"

// 200, 302 and 401 mean that the page is there; every other status means it has vanished.
inline bool PageIsThere(int statusCode) {
    return statusCode == 200 || statusCode == 302 || statusCode == 401;
}

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
