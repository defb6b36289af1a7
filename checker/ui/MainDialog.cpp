// The main window's start-up and shut-down, its options, settings, folder buttons, log buttons,
// system menu and icon. The check run started by button 1003 is in run/CheckRun.cpp.
#include "ui/MainDialog.h"

#include "favorites/FavoritesList.h"
#include "favorites/Sources.h"
#include "framework/Application.h"
#include "framework/FileDialog.h"
#include "framework/RunFlags.h"
#include "resource.h"
#include "text/TextRoutines.h"
#include "ui/AboutDialog.h"
#include "ui/FolderSelection.h"
#include "ui/Log.h"
#include "ui/Settings.h"
#include "ui/SourceDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <initializer_list>

namespace {

constexpr char kForcingText[] = "強制終了中...";

} // namespace

void AddVersionEntry(HWND window, HINSTANCE instance) {
    HMENU menu = GetSystemMenu(window, FALSE);
    char entry[256] = "";
    if (menu && LoadStringA(instance, IDS_ABOUT_ENTRY, entry, sizeof entry) > 0) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUT, entry);
    }
}

MainDialog::MainDialog(HWND parent) : Dialog(IDD_MAIN, parent) {
    const HINSTANCE instance =
        Application::Current() ? Application::Current()->Instance() : GetModuleHandleA(nullptr);
    appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
}

const Dialog::CommandEntry* MainDialog::CommandMap() const {
    static const CommandEntry map[] = {
        Command(IDC_BROWSE, &MainDialog::OnBrowse),
        Command(IDC_DETECT, &MainDialog::DetectFavoritesFolder),
        Command(IDC_NO_UPDATE_CHECK, &MainDialog::OnNoUpdateCheck),
        Command(IDC_CHECK, &MainDialog::OnCheckButton),
        Command(IDC_SAVE_LOG, &MainDialog::SaveLog),
        Command(IDC_CLEAR_LOG, &MainDialog::ClearLog),
        {0, nullptr},
    };
    return map;
}

