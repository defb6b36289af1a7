// Version resources through GetFileVersionInfo, which every Windows since 95 and NT 3.51 has in
// VERSION.DLL; looked up at run time all the same, so that no Windows refuses to start the
// program for want of it.
#include "copy/FileVersion.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/Text.h"

namespace {

using GetInfoSize = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using GetInfo = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);

// No version resource is this large; a file that claims more has none worth reading.
constexpr DWORD kMostResourceBytes = 1024 * 1024;

const Library& VersionLibrary() {
    static const Library library("version.dll");
    return library;
}

} // namespace

bool ReadFileVersion(const char* path, VersionResource* resource) {
    const auto infoSize = VersionLibrary().Find<GetInfoSize>("GetFileVersionInfoSizeA");
    const auto info = VersionLibrary().Find<GetInfo>("GetFileVersionInfoA");
    if (!infoSize || !info) {
        return false;
    }
    DWORD ignored = 0;
    const DWORD size = infoSize(path, &ignored);
    if (size == 0 || size > kMostResourceBytes) {
        return false;
    }
    std::vector<unsigned char> data(size);
    return info(path, 0, size, data.data()) &&
           ParseVersionResource(data.data(), data.size(), resource);
}

bool FileVersionOf(const char* path, VersionNumber* version) {
    VersionResource resource;
    if (!ReadFileVersion(path, &resource) || !resource.numbered) {
        return false;
    }
    *version = resource.fileVersion;
    return true;
}

void VersionTextToAnsi(const VersionText& text, char* out, size_t size) {
    if (size == 0) {
        return;
    }
    out[0] = '\0';
    if (!text.wide) {
        CopyText(out, size, text.bytes.c_str());
    } else if (!text.bytes.empty()) {
        std::vector<wchar_t> wide(text.bytes.size() / 2 + 1, L'\0');
        for (size_t i = 0; i + 1 < text.bytes.size(); i += 2) {
            wide[i / 2] = static_cast<wchar_t>(static_cast<unsigned char>(text.bytes[i]) |
                                               static_cast<unsigned char>(text.bytes[i + 1]) << 8);
        }
        std::string ansi(text.bytes.size() * 2 + 1, '\0');
        if (WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, &ansi[0], static_cast<int>(ansi.size()),
                                nullptr, nullptr) > 0) {
            CopyText(out, size, ansi.c_str());
        }
    }
    // Blanks alone name nothing: no publisher rather than an empty-looking one.
    size_t end = std::strlen(out);
    while (end > 0 && out[end - 1] == ' ') {
        out[--end] = '\0';
    }
}
