// One probe: resolve, connect, send the GET request, receive the response block by block, write
// the page text into the new copy, shut down and close, with a status text for every stage.
#include <winsock2.h>

#include "probe/Probe.h"

#include "probe/ResponseBlocks.h"
#include "probe/StatusRelay.h"

#include "text/TextRoutines.h"

#include <cstdio>
#include <cstring>
#include <memory>

char* probeTarget = nullptr;
int probePort = 80;
int saveCopy = 0;
char* newCopyPath = nullptr;
char probeMessage[kProbeMessageSize];
ResponseHead probeHead;

namespace {

constexpr int kReceiveSize = 1024;
constexpr int kReceiveBufferSize = 2049;

void ShowStatus(HWND statusLine, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ShowStatus(HWND statusLine, const char* format, ...) {
    char text[kStatusTextSize];
    va_list args;
    va_start(args, format);
    FormatTextV(text, sizeof text, format, args);
    va_end(args);
    RelayStatus(statusLine, text);
}

// Resolves host as the probe always has: a dotted address by its reverse lookup, a name by
// its forward lookup. Returns the first address, or false when there is no host entry.
bool ResolveHost(const char* host, in_addr& address) {
    const unsigned long dotted = inet_addr(host);
    const hostent* entry = nullptr;
    if (dotted == INADDR_NONE) {
        entry = gethostbyname(host);
    } else {
        entry = gethostbyaddr(reinterpret_cast<const char*>(&dotted), 4, AF_INET);
    }
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list ||
        !entry->h_addr_list[0]) {
        return false;
    }
    std::memcpy(&address, entry->h_addr_list[0], 4);
    return true;
}

bool SendAll(SOCKET s, const char* data, size_t length) {
    while (length > 0) {
        const int sent = send(s, data, static_cast<int>(length), 0);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

// The new copy. A copy that cannot be created or written is removed, so that the driver finds
// no file and knows that no copy was made (and never mistakes a part for the page).
class NewCopy {
public:
    explicit NewCopy(const char* path) : path_(path) {
        file_ = std::fopen(path, "w");
        if (!file_) {
            DeleteFileA(path);
        }
    }
    ~NewCopy() { Close(); }
    NewCopy(const NewCopy&) = delete;
    NewCopy& operator=(const NewCopy&) = delete;

    bool IsOpen() const { return file_ != nullptr; }

    // Writes text up to its first zero byte; on a failed write the copy is given up.
    void Write(const char* text) {
        if (file_ && std::fputs(text, file_) < 0) {
            Discard();
        }
    }

    // Gives the copy up: the driver then finds none.
    void Discard() {
        if (file_) {
            std::fclose(file_);
            file_ = nullptr;
            DeleteFileA(path_);
        }
    }

    void Close() {
        if (file_) {
            const bool failed = std::fclose(file_) != 0;
            file_ = nullptr;
            if (failed) {
                DeleteFileA(path_);
            }
        }
    }

private:
    const char* path_;
    FILE* file_ = nullptr;
};

} // namespace

int RunProbeConversation(HWND statusLine) {
    probeMessage[0] = '\0';
    int code = kProbeCompleted;
    unsigned received = 0;

    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        CopyText(probeMessage, sizeof probeMessage, "ソケットを作成できません。");
        return kProbeNoSocket;
    }

    char host[kTargetPartSize];
    char path[kTargetPartSize];
    SplitTarget(probeTarget ? probeTarget : "", host, path);

    ShowStatus(statusLine, "[%s]を解決しています...", host);
    sockaddr_in address{};
    if (!ResolveHost(host, address.sin_addr)) {
        FormatText(probeMessage, sizeof probeMessage,
                   "[%s]というホストを検出できません。\nまたはネットワーク環境が不正です。", host);
        closesocket(s);
        return kProbeHostNotFound;
    }
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(probePort));

    ShowStatus(statusLine, "[%s]に接続しています...", host);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        CopyText(probeMessage, sizeof probeMessage, "接続できませんでした。");
        closesocket(s);
        return kProbeConnectFailed;
    }

    ShowStatus(statusLine, "[%s]にリクエストを送信しています...", host);
    char request[kRequestSize];
    FormatRequest(host, path, probePort, request, sizeof request);
    // A half-sent request cannot give a trustworthy answer: end as if the connection failed.
    if (!SendAll(s, request, std::strlen(request))) {
        CopyText(probeMessage, sizeof probeMessage, "接続できませんでした。");
        closesocket(s);
        return kProbeConnectFailed;
    }

    {
        std::unique_ptr<char[]> buffer(new char[kReceiveBufferSize]);
        ShowStatus(statusLine, "[%s]から受信しています...", host);
        std::unique_ptr<NewCopy> copy;
        if (saveCopy == 1 && newCopyPath) {
            copy.reset(new NewCopy(newCopyPath));
        }
        // Without a copy to write only the head matters, and it is in the first block.
        const bool writing = copy && copy->IsOpen();
        ResponseBlocks blocks(probeHead);
        bool cutShort = false; // the connection failed (a reset) before the server ended it
        if (busyFlag == 1) {
            int got = 0;
            do {
                got = recv(s, buffer.get(), kReceiveSize, 0);
                if (got < 0) {
                    got = 0;
                    cutShort = true;
                }
                buffer[got] = '\0';
                const char* page = blocks.Take(buffer.get(), static_cast<size_t>(got));
                const unsigned knownLength = blocks.KnownLength();
                if (!writing) {
                    break;
                }
                copy->Write(page);
                if (knownLength != 0) {
                    ShowStatus(statusLine, "[%s]から受信しています( %u / %u )", host, received,
                               knownLength);
                } else {
                    ShowStatus(statusLine, "[%s]から受信しています( %u / ??? )", host, received);
                }
                received += static_cast<unsigned>(std::strlen(page));
            } while (got > 0 && busyFlag == 1);
        }
        // Part of a page, or more head instead of one, must never pass for the page.
        if (writing && (cutShort || !blocks.PageComplete())) {
            copy->Discard();
        }
    }

    ShowStatus(statusLine, "[%s]に送受信終了を通知しています...", host);
    if (shutdown(s, SD_BOTH) != 0) {
        CopyText(probeMessage, sizeof probeMessage, "ソケットをシャットダウンできませんでした。");
        closesocket(s);
        return kProbeShutdownFailed;
    }
    if (closesocket(s) != 0) {
        CopyText(probeMessage, sizeof probeMessage, "ソケットを削除できません。");
        code = kProbeCloseFailed;
    }
    return code;
}
