// The application object: one global instance of a class derived from Application, whose
// InitInstance is the program's start hook. The process ends when InitInstance returns; a
// program that lives in a modal dialog needs no message loop of its own.
#pragma once

#include <windows.h>

class Dialog;

class Application {
public:
    Application();
    virtual ~Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start hook; the return value says whether a message loop would follow (it never does
    // here: returning ends the process).
    virtual bool InitInstance() = 0;

    static Application* Current() { return current_; }
    HINSTANCE Instance() const { return instance_; }
    // The program file's name without its extension.
    const char* AppName() const { return appName_; }
    // The main window is the window of the dialog registered here (the program's one dialog).
    HWND MainWindow() const;
    void SetMainWindow(Dialog* dialog) { mainWindow_ = dialog; }

    // Called from WinMain: runs InitInstance and returns the process exit code.
    int Run(HINSTANCE instance);

private:
    static Application* current_;
    HINSTANCE instance_ = nullptr;
    Dialog* mainWindow_ = nullptr;
    char appName_[MAX_PATH] = "";
};

// Starts WinSock 1.1 once for the process; it stays up until the application ends.
bool SocketInit();

// The old three-dimensional drawing of dialog controls. Every Windows since 95 draws them that
// way by itself, so there is nothing left to switch on.
inline void Enable3dControls() {}
