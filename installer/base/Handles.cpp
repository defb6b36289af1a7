// The registry readers and the DDE client of the handle owners.
#include "base/Handles.h"

namespace {

// The client whose conversation is open, for the system's callback, which carries no owner.
DdeClient* talkingClient = nullptr;

} // namespace

bool RegKey::ReadText(const char* name, char* text, size_t size, bool expandable) const {
    if (size == 0) {
        return false;
    }
    DWORD type = 0;
    DWORD length = static_cast<DWORD>(size);
    const bool read = key_ &&
                      RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(text),
                                       &length) == ERROR_SUCCESS &&
                      (type == REG_SZ || (expandable && type == REG_EXPAND_SZ)) &&
                      (length < size || text[size - 1] == '\0');
    text[read ? (length < size ? length : size - 1) : 0] = '\0';
    return read;
}

bool RegKey::ReadDword(const char* name, uint32_t* value) const {
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

DdeClient::~DdeClient() {
    Close();
    if (instance_) {
        DdeUninitialize(instance_);
    }
}

bool DdeClient::Start() {
    return instance_ != 0 ||
           DdeInitializeA(&instance_, OnEvent, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR;
}

bool DdeClient::Open(const char* service, const char* topic) {
    Close();
    if (!instance_) {
        return false;
    }
    HSZ serviceName = DdeCreateStringHandleA(instance_, service, CP_WINANSI);
    HSZ topicName = DdeCreateStringHandleA(instance_, topic, CP_WINANSI);
    if (serviceName && topicName) {
        conversation_ = DdeConnect(instance_, serviceName, topicName, nullptr);
    }
    if (serviceName) {
        DdeFreeStringHandle(instance_, serviceName);
    }
    if (topicName) {
        DdeFreeStringHandle(instance_, topicName);
    }
    if (conversation_) {
        talkingClient = this;
    }
    return conversation_ != nullptr;
}

void DdeClient::Close() {
    if (conversation_) {
        DdeDisconnect(conversation_);
        conversation_ = nullptr;
    }
    if (talkingClient == this) {
        talkingClient = nullptr;
    }
}

bool DdeClient::Execute(const char* command) {
    if (!conversation_) {
        return false;
    }
    DWORD status = 0;
    const HDDEDATA result =
        DdeClientTransaction(reinterpret_cast<BYTE*>(const_cast<char*>(command)),
                             static_cast<DWORD>(lstrlenA(command) + 1), conversation_, nullptr,
                             CF_TEXT, XTYP_EXECUTE, 10000, &status);
    return result == reinterpret_cast<HDDEDATA>(1);
}

HDDEDATA CALLBACK DdeClient::OnEvent(UINT type, UINT, HCONV conversation, HSZ, HSZ, HDDEDATA,
                                     ULONG_PTR, ULONG_PTR) {
    if (type == XTYP_DISCONNECT && talkingClient && talkingClient->conversation_ == conversation) {
        talkingClient->conversation_ = nullptr;
    }
    return nullptr;
}
