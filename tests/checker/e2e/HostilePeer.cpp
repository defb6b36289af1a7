// The hostile peer: one accepting thread, one thread per connection.
#include "HostilePeer.h"

#include <algorithm>
#include <cstdio>

namespace {

bool Ready(SOCKET s, bool forWriting, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, nullptr, &wait) == 1;
}

std::string PageAnswer(const std::string& page) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
           std::to_string(page.size()) + "\r\n\r\n" + page;
}

} // namespace

HostilePeer::HostilePeer() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    // Connections that nginx or an earlier peer closed may still hold the port in TIME_WAIT.
    BOOL reuse = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(80);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0) {
        closesocket(s);
        return;
    }
    listener_ = s;
    acceptor_ = std::thread([this] { Accept(); });
}

HostilePeer::~HostilePeer() {
    stop_ = true;
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    for (std::thread& connection : connections_) {
        connection.join();
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
    }
}

void HostilePeer::Set(const std::string& path, Answer answer, const std::string& page,
                      int delayMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Rule& rule = rules_[path];
    rule.answer = answer;
    rule.page = page;
    rule.delayMs = delayMs;
}

int HostilePeer::MostAtOnce(const std::string& host) {
    std::lock_guard<std::mutex> lock(mutex_);
    return hosts_[host].most;
}

int HostilePeer::Requests(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return rules_[path].requests;
}

void HostilePeer::Accept() {
    while (!stop_) {
        if (!Ready(listener_, false, 100)) {
            continue;
        }
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client != INVALID_SOCKET) {
            connections_.emplace_back([this, client] { Serve(client); });
        }
    }
}

bool HostilePeer::SendAll(SOCKET client, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        if (stop_) {
            return false;
        }
        if (!Ready(client, true, 100)) {
            continue; // the client reads slowly, or not at all
        }
        const int sent = send(client, bytes.data() + at, static_cast<int>(bytes.size() - at), 0);
        if (sent <= 0) {
            return false;
        }
        at += static_cast<size_t>(sent);
    }
    return true;
}

void HostilePeer::Serve(SOCKET client) {
    std::string request;
    char buffer[4096];
    while (!stop_ && request.find("\r\n\r\n") == std::string::npos) {
        if (!Ready(client, false, 100)) {
            continue;
        }
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<size_t>(got));
    }
    // "GET /path?query HTTP/1.0": the path up to the query or the blank.
    const size_t start = request.find(' ') + 1;
    const size_t end = request.find_first_of(" ?", start);
    const std::string path = start == 0 ? "" : request.substr(start, end - start);
    const size_t hostAt = request.find("\r\nHost: ");
    const std::string host =
        hostAt == std::string::npos
            ? ""
            : request.substr(hostAt + 8, request.find("\r\n", hostAt + 8) - hostAt - 8);
    Rule rule;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Rule& known = rules_[path];
        ++known.requests;
        rule = known;
        Load& load = hosts_[host];
        load.most = std::max(load.most, ++load.now);
    }
    for (int waited = 0; waited < rule.delayMs && !stop_; waited += 10) {
        Sleep(10);
    }

    bool reset = false;
    switch (rule.answer) {
    case Answer::kPage:
        SendAll(client, PageAnswer(rule.page));
        break;
    case Answer::kGarbage: {
        std::string garbage = "SSH-2.0-OpenSSH_9.2\r\n";
        garbage += '\0';
        garbage += "\x01\x02\xff garbage <html>no page</html>\r\n";
        SendAll(client, garbage);
        break;
    }
    case Answer::kEndlessHead: {
        std::string head = "HTTP/1.0 200 OK\r\n";
        while (head.size() < 1024 * 1024) {
            head +=
                "X-Padding-" + std::to_string(head.size()) + ": " + std::string(100, 'x') + "\r\n";
        }
        SendAll(client, head);
        break;
    }
    case Answer::kEndlessBody:
        if (SendAll(client, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>\n")) {
            const std::string line = std::string(1000, 'e') + "\n";
            while (SendAll(client, line)) {
                Sleep(5);
            }
        }
        break;
    case Answer::kReset: {
        const std::string whole = PageAnswer(rule.page);
        SendAll(client, whole.substr(0, whole.size() - rule.page.size() / 2));
        Sleep(100);
        reset = true;
        break;
    }
    case Answer::kHttp11Only:
        if (request.find(" HTTP/1.0\r\n") != std::string::npos) {
            SendAll(client, "HTTP/1.1 426 Upgrade Required\r\nUpgrade: HTTP/1.1\r\n"
                            "Connection: Upgrade\r\nContent-Length: 0\r\n\r\n");
        } else if (SendAll(client, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")) {
            for (size_t at = 0; at < rule.page.size(); at += 7) {
                const std::string piece = rule.page.substr(at, 7);
                char size[16];
                std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
                SendAll(client, size + piece + "\r\n");
            }
            SendAll(client, "0\r\n\r\n");
            // An HTTP/1.1 server may keep the connection after the page, whatever was asked.
            while (!stop_) {
                if (Ready(client, false, 100) && recv(client, buffer, sizeof buffer, 0) <= 0) {
                    break;
                }
            }
        }
        break;
    case Answer::kGone:
        SendAll(client, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        break;
    case Answer::kCrCrLf:
        SendAll(client, "HTTP/1.0 200 OK\r\r\nContent-Type: text/html\r\r\nContent-Length: " +
                            std::to_string(rule.page.size()) + "\r\r\n\r\r\n" + rule.page);
        break;
    case Answer::kSilent:
        // Waits for the client to give up (its end reads as a zero-byte receive), or the stop.
        while (!stop_) {
            if (Ready(client, false, 100) && recv(client, buffer, sizeof buffer, 0) <= 0) {
                break;
            }
        }
        break;
    }
    {
        // Before the close, which is what lets the client go on to its next request.
        std::lock_guard<std::mutex> lock(mutex_);
        --hosts_[host].now;
    }
    if (reset) {
        // A zero linger time makes the close an abort.
        linger abort{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                   sizeof abort);
    } else {
        shutdown(client, SD_SEND);
    }
    closesocket(client);
}
