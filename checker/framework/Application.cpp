// Application start-up and end; WinMain hands the process to the one application object.
#include <winsock2.h>

#include "framework/Application.h"

#include "framework/Dialog.h"

#include "text/TextRoutines.h"

#include <commctrl.h>

Application* Application::current_ = nullptr;

namespace {
bool socketStarted = false;
}

Application::Application() {
    current_ = this;
}

HWND Application::MainWindow() const {
    return mainWindow_ ? mainWindow_->Window() : nullptr;
}

int Application::Run(HINSTANCE instance) {
    instance_ = instance;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    PathParts parts;
    SplitPath(path, parts);
    CopyText(appName_, sizeof appName_, parts.baseName);

    // The dialogs use the progress bar of the common controls. InitCommonControlsEx would do
    // too, but the first common controls of Windows 95 and NT 4.0 lack it, and the program
    // would not even load there.
    InitCommonControls();

    InitInstance();
    if (socketStarted) {
        WSACleanup();
        socketStarted = false;
    }
    return 0;
}

bool SocketInit() {
    if (!socketStarted) {
        WSADATA data;
        socketStarted = WSAStartup(0x0101, &data) == 0;
    }
    return socketStarted;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Application* app = Application::Current();
    return app ? app->Run(instance) : 1;
}
