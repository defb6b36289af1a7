// A failure of either call is told to the user, but the run goes on: the process-wide socket
// start-up of the application still holds the layer open.
#include "probe/WinSockGuard.h"

WinSockGuard::WinSockGuard() {
    if (WSAStartup(requestedVersion_, &startupData_) != 0) {
        MessageBoxA(nullptr,
                    "WinSockを初期化できませんでした。\r\nアプリケーションは正しく動作しません。",
                    "情報", MB_OK);
    }
}

WinSockGuard::~WinSockGuard() {
    if (WSACleanup() != 0) {
        MessageBoxA(nullptr, "WinSockをクローズできませんでした。", "情報", MB_OK);
    }
}
