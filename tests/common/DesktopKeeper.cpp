// Keeps a test session's virtual desktop for as long as the session lasts. Wine closes a desktop
// a second after the last program on it ends; the next program to show a window then starts a
// new desktop process, which inherits that program's output and keeps whoever reads it (CTest)
// waiting until it ends. Holding a hidden window on the desktop keeps it open. Started by
// tools/wine-run, detached from every output; it ends with the session's wineserver.
//   desktop_keeper READY_FILE   (READY_FILE is written once the window is up)
#include <windows.h>

namespace {

LRESULT CALLBACK KeeperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        return 0; // only the session's end ends it
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = KeeperProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TestDesktopKeeper";
    if (!RegisterClassA(&windowClass) ||
        !CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                         instance, nullptr)) {
        return 1;
    }
    if (commandLine && commandLine[0] != '\0') {
        HANDLE ready = CreateFileA(commandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready != INVALID_HANDLE_VALUE) {
            CloseHandle(ready);
        }
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
