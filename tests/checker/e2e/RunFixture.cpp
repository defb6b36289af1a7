#include "RunFixture.h"

#include "HostLinks.h"
#include "WinDriver.h"

#include <shlwapi.h>

#include <cstdlib>
#include <cstring>

std::string TempFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return temp;
}

std::string UserName() {
    char name[256];
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? name : "";
}

void WriteDword(const char* name, DWORD value) {
    SHSetValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

DWORD ReadDword(const char* name) {
    DWORD value = 0xDEADBEEF;
    DWORD size = sizeof value;
    SHGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, nullptr, &value, &size);
    return value;
}

bool SaveScreen(const std::string& name) {
    const char* folder = std::getenv("VEXILO_SCREENSHOTS");
    if (!folder) {
        return false;
    }
    const std::string picture = std::string(folder) + "/" + name;
    const std::string path = driver::WindowsPath(picture);
    DeleteFileA(path.c_str());
    // Whole once it ends in its IEND chunk: import has written all and is about to end.
    return driver::RunOnHost("Z:\\usr\\bin\\import -window root " + picture, [&] {
        const std::string bytes = driver::ReadFileBytes(path);
        return bytes.size() > 12 && bytes.compare(bytes.size() - 8, 4, "IEND") == 0;
    });
}

std::vector<LogBlock> Blocks(const Lines& log) {
    std::vector<LogBlock> blocks;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].compare(0, std::strlen(kProxyHeading), kProxyHeading) == 0) {
            continue; // a run's heading, before its first favorite
        }
        if (log[i] == kSeparator && i + 1 < log.size()) {
            blocks.push_back({log[++i], {}});
        } else if (!blocks.empty()) {
            blocks.back().lines.push_back(log[i]);
        }
    }
    return blocks;
}

std::map<std::string, Lines> ByUrl(const std::vector<LogBlock>& blocks) {
    std::map<std::string, Lines> byUrl;
    for (const LogBlock& block : blocks) {
        byUrl[block.url] = block.lines;
    }
    return byUrl;
}

std::map<std::string, Lines> ByUrl(const Lines& log, size_t firstBlock) {
    std::map<std::string, Lines> byUrl;
    const std::vector<LogBlock> blocks = Blocks(log);
    for (size_t i = firstBlock; i < blocks.size(); ++i) {
        Lines& lines = byUrl[blocks[i].url];
        lines.insert(lines.end(), blocks[i].lines.begin(), blocks[i].lines.end());
    }
    return byUrl;
}

void RunFixture::Prepare(const std::string& exe) {
    exe_ = scratch_ / "app\\Vexilo.exe";
    ASSERT_TRUE(scratch_.MakeFolder("app"));
    ASSERT_TRUE(CopyFileA(driver::WindowsPath(exe).c_str(), exe_.c_str(), FALSE));
    store_ = scratch_ / ("app\\" + UserName());
    favorites_ = scratch_ / "Favorites";
    ASSERT_TRUE(scratch_.MakeFolder("Favorites"));
    SHDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    SHSetValueA(HKEY_CURRENT_USER, kSettingsKey, "sFavorite", REG_SZ, favorites_.c_str(),
                static_cast<DWORD>(favorites_.size() + 1));
    recorder_.reset(new driver::ShellRecorder(scratch_ / "opened.log"));
    ASSERT_TRUE(recorder_->RecordPages());
    ASSERT_TRUE(recorder_->RecordUrls());
    for (const char* page : {"flist.htm", "flistdel.htm"}) {
        DeleteFileA((TempFolder() + page).c_str());
    }
}

void RunFixture::TearDown() {
    recorder_.reset();
    SHDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

void RunFixture::Favorite(const std::string& relative, const std::string& bytes) {
    const std::string folder = favorites_.substr(scratch_.Path().size() + 1);
    ASSERT_TRUE(scratch_.WriteFile(folder + "\\" + relative, bytes));
}

namespace {

std::string TrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    return driver::WindowsPath(data ? data : "") + "\\Trash";
}

} // namespace

std::string RunFixture::Trashed(const std::string& name) {
    return TrashFolder() + "\\files\\" + name;
}

void RunFixture::ForgetTrashed(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        DeleteFileA(Trashed(name).c_str());
        DeleteFileA((TrashFolder() + "\\info\\" + name + ".trashinfo").c_str());
    }
}

std::string RunFixture::Report(const char* page) {
    return driver::ReadFileBytes(TempFolder() + page);
}

bool RunFixture::NoNewCopyLeft() const {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((store_ + "\\*.htm_").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return true;
    }
    FindClose(search);
    return false;
}
