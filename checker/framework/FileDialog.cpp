// The filter's '|' separators become the zero bytes the system expects. The scan steps over
// double-byte characters: in Shift-JIS a '|' byte can be the second half of a character.
#include "framework/FileDialog.h"

#include "text/TextRoutines.h"

#include <commdlg.h>

#include <cstring>
#include <vector>

bool SaveFileDialog(HWND owner, const char* filter, const char* defaultExtension, DWORD flags,
                    char* path, size_t size) {
    std::vector<char> filters;
    for (const char* p = filter; *p;) {
        const size_t length = CharLength(p);
        if (*p == '|') {
            filters.push_back('\0');
        } else {
            filters.insert(filters.end(), p, p + length);
        }
        p += length;
    }
    filters.push_back('\0');
    filters.push_back('\0');
    path[0] = '\0';
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.data();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = static_cast<DWORD>(size);
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = flags | OFN_EXPLORER;
    return GetSaveFileNameA(&dialog) != FALSE;
}
