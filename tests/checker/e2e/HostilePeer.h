// A web server on 127.0.0.1:80, where check runs always go, that answers each path as the test
// says: with a good page, or the way a broken or hostile server does. Every connection is served
// on a thread of its own that looks at its stop flag at least every 100 ms, so that neither a
// test that fails nor a client that is gone can keep it.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class Answer {
    kPage,        // a good page: status line, Content-Length, the page
    kGarbage,     // no status line, bytes that are no HTTP
    kEndlessHead, // a status line, then 1 MB of head lines and no blank line, then the close
    kEndlessBody, // a status line and a page that never ends
    kReset,       // the head and half the page, then a reset
    kSilent,      // the request is taken, nothing ever comes back
    kHttp11Only,  // 426 to an HTTP/1.0 request; to HTTP/1.1, the page in chunks, connection kept
    kCrCrLf,      // the good page, with head lines that end in CR CR LF
    kGone,        // 404 Not Found
};

class HostilePeer {
public:
    HostilePeer();
    ~HostilePeer();
    HostilePeer(const HostilePeer&) = delete;
    HostilePeer& operator=(const HostilePeer&) = delete;

    // False when port 80 could not be taken.
    bool Listening() const { return listener_ != INVALID_SOCKET; }

    // How path ("/name", up to a "?") is answered from now on, after delayMs; page is the good
    // page's text.
    void Set(const std::string& path, Answer answer, const std::string& page = "",
             int delayMs = 0);
    // Requests for path taken so far.
    int Requests(const std::string& path);
    // The most requests with this Host line ("name:port") that were served at the same time.
    int MostAtOnce(const std::string& host);

private:
    struct Rule {
        Answer answer = Answer::kPage;
        std::string page;
        int delayMs = 0;
        int requests = 0;
    };
    struct Load {
        int now = 0;
        int most = 0;
    };

    void Accept();
    void Serve(SOCKET client);
    bool SendAll(SOCKET client, const std::string& bytes);

    SOCKET listener_ = INVALID_SOCKET;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::map<std::string, Rule> rules_;
    std::map<std::string, Load> hosts_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};
