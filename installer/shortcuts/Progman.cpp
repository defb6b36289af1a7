// Program groups on a shell whose Program Manager takes commands over DDE: the group named
// after the product, or the start-up group, and their items.
#include "shortcuts/Progman.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "base/Handles.h"
#include "base/SetupContext.h"
#include "setupfile/SetupFile.h"

namespace {

// Program Manager's own name for the start-up group of a Japanese system.
const char kStartupGroup[] = "スタートアップ";

// Room for the longest command: two paths and the command's own words.
constexpr size_t kCommandSize = 2 * kPathSize + 32;

// Formats and sends one command; what the server answers is not looked at. A command that does
// not fit is not sent: cut short it would name another group or item.
__attribute__((format(printf, 2, 3))) void Send(DdeClient& progman, const char* format, ...) {
    char command[kCommandSize];
    va_list texts;
    va_start(texts, format);
    const int length = std::vsnprintf(command, sizeof command, format, texts);
    va_end(texts);
    if (length > 0 && static_cast<size_t>(length) < sizeof command) {
        progman.Execute(command);
    }
}

// The item for entryTarget under the name entryName.
void AddItem(DdeClient& progman) {
    if (SetupContext.entryTarget[0] == '\0') {
        return; // an entry that did not fit, or whose name would lead elsewhere
    }
    ShortCommandLine();
    Send(progman, "[AddItem(\"%s\",\"%s\")]", SetupContext.entryTarget, SetupContext.entryName);
}

void CreateItems(DdeClient& progman, ShortcutPlace place) {
    const bool grouped = SetupContext.groupCount > 0;
    if (!LoadFirstShortcut(grouped)) {
        return;
    }
    // Without a group of its own: the program's item and one that uninstalls it.
    const int count = grouped ? SetupContext.groupCount : 2;
    if (place == ShortcutPlace::kStartup) {
        Send(progman, "[ShowGroup(\"%s\",1)]", kStartupGroup);
        ShortCommandLine();
        Send(progman, "[AddItem(\"%s\",\"%s\")]", SetupContext.entryTarget, SetupContext.title);
        return;
    }
    Send(progman, "[CreateGroup(\"%s\",0)]", SetupContext.title);
    for (int n = 1; n <= count; ++n) {
        AddItem(progman);
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

void UpdateProgmanGroup(ShortcutPlace place, ShortcutUpdate update) {
    DdeClient progman;
    if (!progman.Start()) {
        return;
    }
    // Without Program Manager no conversation opens and every command is dropped.
    progman.Open("PROGMAN", "PROGMAN");
    if (update == ShortcutUpdate::kRemove) {
        if (place == ShortcutPlace::kStartup) {
            Send(progman, "[ShowGroup(\"%s\",1)]", kStartupGroup);
            Send(progman, "[DeleteItem(\"%s\")]", SetupContext.title);
        } else {
            // The desktop has no group of its own on this shell; its removal is the group's.
            Send(progman, "[DeleteGroup(\"%s\",0)]", SetupContext.title);
        }
    } else {
        CreateItems(progman, place);
    }
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
