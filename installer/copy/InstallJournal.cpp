// The run's changes, in memory for undoing and in the installation log for the uninstallation.
#include "copy/InstallJournal.h"

#include <windows.h>

#include <cstring>

#include "base/SetupContext.h"
#include "setupfile/Folders.h"

namespace {

// Where overwritten files wait until the installation is whole: beside the log, named like it.
constexpr char kAsideExtension[] = "OLD";

bool SiblingOfSetupFile(char* path, size_t size, const char* extension) {
    const size_t length = std::strlen(SetupContext.setupFileName);
    if (length < 3 || !CopyText(path, size, SetupContext.installFolder) ||
        !AppendText(path, size, SetupContext.setupFileName)) {
        return false;
    }
    std::memcpy(path + std::strlen(path) - 3, extension, 3);
    return true;
}

bool RemoveFolderPath(const char* folder) {
    char path[kPathSize];
    CopyText(path, sizeof path, folder);
    if (std::strlen(path) > 3) {
        RemoveTrailingBackslash(path); // a drive root keeps it
    }
    return RemoveDirectoryA(path) || LookUpPath(path) == PathKind::kMissing;
}

} // namespace

bool InstallLogPath(char* path, size_t size) {
    return SiblingOfSetupFile(path, size, kLogExtension);
}

const char* InstallJournal::Below(const char* path) const {
    const size_t folder = std::strlen(SetupContext.installFolder);
    if (folder == 0 || std::strlen(path) <= folder ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path, static_cast<int>(folder),
                       SetupContext.installFolder, static_cast<int>(folder)) != CSTR_EQUAL) {
        return nullptr;
    }
    return path + folder;
}

bool InstallJournal::Log(LogKind kind, const char* path) {
    const char* logged = path;
    char trimmed[kPathSize];
    if (kind == LogKind::kFile || kind == LogKind::kFolder) {
        logged = Below(path);
        if (!logged) {
            // A folder outside the installation's, such as a group of links: the
            // uninstallation removes it only where links belong, and only when empty.
            logged = path;
            kind = LogKind::kGroup;
        }
    }
    CopyText(trimmed, sizeof trimmed, logged);
    RemoveTrailingBackslash(trimmed);
    char line[kPathSize + 8];
    if (!FormatLogLine(line, sizeof line, kind, trimmed)) {
        return false;
    }
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::strlen(line));
    return WriteFile(log_.Get(), line, size, &written, nullptr) && written == size;
}

bool InstallJournal::Open(ErrorText& error) {
    char path[kPathSize];
    char aside[kPathSize];
    if (!InstallLogPath(path, sizeof path) ||
        !SiblingOfSetupFile(aside, sizeof aside, kAsideExtension) ||
        !AppendText(aside, sizeof aside, "\\")) {
        FormatText(error.text, sizeof error.text, "%s のインストール記録を作成できません。",
                   SetupContext.installFolder);
        return false;
    }
    logPath_ = path;
    asideFolder_ = aside;
    logExisted_ = LookUpPath(path) == PathKind::kFile;
    if (!logExisted_) {
        // Logged before it exists, so that a log cut short still names itself.
        pending_.push_back(Change{LogKind::kFile, path, ""});
    }
    log_.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log_.IsOpen()) {
        error.code = GetLastError();
        FormatText(error.text, sizeof error.text, "%s を作成できません。", path);
        return false;
    }
    Diagnostics().Note("インストールの記録: %s", path);
    logSize_ = SetFilePointer(log_.Get(), 0, nullptr, FILE_END);
    bool written = true;
    for (const Change& change : pending_) {
        written = Log(change.kind, change.path.c_str()) && written;
        if (change.kind != LogKind::kFile) {
            changes_.push_back(change);
        }
    }
    pending_.clear();
    if (!written) {
        FormatText(error.text, sizeof error.text, "%s に書き込めません。", path);
    }
    return written;
}

bool InstallJournal::SaveAside(const char* target, std::string& saved, ErrorText& error) {
    if (!asideMade_) {
        if (LookUpPath(asideFolder_.c_str()) == PathKind::kMissing) {
            // Logged before it is made, like every file.
            if (!Log(LogKind::kFolder, asideFolder_.c_str()) ||
                !EnsureFolder(asideFolder_.c_str(), error, this)) {
                return false;
            }
            changes_.push_back(Change{LogKind::kFolder, asideFolder_, ""});
        }
        asideMade_ = true;
    }
    char copy[kPathSize];
    if (GetTempFileNameA(asideFolder_.c_str(), "old", 0, copy) == 0) {
        error.code = GetLastError();
        FormatText(error.text, sizeof error.text, "%s を退避できません。", target);
        return false;
    }
    // The empty file GetTempFileName made is logged, then holds the earlier bytes.
    const bool logged = Log(LogKind::kFile, copy);
    if (!logged || !CopyFileA(target, copy, FALSE)) {
        const DWORD why = GetLastError();
        error.code = why;
        DeleteFileA(copy);
        if (logged && (why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION)) {
            // Held so that it cannot even be read: it cannot be overwritten either.
            inUse_ = true;
            FormatText(error.text, sizeof error.text,
                       "%s は他のプロセスが使用中のため上書きできません。", target);
        } else {
            FormatText(error.text, sizeof error.text, "%s を退避できません。", target);
        }
        return false;
    }
    saved = copy;
    Diagnostics().Note("上書きの前に退避: %s -> %s", target, copy);
    return true;
}

