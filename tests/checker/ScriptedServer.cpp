// The scripted peer runs on a thread of its own and never blocks longer than 100 ms without
// looking at its stop flag, so a test that fails never hangs on it.
#include "ScriptedServer.h"

namespace {

bool Readable(SOCKET s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
}

SOCKET BoundListener(int& port, unsigned long on = INADDR_LOOPBACK) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(on);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

} // namespace

ScriptedServer::ScriptedServer(std::vector<ServerStep> steps, End end)
    : ScriptedServer(std::vector<std::vector<ServerStep>>{std::move(steps)}, end) {}

ScriptedServer::ScriptedServer(std::vector<std::vector<ServerStep>> conversations, End end,
                               unsigned long address)
    : conversations_(std::move(conversations)), end_(end) {
    listener_ = BoundListener(port_, address);
    listen(listener_, 1);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    closesocket(listener_);
}

std::string ScriptedServer::Request() {
    const std::vector<std::string> all = Requests();
    return all.empty() ? std::string() : all[0];
}

std::vector<std::string> ScriptedServer::Requests() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return requests_;
}

void ScriptedServer::Serve() {
    for (const std::vector<ServerStep>& steps : conversations_) {
        while (!stop_ && !Readable(listener_, 100)) {
        }
        if (stop_) {
            return;
        }
        Converse(steps);
    }
}

void ScriptedServer::Converse(const std::vector<ServerStep>& steps) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    requests_.emplace_back();
    std::string& request = requests_.back();
    char buffer[4096];
    while (!stop_ && request.find("\r\n\r\n") == std::string::npos) {
        if (!Readable(client, 100)) {
            continue;
        }
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<size_t>(got));
    }
    // A client that has read what it wanted and gone must not hold the script up: a send
    // blocked on a full connection gives up (Wine does not always end it when the client closes).
    const DWORD sendLimitMs = 5000;
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendLimitMs),
               sizeof sendLimitMs);
    for (const ServerStep& step : steps) {
        Sleep(step.pauseMs);
        if (stop_ || send(client, step.data.data(), static_cast<int>(step.data.size()), 0) < 0) {
            break;
        }
    }
    if (end_ == End::WaitForClient) {
        while (!stop_) {
            if (Readable(client, 100) && recv(client, buffer, sizeof buffer, 0) <= 0) {
                break;
            }
        }
    }
    if (end_ == End::Reset) {
        // A zero linger time makes the close an abort.
        linger abort{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                   sizeof abort);
    } else {
        shutdown(client, SD_SEND);
    }
    closesocket(client);
}

int UnusedPort() {
    int port = 0;
    SOCKET s = BoundListener(port);
    closesocket(s);
    return port;
}
