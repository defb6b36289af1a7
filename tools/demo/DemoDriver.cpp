// Drives one check run of Vexilo for the headless demo: starts it, runs the check, saves the
// log through the program's own Save As dialog, copies the report pages, then says READY and
// keeps the window up until a line arrives on its input (the demo script takes its screenshot
// in between), and ends the program with its exit button.
//
//   demo_driver.exe VEXILO_EXE OUT_FOLDER
#include "VexiloDriver.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: demo_driver VEXILO_EXE OUT_FOLDER\n");
        return 2;
    }
    const std::string exe = driver::WindowsPath(argv[1]);
    const std::string out = driver::WindowsPath(argv[2]);

    Vexilo vexilo;
    if (!vexilo.Start(exe)) {
        std::fprintf(stderr, "demo: Vexilo did not show its window\n");
        return 1;
    }
    if (!vexilo.RunCheck(120000, [](HWND box, const std::string&) { driver::Click(box, IDOK); })) {
        std::fprintf(stderr, "demo: the check run did not end\n");
        return 1;
    }
    if (!vexilo.SaveLog(out + "\\log.txt")) {
        std::fprintf(stderr, "demo: the log could not be saved\n");
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    for (const char* page : {"flist.htm", "flistdel.htm"}) {
        CopyFileA((std::string(temp) + page).c_str(), (out + "\\" + page).c_str(), FALSE);
    }

    std::printf("READY\n");
    std::fflush(stdout);
    char line[16];
    std::fgets(line, sizeof line, stdin);

    DWORD code = 0;
    if (!vexilo.Exit(&code)) {
        std::fprintf(stderr, "demo: Vexilo did not end\n");
        return 1;
    }
    return 0;
}
