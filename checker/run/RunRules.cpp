// Small decisions of the check run that need no window.
#include "run/RunRules.h"

#include "probe/Probe.h"
#include "text/TextRoutines.h"

#include <cstring>
#include <initializer_list>

bool MayOpenInBrowser(const char* url) {
    char head[16];
    CopyText(head, sizeof head, url);
    ChangeCase(head, 1);
    for (const char* scheme : {"http://", "https://", "ftp://"}) {
        if (std::strncmp(head, scheme, std::strlen(scheme)) == 0) {
            return true;
        }
    }
    return false;
}

void FirstLine(const char* text, char* line, size_t size) {
    CopyText(line, size, text);
    for (char* p = line; *p; p += CharLength(p)) {
        if (*p == '\r' || *p == '\n') {
            *p = '\0';
            break;
        }
    }
}

Verdict ClassifyProbe(int code, int statusCode, bool answered, bool nameMissing, bool forcedEnd) {
    if (code == kProbeNotChecked) {
        return Verdict::kNotChecked;
    }
    if (code == kProbeProxyFailed) {
        return Verdict::kProxyFailed;
    }
    if (code == kProbeStopped || (forcedEnd && code == kProbeCompleted && !answered)) {
        return Verdict::kStopped;
    }
    if (code == kProbeCompleted && answered) {
        if (PageIsThere(statusCode)) {
            return Verdict::kThere;
        }
        return statusCode == 404 || statusCode == 410 ? Verdict::kGone : Verdict::kUnsure;
    }
    if (code == kProbeHostNotFound && nameMissing) {
        return Verdict::kNameMissing;
    }
    return Verdict::kUnsure;
}
