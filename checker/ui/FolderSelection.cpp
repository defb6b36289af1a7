// The chooser keeps its owner usable afterwards by making the window that was active before it
// active again.
#include "ui/FolderSelection.h"

#include "framework/Handles.h"
#include "text/TextRoutines.h"
#include "ui/Options.h"

#include <shlobj.h>

namespace {

// Opens the chooser on the folder passed as its parameter.
int CALLBACK BrowseCallback(HWND chooser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageA(chooser, BFFM_SETSELECTIONA, TRUE, data);
    }
    return 0;
}

} // namespace

bool BrowseForFolder(HWND owner, const char* prompt, char* path) {
    ComRef<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.Out())) || !allocator.Get()) {
        return false;
    }
    char* display = static_cast<char*>(allocator->Alloc(MAX_PATH));
    if (!display) {
        return false;
    }
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = display;
    info.lpszTitle = prompt;
    // Files too: a bookmarks file, or a browser's Bookmarks, may be chosen as well as a folder.
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_RETURNFSANCESTORS |
                   BIF_BROWSEINCLUDEFILES;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(path);

    HWND active = GetActiveWindow();
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    SetActiveWindow(active);

    bool result = false;
    if (chosen) {
        if (SHGetPathFromIDListA(chosen, display)) {
            CopyText(path, kFolderSize, display);
            result = true;
        } else {
            path[0] = '\0';
        }
        allocator->Free(chosen);
    }
    allocator->Free(display);
    return result;
}

bool FavoritesFolderPath(char* path, size_t size) {
    path[0] = '\0';
    LPITEMIDLIST location = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(GetDesktopWindow(), CSIDL_FAVORITES, &location))) {
        return false;
    }
    char found[MAX_PATH] = "";
    const bool ok = SHGetPathFromIDListA(location, found) != FALSE;
    CoTaskMemFree(location);
    if (ok) {
        CopyText(path, size, found);
    }
    return ok;
}