bool InstallJournal::LogFile(const char* target, ErrorText& error) {
    if (!Log(LogKind::kFile, target)) {
        FormatText(error.text, sizeof error.text, "%s に書き込めません。", logPath_.c_str());
        return false;
    }
    return true;
}

void InstallJournal::MadeFile(const char* target) {
    changes_.push_back(Change{LogKind::kFile, target, ""});
}

bool InstallJournal::KeepEarlier(const char* target, ErrorText& error) {
    inUse_ = false;
    Change change{LogKind::kFile, target, ""};
    if (!SaveAside(target, change.saved, error)) {
        return false;
    }
    changes_.push_back(change);
    return true;
}

void InstallJournal::Untouched(const char* target) {
    if (!changes_.empty() && changes_.back().path == target && !changes_.back().saved.empty()) {
        DeleteFileA(changes_.back().saved.c_str());
        changes_.pop_back();
    }
}

void InstallJournal::Deferred(const char* target, const char* staged) {
    changes_.push_back(Change{LogKind::kFile, staged, ""});
    deferred_.emplace_back(target, staged);
    Diagnostics().Note("使用中のため、Windowsの次回起動時に置き換え: %s <- %s", target, staged);
}

const char* InstallJournal::StagedFor(const char* target) const {
    for (const auto& pair : deferred_) {
        if (lstrcmpiA(pair.first.c_str(), target) == 0) {
            return pair.second.c_str();
        }
    }
    return nullptr;
}

void InstallJournal::Made(MadeKind made, const char* path) {
    const LogKind kind = made == MadeKind::kFolder ? LogKind::kFolder : LogKind::kLink;
    Diagnostics().Note("%s: %s", kind == LogKind::kFolder ? "フォルダを作成" : "リンクを作成",
                       path);
    if (!log_.IsOpen()) {
        pending_.push_back(Change{kind, path, ""});
        return;
    }
    Log(kind, path);
    changes_.push_back(Change{kind, path, ""});
}

void InstallJournal::Commit() {
    Diagnostics().Note("インストールが完了しました。");
    for (const Change& change : changes_) {
        if (!change.saved.empty()) {
            DeleteFileA(change.saved.c_str());
        }
    }
    if (asideMade_) {
        RemoveFolderPath(asideFolder_.c_str());
    }
    changes_.clear();
}

bool InstallJournal::RollBack() {
    Diagnostics().Note("インストールを元に戻します。");
    bool undone = true;
    // The log first goes back to what it was: only what this run made is undone below, and a
    // log that names it no more cannot mislead anyone if undoing stops half-way.
    if (log_.IsOpen()) {
        if (logExisted_) {
            SetFilePointer(log_.Get(), static_cast<LONG>(logSize_), nullptr, FILE_BEGIN);
            SetEndOfFile(log_.Get());
        }
        log_.Reset();
        if (!logExisted_) {
            undone = DeleteFileA(logPath_.c_str()) && undone;
        }
    }
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
        const char* path = change->path.c_str();
        switch (change->kind) {
        case LogKind::kFile:
        case LogKind::kLink:
            if (!change->saved.empty()) {
                // CopyFile brings back the earlier attributes with the bytes.
                SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                const bool back = CopyFileA(change->saved.c_str(), path, FALSE);
                undone = back && undone;
                if (back) {
                    DeleteFileA(change->saved.c_str());
                }
            } else if (!DeleteFileA(path) && LookUpPath(path) == PathKind::kFile) {
                undone = false;
            }
            break;
        case LogKind::kFolder:
        case LogKind::kGroup:
            undone = RemoveFolderPath(path) && undone;
            break;
        }
    }
    changes_.clear();
    pending_.clear();
    deferred_.clear();
    if (undone) {
        Diagnostics().Note("インストール前の状態に戻しました。");
    } else {
        Diagnostics().Failure(0, "元に戻せなかったファイルがあります。");
    }
    return undone;
}
