// The run's changes, in memory for undoing and in the installation log for the uninstallation.
#include "copy/InstallJournal.h"

#include <windows.h>

#include <cstring>

#include "entry/SetupContext.h"
#include "setupfile/Folders.h"

namespace {

InstallJournal* active = nullptr;

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
    const size_t length = std::strlen(path);
    if (length > 3 && path[length - 1] == '\\' && !IsMidCharacter(path, length - 1)) {
        path[length - 1] = '\0';
    }
    return RemoveDirectoryA(path) || LookUpPath(path) == PathKind::Missing;
}

} // namespace

InstallJournal* ActiveJournal() {
    return active;
}

void SetActiveJournal(InstallJournal* journal) {
    active = journal;
}

void NoteMade(LogKind kind, const char* path) {
    if (active) {
        active->Made(kind, path);
    }
}

bool InstallLogPath(char* path, size_t size) {
    return SiblingOfSetupFile(path, size, kLogExtension);
}

InstallJournal::~InstallJournal() {
    if (log_) {
        CloseHandle(log_);
    }
    if (active == this) {
        active = nullptr;
    }
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
    if (kind == LogKind::File || kind == LogKind::Folder) {
        logged = Below(path);
        if (!logged) {
            // A folder outside the installation's, such as a group of links: the
            // uninstallation removes it only where links belong, and only when empty.
            logged = path;
            kind = LogKind::Group;
        }
    }
    CopyText(trimmed, sizeof trimmed, logged);
    const size_t length = std::strlen(trimmed);
    if (length > 0 && trimmed[length - 1] == '\\' && !IsMidCharacter(trimmed, length - 1)) {
        trimmed[length - 1] = '\0';
    }
    char line[kPathSize + 8];
    if (!FormatLogLine(line, sizeof line, kind, trimmed)) {
        return false;
    }
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::strlen(line));
    return WriteFile(log_, line, size, &written, nullptr) && written == size;
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
    logExisted_ = LookUpPath(path) == PathKind::File;
    if (!logExisted_) {
        // Logged before it exists, so that a log cut short still names itself.
        pending_.push_back(Change{LogKind::File, path, ""});
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        FormatText(error.text, sizeof error.text, "%s を作成できません。", path);
        return false;
    }
    log_ = file;
    logSize_ = SetFilePointer(file, 0, nullptr, FILE_END);
    bool written = true;
    for (const Change& change : pending_) {
        written = Log(change.kind, change.path.c_str()) && written;
        if (change.kind != LogKind::File) {
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
        if (LookUpPath(asideFolder_.c_str()) == PathKind::Missing) {
            // Logged before it is made, like every file.
            if (!Log(LogKind::Folder, asideFolder_.c_str()) ||
                !EnsureFolder(asideFolder_.c_str(), error)) {
                return false;
            }
            changes_.push_back(Change{LogKind::Folder, asideFolder_, ""});
        }
        asideMade_ = true;
    }
    char copy[kPathSize];
    if (GetTempFileNameA(asideFolder_.c_str(), "old", 0, copy) == 0) {
        FormatText(error.text, sizeof error.text, "%s を退避できません。", target);
        return false;
    }
    // The empty file GetTempFileName made is logged, then holds the earlier bytes.
    const bool logged = Log(LogKind::File, copy);
    if (!logged || !CopyFileA(target, copy, FALSE)) {
        const DWORD why = GetLastError();
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
    return true;
}

bool InstallJournal::LogFile(const char* target, ErrorText& error) {
    if (!Log(LogKind::File, target)) {
        FormatText(error.text, sizeof error.text, "%s に書き込めません。", logPath_.c_str());
        return false;
    }
    return true;
}

void InstallJournal::MadeFile(const char* target) {
    changes_.push_back(Change{LogKind::File, target, ""});
}

bool InstallJournal::KeepEarlier(const char* target, ErrorText& error) {
    inUse_ = false;
    Change change{LogKind::File, target, ""};
    if (!SaveAside(target, change.saved, error)) {
        return false;
    }
    changes_.push_back(change);
    return true;
}

void InstallJournal::Made(LogKind kind, const char* path) {
    if (!log_) {
        pending_.push_back(Change{kind, path, ""});
        return;
    }
    Log(kind, path);
    changes_.push_back(Change{kind, path, ""});
}

void InstallJournal::Commit() {
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
    bool undone = true;
    // The log first goes back to what it was: only what this run made is undone below, and a
    // log that names it no more cannot mislead anyone if undoing stops half-way.
    if (log_) {
        if (logExisted_) {
            SetFilePointer(log_, static_cast<LONG>(logSize_), nullptr, FILE_BEGIN);
            SetEndOfFile(log_);
        }
        CloseHandle(log_);
        log_ = nullptr;
        if (!logExisted_) {
            undone = DeleteFileA(logPath_.c_str()) && undone;
        }
    }
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
        const char* path = change->path.c_str();
        switch (change->kind) {
        case LogKind::File:
        case LogKind::Link:
            if (!change->saved.empty()) {
                // CopyFile brings back the earlier attributes with the bytes.
                SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                const bool back = CopyFileA(change->saved.c_str(), path, FALSE);
                undone = back && undone;
                if (back) {
                    DeleteFileA(change->saved.c_str());
                }
            } else if (!DeleteFileA(path) && LookUpPath(path) == PathKind::File) {
                undone = false;
            }
            break;
        case LogKind::Folder:
        case LogKind::Group:
            undone = RemoveFolderPath(path) && undone;
            break;
        }
    }
    changes_.clear();
    pending_.clear();
    return undone;
}