BOOL MainDialog::OnInitDialog() {
    Dialog::OnInitDialog();

    AddVersionEntry(Window(), Application::Current() ? Application::Current()->Instance()
                                                     : GetModuleHandleA(nullptr));
    SendMessageA(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageA(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

    // Only one copy runs: two would share the favorites list and the page-copy store.
    SetLastError(ERROR_SUCCESS);
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, "VEXILO_RUN");
    const bool alreadyRunning = GetLastError() == ERROR_ALREADY_EXISTS;
    instanceMutex.Reset(mutex);
    if (alreadyRunning) {
        MessageBoxA(Window(), "すでに起動されています。\n重複起動は出来ません。", "情報",
                    MB_OK | MB_ICONINFORMATION);
        EndDialog(0);
    }

    SendDlgItemMessageA(Window(), IDC_LOG, LB_SETHORIZONTALEXTENT, 500, 0);
    for (int id : {IDC_LOG, IDC_STATUS, IDC_PROGRESS}) {
        runPainting_.Add(Item(id));
    }
    InitCheckerPaths();
    runFlag = 0;
    busyFlag = 0;

    vanishedOptions = kDefaultVanishedOptions;
    updateOptions = kDefaultUpdateOptions;
    updateMoved = 0;
    favoritesFolder[0] = '\0';
    LoadCheckerSettings();
    if (favoritesFolder[0] == '\0') {
        FavoritesFolderPath(favoritesFolder, sizeof favoritesFolder);
    }
    OptionsToControls();
    return TRUE;
}

void MainDialog::OnDestroy() {
    Dialog::OnDestroy();
    ControlsToOptions();
    SaveCheckerSettings();
    // Closed with the window, not left to the process's end: another copy may start now.
    instanceMutex.Reset();
}

void MainDialog::OnOK() {
    char caption[64] = "";
    GetDlgItemTextA(Window(), IDC_CHECK, caption, sizeof caption);
    // A probe hangs and the user wants out: end at once, storing nothing of this session.
    if (lstrcmpA(caption, kForcingText) == 0) {
        ExitProcess(1);
    }
    EndDialog(IDOK);
}

void MainDialog::OnCancel() {
    // The run lives on this dialog's stack: Esc must not end the dialog under it.
    if (runFlag != 0 || busyFlag != 0) {
        return;
    }
    EndDialog(IDCANCEL);
}

bool MainDialog::OnSysCommand(UINT command, LPARAM) {
    if ((command & 0xFFF0) == IDM_ABOUT) {
        AboutDialog about(Window());
        about.DoModal();
        return true;
    }
    return false;
}

bool MainDialog::OnPaint() {
    if (!IsIconic(Window())) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Window(), &paint);
    SendMessageA(Window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(Window(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, appIcon);
    EndPaint(Window(), &paint);
    return true;
}

HICON MainDialog::OnQueryDragIcon() {
    return appIcon;
}

void MainDialog::ControlsToOptions() {
    CheckerOptions options;
    ReadOptionControls(Window(), options);
    CopyText(favoritesFolder, sizeof favoritesFolder, options.favoritesFolder);
    vanishedOptions = options.vanishedOptions;
    updateOptions = options.updateOptions;
    updateMoved = options.updateMoved;
}

void MainDialog::OptionsToControls() {
    CheckerOptions options;
    CopyText(options.favoritesFolder, sizeof options.favoritesFolder, favoritesFolder);
    options.vanishedOptions = vanishedOptions;
    options.updateOptions = updateOptions;
    options.updateMoved = updateMoved;
    ShowOptionControls(Window(), options);
    // What will be checked, told above the field: the Favorites folder, or whose bookmarks.
    char caption[kFolderSize];
    SourceCaption(favoritesFolder, caption, sizeof caption);
    SetDlgItemTextA(Window(), IDC_SOURCE_CAPTION, caption);
}

void MainDialog::EnableControls(bool enable) {
    const Application* app = Application::Current();
    HWND mainWindow = app && app->MainWindow() ? app->MainWindow() : Window();
    EnableOptionControls(Window(), mainWindow, enable);
}

void MainDialog::OnNoUpdateCheck() {
    ControlsToOptions();
    OptionsToControls();
}

void MainDialog::LoadCheckerSettings() {
    CheckerSettings settings{};
    CopyText(settings.options.favoritesFolder, sizeof settings.options.favoritesFolder,
             favoritesFolder);
    settings.options.vanishedOptions = vanishedOptions;
    settings.options.updateOptions = updateOptions;
    settings.options.updateMoved = updateMoved;
    settings.probesAtOnce = probesAtOnce;
    LoadSettings(kSettingsKey, settings);
    probesAtOnce = ProbesAtOnce(settings.probesAtOnce);
    if (settings.hasRect) {
        // Only the place: the window cannot be resized, so its size is the template's at this
        // screen's DPI, and a size stored at another DPI would cut it.
        const RECT& r = settings.rect;
        SetWindowPos(Window(), nullptr, r.left, r.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    vanishedOptions = settings.options.vanishedOptions;
    updateOptions = settings.options.updateOptions;
    updateMoved = settings.options.updateMoved != 0 ? 1 : 0;
    CopyText(favoritesFolder, sizeof favoritesFolder, settings.options.favoritesFolder);
}

void MainDialog::SaveCheckerSettings() {
    CheckerSettings settings{};
    GetWindowRect(Window(), &settings.rect);
    // A minimised window reports a rectangle off screen; the next start must find the window
    // where the user left it, so the restored rectangle is stored instead.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (IsIconic(Window()) && GetWindowPlacement(Window(), &placement)) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        settings.rect = placement.rcNormalPosition;
        OffsetRect(&settings.rect, work.left, work.top);
    }
    settings.options.vanishedOptions = vanishedOptions;
    settings.options.updateOptions = updateOptions;
    settings.options.updateMoved = updateMoved;
    CopyText(settings.options.favoritesFolder, sizeof settings.options.favoritesFolder,
             favoritesFolder);
    SaveSettings(kSettingsKey, settings);
}

void MainDialog::OnBrowse() {
    ControlsToOptions();
    char path[kFolderSize];
    CopyText(path, sizeof path, favoritesFolder);
    if (BrowseForFolder(Window(), "お気に入りのフォルダー、またはブックマークのファイルを選択して下さい。",
                        path)) {
        CopyText(favoritesFolder, sizeof favoritesFolder, path);
        OptionsToControls();
    }
}

void MainDialog::DetectFavoritesFolder() {
    ControlsToOptions();
    char shellFolder[kFolderSize];
    FavoritesFolderPath(shellFolder, sizeof shellFolder);
    // Reading every browser's files takes a moment.
    HCURSOR cursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const std::vector<FoundSource> sources = FindSources(shellFolder);
    SetCursor(cursor);
    // Only the Favorites folder: taken at once, as ever; more to choose from: the user chooses.
    if (sources.size() <= 1) {
        CopyText(favoritesFolder, sizeof favoritesFolder, shellFolder);
    } else {
        SourceDialog dialog(Window(), sources, favoritesFolder);
        if (dialog.DoModal() == IDOK) {
            CopyText(favoritesFolder, sizeof favoritesFolder, dialog.Chosen().setting.c_str());
        }
    }
    OptionsToControls();
}

void MainDialog::Log(const char* line) {
    AppendLog(Item(IDC_LOG), line);
}

int MainDialog::LogCount() {
    return static_cast<int>(SendDlgItemMessageA(Window(), IDC_LOG, LB_GETCOUNT, 0, 0));
}

void MainDialog::InsertLog(int at, const char* line) {
    SendDlgItemMessageA(Window(), IDC_LOG, LB_INSERTSTRING, static_cast<WPARAM>(at),
                        reinterpret_cast<LPARAM>(line));
}

void MainDialog::ShowLastLogLine() {
    ::ShowLastLogLine(Item(IDC_LOG));
}

void MainDialog::ShowStatus(const char* text) {
    SetDlgItemTextA(Window(), IDC_STATUS, text);
}

void MainDialog::SetProgressRange(int last) {
    SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETRANGE32, 0, last);
}

void MainDialog::SetProgress(int position) {
    SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

HWND MainDialog::StatusLine() {
    return Item(IDC_STATUS);
}

void MainDialog::OnCheckButton() {
    if (runFlag == 0 && busyFlag == 0) {
        RunCheck();
    } else if (runFlag == 1 && busyFlag == 1) {
        AskToStop();
    } else {
        ForceTermination();
    }
}

void MainDialog::AskToStop() {
    runPainting_.Release();
    if (MessageBoxA(Window(), "チェック途中ですが、本当に終了しますか？", "質問",
                    MB_YESNO | MB_ICONQUESTION) == IDYES) {
        runFlag = 0;
        SetDlgItemTextA(Window(), IDC_CHECK, "強制終了");
    }
}

void MainDialog::ForceTermination() {
    runPainting_.Release();
    MessageBoxA(Window(),
                "強制終了処理をします。\n処理があまりにも時間がかかる場合には、"
                "終了ボタンを押してソフトを終了してください。",
                "注意", MB_OK | MB_ICONEXCLAMATION);
    runFlag = 0;
    busyFlag = 0;
    SetDlgItemTextA(Window(), IDC_CHECK, "強制終了中...");
    EnableWindow(Item(IDC_CHECK), FALSE);
    EnableWindow(Item(IDOK), TRUE);
}

// The handler of button 1003: the run, between the controls a run keeps still. A second click
// re-enters OnCheckButton, which is how a run is stopped.
void MainDialog::RunCheck() {
    EnableControls(false);
    SetDlgItemTextA(Window(), IDC_CHECK, "中断(&E)");
    runFlag = 1;
    busyFlag = 1;
    SetDlgItemTextA(Window(), IDC_STATUS, "お気に入りの列挙中....");
    ControlsToOptions();
    CheckRun(*this,
             {favoritesFolder, vanishedOptions, updateOptions, probesAtOnce, updateMoved != 0})
        .Run();
    runFlag = 0;
    busyFlag = 0;
    SetDlgItemTextA(Window(), IDC_STATUS, "");
    SetDlgItemTextA(Window(), IDC_CHECK, "チェック開始(&G)");
    EnableControls(true);
    EnableWindow(Item(IDC_CHECK), TRUE);
    OptionsToControls();
}

void MainDialog::SaveLog() {
    if (SendDlgItemMessageA(Window(), IDC_LOG, LB_GETCOUNT, 0, 0) <= 0) {
        MessageBoxA(Window(), "リストが空なので出力できません", "情報", MB_OK | MB_ICONINFORMATION);
        return;
    }
    char path[kFolderSize];
    const DWORD flags =
        OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT;
    if (!SaveFileDialog(Window(), "通信ログ(*.txt)|*.txt|すべてのファイル(*.*)|*.*|", "txt", flags,
                        path, sizeof path)) {
        return;
    }
    if (!WriteLogFile(Item(IDC_LOG), path)) {
        char message[kFolderSize + 128];
        FormatText(message, sizeof message, "%s\nにログを書き込めませんでした。", path);
        MessageBoxA(Window(), message, "エラー", MB_OK | MB_ICONEXCLAMATION);
    }
}

void MainDialog::ClearLog() {
    SendDlgItemMessageA(Window(), IDC_LOG, LB_RESETCONTENT, 0, 0);
}
