// Vexilo's application object: starts the socket layer for the process, then runs the main
// dialog, which is the whole program.
#include "framework/Application.h"
#include "resource.h"
#include "ui/MainDialog.h"

class CheckerApp : public Application {
public:
    bool InitInstance() override;
};

CheckerApp theApp;

bool CheckerApp::InitInstance() {
    if (!SocketInit()) {
        char text[256] = "";
        LoadStringA(Instance(), IDS_SOCKET_FAILED, text, sizeof text);
        MessageBoxA(nullptr, text, AppName(), MB_OK);
        return false;
    }
    Enable3dControls();

    MainDialog dialog;
    SetMainWindow(&dialog);
    dialog.DoModal();
    SetMainWindow(nullptr);
    return false;
}
