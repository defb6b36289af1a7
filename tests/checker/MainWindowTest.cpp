// The main window's pieces on the real dialog template: option words and their buttons, the
// controls a run disables, the settings in a registry key of the test's own, and the log file.
#include "resource.h"
#include "framework/PaintHold.h"
#include "ui/Log.h"
#include "ui/MainDialog.h"
#include "ui/Options.h"
#include "ui/Settings.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

class MainTemplate : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     PlainDialogProc, 0);
        ASSERT_NE(nullptr, dialog_);
    }
    void TearDown() override { DestroyWindow(dialog_); }

    void Show(DWORD vanished, DWORD update, const char* folder = "C:\\Fav") {
        CheckerOptions options{};
        lstrcpynA(options.favoritesFolder, folder, sizeof options.favoritesFolder);
        options.vanishedOptions = vanished;
        options.updateOptions = update;
        ShowOptionControls(dialog_, options);
    }
    CheckerOptions Read() {
        CheckerOptions options{};
        ReadOptionControls(dialog_, options);
        return options;
    }
    bool Checked(int id) { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }

    HWND dialog_ = nullptr;
};

TEST_F(MainTemplate, DefaultWordsShowTheirButtons) {
    Show(kDefaultVanishedOptions, kDefaultUpdateOptions);
    EXPECT_FALSE(Checked(IDC_VANISHED_ASK));
    EXPECT_FALSE(Checked(IDC_VANISHED_RECYCLE));
    EXPECT_TRUE(Checked(IDC_VANISHED_LIST));
    EXPECT_FALSE(Checked(IDC_VANISHED_NOTHING));
    EXPECT_TRUE(Checked(IDC_UPDATED_LIST));
    EXPECT_FALSE(Checked(IDC_UPDATED_BROWSER));
    EXPECT_TRUE(Checked(IDC_NO_UPDATE_CHECK));
    // With no update check, its two choices are out of reach.
    EXPECT_FALSE(Enabled(IDC_UPDATED_LIST));
    EXPECT_FALSE(Enabled(IDC_UPDATED_BROWSER));

    const CheckerOptions read = Read();
    EXPECT_STREQ("C:\\Fav", read.favoritesFolder);
    EXPECT_EQ(0x10u, read.vanishedOptions);
    EXPECT_EQ(0x11u, read.updateOptions);
}

TEST_F(MainTemplate, WordsRoundTripThroughTheButtons) {
    struct {
        DWORD vanishedShown, updateShown;
        DWORD vanishedRead, updateRead;
    } cases[] = {
        {0x00, 0x00, 0x00, 0x00},        // no field set: no button checked, 0 again
        {0x20, 0x02, 0x10, 0x01},        // a field holding 2 shows its button; reads back as 1
        {0x03, 0x0C, 0x01, 0x04},        // 3 likewise
        {0xC3, 0x33, 0x41, 0x11},        // several fields set: each button on its own
        {0xFFFFFF00, 0x100, 0x00, 0x00}, // bits outside the fields are dropped
    };
    for (const auto& c : cases) {
        Show(c.vanishedShown, c.updateShown);
        const CheckerOptions read = Read();
        EXPECT_EQ(c.vanishedRead, read.vanishedOptions) << std::hex << c.vanishedShown;
        EXPECT_EQ(c.updateRead, read.updateOptions) << std::hex << c.updateShown;
    }
}

TEST_F(MainTemplate, UpdateChoicesFollowTheNoCheckBox) {
    Show(0x10, 0x01);
    EXPECT_TRUE(Enabled(IDC_UPDATED_LIST));
    EXPECT_TRUE(Enabled(IDC_UPDATED_BROWSER));
    Show(0x10, 0x21); // a field of 2 counts as set
    EXPECT_FALSE(Enabled(IDC_UPDATED_LIST));
    EXPECT_FALSE(Enabled(IDC_UPDATED_BROWSER));
}

TEST_F(MainTemplate, RunDisablesWhatMustKeepStill) {
    Show(0x10, 0x11);
    EnableOptionControls(dialog_, dialog_, false);
    for (int id : {IDC_SAVE_LOG, IDC_CLEAR_LOG, IDOK, IDC_BROWSE, IDC_DETECT, IDC_VANISHED_ASK,
                   IDC_VANISHED_RECYCLE, IDC_VANISHED_LIST, IDC_VANISHED_NOTHING, IDC_UPDATED_LIST,
                   IDC_UPDATED_BROWSER, IDC_NO_UPDATE_CHECK}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    for (int id : {IDC_CHECK, IDC_LOG, IDC_STATUS, IDC_PROGRESS}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    HMENU menu = GetSystemMenu(dialog_, FALSE);
    EXPECT_TRUE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MF_DISABLED);

    // Enabling alone enables the update choices; showing the options applies the rule again.
    EnableOptionControls(dialog_, dialog_, true);
    EXPECT_TRUE(Enabled(IDC_UPDATED_LIST));
    EXPECT_FALSE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MF_DISABLED);
    Show(0x10, 0x11);
    EXPECT_FALSE(Enabled(IDC_UPDATED_LIST));
}

