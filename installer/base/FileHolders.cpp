// The Restart Manager asked which programs hold a file: a session of its own for each question.
#include "base/FileHolders.h"

#include <windows.h>

#include <restartmanager.h>

#include <vector>

#include "base/Handles.h"
#include "base/Text.h"

namespace {

using StartSession = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using RegisterResources = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT,
                                         LPCWSTR*);
using GetList = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
using EndSession = DWORD(WINAPI*)(DWORD);

// More holders than this are not named: the message would not show them anyway.
constexpr UINT kMostHolders = 16;

// The holders' names, joined, from a session that has the file registered.
bool JoinHolders(GetList getList, DWORD session, char* names, size_t size) {
    std::vector<RM_PROCESS_INFO> holders(kMostHolders);
    UINT needed = 0;
    UINT count = kMostHolders;
    DWORD reasons = 0;
    const DWORD result = getList(session, &needed, &count, holders.data(), &reasons);
    if ((result != ERROR_SUCCESS && result != ERROR_MORE_DATA) || count == 0) {
        return false;
    }
    names[0] = '\0';
    for (UINT i = 0; i < count && i < kMostHolders; ++i) {
        char name[CCH_RM_MAX_APP_NAME * 2 + 2];
        if (WideCharToMultiByte(CP_ACP, 0, holders[i].strAppName, -1, name, sizeof name, nullptr,
                                nullptr) <= 1) {
            continue;
        }
        if (names[0] != '\0') {
            AppendText(names, size, "、");
        }
        AppendText(names, size, name);
    }
    return names[0] != '\0';
}

} // namespace

bool NameFileHolders(const char* path, char* names, size_t size) {
    if (size == 0) {
        return false;
    }
    names[0] = '\0';
    const Library manager("rstrtmgr.dll");
    const auto startSession = manager.Find<StartSession>("RmStartSession");
    const auto registerResources = manager.Find<RegisterResources>("RmRegisterResources");
    const auto getList = manager.Find<GetList>("RmGetList");
    const auto endSession = manager.Find<EndSession>("RmEndSession");
    wchar_t widePath[kPathSize];
    if (!startSession || !registerResources || !getList || !endSession ||
        MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kPathSize) == 0) {
        return false;
    }
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (startSession(&session, 0, key) != ERROR_SUCCESS) {
        return false;
    }
    LPCWSTR files[] = {widePath};
    const bool named =
        registerResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
        JoinHolders(getList, session, names, size);
    endSession(session);
    return named;
}
