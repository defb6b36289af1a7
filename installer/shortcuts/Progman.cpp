// Program groups on a shell whose Program Manager takes commands over DDE: the group named
// after the product, or the start-up group, and their items.
#include "shortcuts/Progman.h"

#include <cstdarg>
#include <cstdio>

#include "entry/SetupContext.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"

namespace {

DWORD ddeInstance = 0;
HCONV ddeConversation = nullptr;

// Program Manager's own name for the start-up group of a Japanese system.
const char kStartupGroup[] = "スタートアップ";

// Room for the longest command: two paths and the command's own words.
constexpr size_t kCommandSize = 2 * kPathSize + 32;

// Formats and sends one command; what the server answers is not looked at. A command that does
// not fit is not sent: cut short it would name another group or item.
__attribute__((format(printf, 1, 2))) void Send(const char* format, ...) {
    char command[kCommandSize];
    va_list texts;
    va_start(texts, format);
    const int length = std::vsnprintf(command, sizeof command, format, texts);
    va_end(texts);
    if (length > 0 && static_cast<size_t>(length) < sizeof command) {
        DdeExecuteCommand(command);
    }
}

// The item for entryTarget under the name entryName.
void AddItem() {
    if (SetupContext.entryTarget[0] == '\0') {
        return; // an entry that did not fit, or whose name would lead elsewhere
    }
    ShortCommandLine();
    Send("[AddItem(\"%s\",\"%s\")]", SetupContext.entryTarget, SetupContext.entryName);
}

void CreateItems(ShortcutPlace place) {
    const bool grouped = SetupContext.groupCount > 0;
    if (!LoadFirstShortcut(grouped)) {
        return;
    }
    // Without a group of its own: the program's item and one that uninstalls it.
    const int count = grouped ? SetupContext.groupCount : 2;
    if (place == ShortcutPlace::Startup) {
        Send("[ShowGroup(\"%s\",1)]", kStartupGroup);
        ShortCommandLine();
        Send("[AddItem(\"%s\",\"%s\")]", SetupContext.entryTarget, SetupContext.title);
        return;
    }
    Send("[CreateGroup(\"%s\",0)]", SetupContext.title);
    for (int n = 1; n <= count; ++n) {
        AddItem();
        if (n == count) {
            break;
        }
        if (grouped) {
            LoadGroupEntry(n + 1);
        } else {
            // Without a group of its own the product gets an item that uninstalls it.
            LoadFileEntry(-1);
            if (!AppendText(SetupContext.entryTarget, kPathSize, ",/r") ||
                !AppendText(SetupContext.entryName, kPathSize, "の削除")) {
                break;
            }
        }
    }
}

} // namespace

bool DdeStartClient() {
    // A renewal that the system refuses leaves the instance started before, which serves on.
    return DdeInitializeA(&ddeInstance, DdeEventCallback, APPCMD_CLIENTONLY, 0) ==
               DMLERR_NO_ERROR ||
           ddeInstance != 0;
}

bool DdeOpenConversation(const char* service, const char* topic) {
    DdeCloseConversation();
    HSZ serviceName = DdeCreateStringHandleA(ddeInstance, service, CP_WINANSI);
    HSZ topicName = DdeCreateStringHandleA(ddeInstance, topic, CP_WINANSI);
    if (serviceName && topicName) {
        ddeConversation = DdeConnect(ddeInstance, serviceName, topicName, nullptr);
    }
    if (serviceName) {
        DdeFreeStringHandle(ddeInstance, serviceName);
    }
    if (topicName) {
        DdeFreeStringHandle(ddeInstance, topicName);
    }
    return ddeConversation != nullptr;
}

void DdeCloseConversation() {
    if (ddeConversation) {
        DdeDisconnect(ddeConversation);
        ddeConversation = nullptr;
    }
}

bool DdeExecuteCommand(const char* command) {
    if (!ddeConversation) {
        return false;
    }
    DWORD status = 0;
    const HDDEDATA result =
        DdeClientTransaction(reinterpret_cast<BYTE*>(const_cast<char*>(command)),
                             static_cast<DWORD>(lstrlenA(command) + 1), ddeConversation, nullptr,
                             CF_TEXT, XTYP_EXECUTE, 10000, &status);
    return result == reinterpret_cast<HDDEDATA>(1);
}

HDDEDATA CALLBACK DdeEventCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                   ULONG_PTR) {
    if (type == XTYP_DISCONNECT) {
        ddeConversation = nullptr;
    }
    return nullptr;
}

void UpdateProgmanGroup(ShortcutPlace place, ShortcutUpdate update) {
    if (!DdeStartClient()) {
        return;
    }
    // Without Program Manager no conversation opens and every command is dropped.
    DdeOpenConversation("PROGMAN", "PROGMAN");
    if (update == ShortcutUpdate::Remove) {
        if (place == ShortcutPlace::Startup) {
            Send("[ShowGroup(\"%s\",1)]", kStartupGroup);
            Send("[DeleteItem(\"%s\")]", SetupContext.title);
        } else {
            // The desktop has no group of its own on this shell; its removal is the group's.
            Send("[DeleteGroup(\"%s\",0)]", SetupContext.title);
        }
    } else {
        CreateItems(place);
    }
    DdeCloseConversation();
}

void ShortCommandLine() {
    char path[kPathSize];
    CopyText(path, sizeof path, SetupContext.entryTarget);
    const char* arguments = nullptr;
    if (char* comma = FindArgumentsComma(path, SetupContext.installFolder)) {
        *comma = '\0';
        arguments = comma + 1;
    }
    char line[kPathSize];
    const DWORD length = GetShortPathNameA(path, line, sizeof line);
    if (length == 0 || length >= sizeof line) {
        CopyText(line, sizeof line, path); // a file without a short form keeps its long path
    }
    if (arguments) {
        AppendText(line, sizeof line, " ");
        AppendText(line, sizeof line, arguments);
    }
    CopyText(SetupContext.entryTarget, kPathSize, line);
}