// What a window shows on the screen, pixel by pixel.
std::vector<DWORD> ScreenPicture(HWND window) {
    RECT box;
    GetWindowRect(window, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> copy(pixels, pixels + static_cast<size_t>(width) * height);
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copy;
}

void ServeMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
}

size_t PixelsApart(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    size_t apart = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        apart += a[i] != b[i];
    }
    return apart;
}

// The log, the status line and the progress bar with their painting held while a run's lines
// go by and the dialog serves its messages: meanwhile nothing of them changes on the screen
// (no half-scrolled list, no second selection), and once let go they show exactly what a
// repaint of everything shows.
TEST_F(MainTemplate, HeldPaintingShowsOnlyWholePictures) {
    SetWindowPos(dialog_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    HWND log = GetDlgItem(dialog_, IDC_LOG);
    HWND status = GetDlgItem(dialog_, IDC_STATUS);
    HWND progress = GetDlgItem(dialog_, IDC_PROGRESS);
    SendMessageA(progress, PBM_SETRANGE32, 0, 59);
    PaintHold painting;
    for (HWND control : {log, status, progress}) {
        painting.Add(control);
    }
    ServeMessages();
    for (int round = 0; round < 3; ++round) {
        const std::vector<DWORD> before = ScreenPicture(dialog_);
        painting.Hold();
        for (int i = round * 20; i < round * 20 + 20; ++i) {
            const std::string line = "http://127.0.0.1/page" + std::to_string(i) + ".html";
            AppendLog(log, line.c_str());
            ShowLastLogLine(log);
            SetWindowTextA(status, ("[127.0.0.1]に接続しています... " + line).c_str());
            SendMessageA(progress, PBM_SETPOS, i, 0);
            ServeMessages(); // as the wait for the probe does
        }
        EXPECT_EQ(0u, PixelsApart(before, ScreenPicture(dialog_))) << "round " << round;
        painting.Release();
        ServeMessages();
        const std::vector<DWORD> shown = ScreenPicture(dialog_);
        EXPECT_NE(0u, PixelsApart(before, shown)) << "round " << round;
        RedrawWindow(dialog_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        ServeMessages();
        EXPECT_EQ(0u, PixelsApart(shown, ScreenPicture(dialog_))) << "round " << round;
    }
    EXPECT_EQ(59, SendMessageA(log, LB_GETCURSEL, 0, 0));

    // Nothing of them changed, but the dialog was painted over them meanwhile, as when another
    // window moves away: served as the wait for the probe serves it.
    painting.Hold();
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_PAINT) {
            painting.Overpainted();
        }
        DispatchMessageA(&msg);
    }
    painting.Release();
    ServeMessages();
    const std::vector<DWORD> shown = ScreenPicture(dialog_);
    RedrawWindow(dialog_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ServeMessages();
    EXPECT_EQ(0u, PixelsApart(shown, ScreenPicture(dialog_))) << "painted over";
}

TEST_F(MainTemplate, SystemMenuGetsTheVersionEntry) {
    AddVersionEntry(dialog_, GetModuleHandleA(nullptr));
    HMENU menu = GetSystemMenu(dialog_, FALSE);
    char entry[128] = "";
    GetMenuStringA(menu, IDM_ABOUT, entry, sizeof entry, MF_BYCOMMAND);
    EXPECT_STREQ("Vexilo のﾊﾞｰｼﾞｮﾝ情報(&A)...", entry);
    const int count = GetMenuItemCount(menu);
    EXPECT_EQ(MF_SEPARATOR, GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
}

// Settings in a key of the test's own, removed afterwards.
class SettingsStore : public testing::Test {
protected:
    void SetUp() override {
        key_ = "SOFTWARE\\VexiloTest" + std::to_string(GetCurrentProcessId());
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }

    static CheckerSettings Defaults() {
        CheckerSettings settings{};
        settings.options.vanishedOptions = kDefaultVanishedOptions;
        settings.options.updateOptions = kDefaultUpdateOptions;
        return settings;
    }

    std::string key_;
};

TEST_F(SettingsStore, FreshUserKeepsDefaultsAndEndWritesAllValues) {
    CheckerSettings settings = Defaults();
    LoadSettings(key_.c_str(), settings);
    EXPECT_FALSE(settings.hasRect);
    EXPECT_EQ(0x10u, settings.options.vanishedOptions);
    EXPECT_EQ(0x11u, settings.options.updateOptions);
    EXPECT_STREQ("", settings.options.favoritesFolder);

    settings.rect = {-500, 20, -100, 400}; // left of the primary screen
    lstrcpynA(settings.options.favoritesFolder, "C:\\お気に入り\\表", kFolderSize);
    SaveSettings(key_.c_str(), settings);

    CheckerSettings again = Defaults();
    again.options.vanishedOptions = 0;
    LoadSettings(key_.c_str(), again);
    EXPECT_TRUE(again.hasRect);
    EXPECT_EQ(-500, again.rect.left);
    EXPECT_EQ(20, again.rect.top);
    EXPECT_EQ(-100, again.rect.right);
    EXPECT_EQ(400, again.rect.bottom);
    EXPECT_EQ(0x10u, again.options.vanishedOptions);
    EXPECT_STREQ("C:\\お気に入り\\表", again.options.favoritesFolder);
}

TEST_F(SettingsStore, IncompleteOrWrongValuesAreIgnored) {
    RegWriteDword(key_.c_str(), "wTop", 10);
    RegWriteDword(key_.c_str(), "wBottom", 200);
    RegWriteDword(key_.c_str(), "wLeft", 10);
    RegWriteString(key_.c_str(), "wD_Chk", "3"); // a text where a number belongs
    RegWriteDword(key_.c_str(), "wN_Chk", 0x04);
    RegWriteString(key_.c_str(), "sFavorite", "");

    CheckerSettings settings = Defaults();
    LoadSettings(key_.c_str(), settings);
    EXPECT_FALSE(settings.hasRect) << "three of four edges do not place the window";
    EXPECT_EQ(0x10u, settings.options.vanishedOptions);
    EXPECT_EQ(0x04u, settings.options.updateOptions);
    EXPECT_STREQ("", settings.options.favoritesFolder) << "empty, so the folder is detected";

    DWORD value = 0;
    EXPECT_FALSE(RegReadDword(key_.c_str(), "wD_Chk", &value));
    settings.rect = {1, 2, 3, 4};
    SaveSettings(key_.c_str(), settings);
    EXPECT_TRUE(RegReadDword(key_.c_str(), "wD_Chk", &value)) << "overwritten as a number";
    EXPECT_EQ(0x10u, value);
    EXPECT_TRUE(RegReadDword(key_.c_str(), "wRight", &value));
    EXPECT_EQ(3u, value);
}

TEST_F(SettingsStore, FolderLongerThanItsBufferCountsAsMissing) {
    const std::string longFolder = "C:\\" + std::string(1100, 'f');
    ASSERT_TRUE(RegWriteString(key_.c_str(), "sFavorite", longFolder.c_str()));
    char folder[kFolderSize] = "kept";
    EXPECT_FALSE(RegReadString(key_.c_str(), "sFavorite", folder));
    EXPECT_STREQ("kept", folder);
    const std::string fits = "C:\\" + std::string(1020, 'f');
    ASSERT_TRUE(RegWriteString(key_.c_str(), "sFavorite", fits.c_str()));
    EXPECT_TRUE(RegReadString(key_.c_str(), "sFavorite", folder));
    EXPECT_EQ(fits, folder);
    // A whole buffer's text stored without its terminator would be cut to fit.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key));
    const std::string whole(kFolderSize, 'f');
    RegSetValueExA(key, "sFavorite", 0, REG_SZ, reinterpret_cast<const BYTE*>(whole.data()),
                   kFolderSize);
    RegCloseKey(key);
    EXPECT_FALSE(RegReadString(key_.c_str(), "sFavorite", folder));
    EXPECT_EQ(fits, folder);
}

TEST(LogFile, HoldsEveryLineWithCrLf) {
    HWND list = CreateWindowA("LISTBOX", "", LBS_NOINTEGRALHEIGHT, 0, 0, 200, 200, nullptr, nullptr,
                              nullptr, nullptr);
    const std::string longLine(700, 'u'); // longer than the program's own lines
    for (const char* line : {"          -----------", "http://127.0.0.1/表示.html", "404 Not Found",
                             longLine.c_str(), ""}) {
        AppendLog(list, line);
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "vexilo-log-test.txt";
    ASSERT_TRUE(WriteLogFile(list, path.c_str()));

    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    for (int c; (c = std::fgetc(file)) != EOF;) {
        bytes += static_cast<char>(c);
    }
    std::fclose(file);
    DeleteFileA(path.c_str());
    EXPECT_EQ("          -----------\r\nhttp://127.0.0.1/表示.html\r\n404 Not Found\r\n" +
                  longLine + "\r\n\r\n",
              bytes);

    // A file that cannot be created is reported, not taken for written.
    EXPECT_FALSE(WriteLogFile(list, (std::string(temp) + "no such folder\\log.txt").c_str()));
    DestroyWindow(list);
}

} // namespace
