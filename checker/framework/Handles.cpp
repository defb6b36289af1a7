// The registry readers of the handle owners.
#include "framework/Handles.h"

bool RegKey::ReadText(const char* name, char* text, size_t size) const {
    if (size == 0) {
        return false;
    }
    DWORD type = 0;
    DWORD length = static_cast<DWORD>(size);
    const bool read = key_ &&
                      RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(text),
                                       &length) == ERROR_SUCCESS &&
                      type == REG_SZ && (length < size || text[size - 1] == '\0');
    text[read ? (length < size ? length : size - 1) : 0] = '\0';
    return read;
}

bool RegKey::ReadDword(const char* name, DWORD* value) const {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (!key_ ||
        RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
        return false;
    }
    *value = data;
    return true;
}
