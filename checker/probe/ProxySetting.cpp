// Internet Settings read with the ANSI registry calls, and a proxy script evaluated through
// WinHTTP, looked up at run time: the program still starts on a Windows that has none.
#include "probe/ProxySetting.h"

#include "framework/Handles.h"
#include "text/AnsiText.h"
#include "text/TextRoutines.h"

#include <winhttp.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr char kInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
// ProxyOverride lists grow long in managed networks; a value past this is read no further.
constexpr DWORD kMostValueBytes = 65536;
// How much of ProxyOverride the log's heading shows.
constexpr size_t kHeadingBypassBytes = 160;

// A value's bytes and type; false when it is not there or longer than kMostValueBytes.
bool ReadValue(HKEY key, const char* name, std::string& bytes, DWORD& type) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > kMostValueBytes) {
        return false;
    }
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS ||
        size >= data.size()) {
        return false;
    }
    bytes.assign(data.data(), size);
    return true;
}

// A text value up to its first zero byte; empty when it is not text.
std::string ReadText(HKEY key, const char* name) {
    std::string bytes;
    DWORD type = 0;
    if (!ReadValue(key, name, bytes, type) || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::string();
    }
    return std::string(bytes.c_str());
}

// ProxyEnable as Windows writes it (a DWORD), or as some tools do (four bytes, or a number in
// text).
bool ReadEnabled(HKEY key) {
    std::string bytes;
    DWORD type = 0;
    if (!ReadValue(key, "ProxyEnable", bytes, type)) {
        return false;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        return std::atoi(bytes.c_str()) != 0;
    }
    for (char byte : bytes.substr(0, 4)) {
        if (byte != 0) {
            return true;
        }
    }
    return false;
}

using OpenFn = HINTERNET(WINAPI*)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
using GetFn = BOOL(WINAPI*)(HINTERNET, LPCWSTR, WINHTTP_AUTOPROXY_OPTIONS*, WINHTTP_PROXY_INFO*);
using CloseFn = BOOL(WINAPI*)(HINTERNET);
using TimeoutsFn = BOOL(WINAPI*)(HINTERNET, int, int, int, int);
// A script's download: a probe that waits for it is held by it, and so is a forced end.
constexpr int kScriptWaitMs = 10000;

} // namespace

ProxySetting ReadProxySetting() {
    ProxySetting setting;
    RegKey key;
    if (!key.Open(HKEY_CURRENT_USER, kInternetSettings, KEY_READ)) {
        return setting;
    }
    setting.manual = ReadEnabled(key.Get());
    setting.servers = ParseProxyServer(ReadText(key.Get(), "ProxyServer").c_str());
    setting.bypass = ReadText(key.Get(), "ProxyOverride");
    setting.scriptUrl = ReadText(key.Get(), "AutoConfigURL");
    RegKey connections;
    std::string flags;
    DWORD type = 0;
    if (connections.Open(key.Get(), "Connections", KEY_READ) &&
        ReadValue(connections.Get(), "DefaultConnectionSettings", flags, type) &&
        type == REG_BINARY && flags.size() > 8) {
        setting.autoDetect = (flags[8] & 0x08) != 0;
        // The set-up script's box unticked: its address may stay behind.
        if ((flags[8] & 0x04) == 0) {
            setting.scriptUrl.clear();
        }
    }
    return setting;
}

// WinHTTP's session for the scripts, and the lock that lets one evaluation run at a time: the
// first one detects or downloads the script, the others wait for it and use it.
struct ProxyRouter::Script {
    OpenFn open = nullptr;
    GetFn get = nullptr;
    CloseFn close = nullptr;
    HINTERNET session = nullptr;
    CRITICAL_SECTION lock;
};

namespace {

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

// WinHTTP's session for the scripts, where the system has WinHTTP; none elsewhere.
std::unique_ptr<ProxyRouter::Script> OpenScriptSession() {
    const HMODULE winhttp = LoadLibraryA("winhttp.dll");
    std::unique_ptr<ProxyRouter::Script> state(new ProxyRouter::Script);
    state->open = Lookup<OpenFn>(winhttp, "WinHttpOpen");
    state->get = Lookup<GetFn>(winhttp, "WinHttpGetProxyForUrl");
    state->close = Lookup<CloseFn>(winhttp, "WinHttpCloseHandle");
    const auto timeouts = Lookup<TimeoutsFn>(winhttp, "WinHttpSetTimeouts");
    if (state->open && state->get && state->close) {
        state->session = state->open(L"Vexilo User's", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    }
    if (!state->session) {
        return nullptr;
    }
    if (timeouts) {
        timeouts(state->session, kScriptWaitMs, kScriptWaitMs, kScriptWaitMs, kScriptWaitMs);
    }
    InitializeCriticalSection(&state->lock);
    return state;
}

} // namespace

ProxyRouter::ProxyRouter(const ProxySetting& setting) : setting_(setting) {
    bypass_.Parse(setting_.bypass.c_str());
    manual_ = setting_.manual && (setting_.servers.http.Named() || setting_.servers.https.Named());
    if (setting_.scriptUrl.empty() && !setting_.autoDetect) {
        return;
    }
    scriptState_ = OpenScriptSession().release();
    script_ = scriptState_ != nullptr;
    scriptUnavailable_ = !script_ && !setting_.scriptUrl.empty();
}

ProxyRouter::~ProxyRouter() {
    if (scriptState_) {
        scriptState_->close(scriptState_->session);
        DeleteCriticalSection(&scriptState_->lock);
        delete scriptState_;
    }
}

ProxyRoute ProxyRouter::ManualRoute(const UrlParts& url) const {
    ProxyRoute route;
    const ProxyServer& server =
        url.scheme == UrlScheme::kHttps ? setting_.servers.https : setting_.servers.http;
    if (manual_ && server.Named() && !bypass_.Matches(url.host, url.port)) {
        route.viaProxy = true;
        route.server = server;
    }
    return route;
}

// True when the script decided the route; false when there is none or it failed (the run then
// goes without it).
bool ProxyRouter::ScriptRoute(const UrlParts& url, ProxyRoute& route) {
    if (!script_ || scriptFailed_) {
        return false;
    }
    char text[2 * kTargetPartSize + 32];
    FormatUrl(url, text, sizeof text);
    const std::wstring address = AnsiToWide(text);
    const std::wstring config = AnsiToWide(setting_.scriptUrl.c_str());
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (setting_.autoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if (!setting_.scriptUrl.empty()) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = config.c_str();
    }
    WINHTTP_PROXY_INFO info{};
    {
        const Locked turn(scriptState_->lock);
        if (scriptFailed_) {
            return false;
        }
        if (!scriptState_->get(scriptState_->session, address.c_str(), &options, &info)) {
            scriptFailed_ = true;
            return false;
        }
    }
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy) {
        const ProxyServers servers = ParseProxyServer(WideToAnsi(info.lpszProxy).c_str());
        const ProxyServer& server =
            url.scheme == UrlScheme::kHttps ? servers.https : servers.http;
        if (server.Named()) {
            route.viaProxy = true;
            route.server = server;
            scriptUsed_ = true;
        }
    }
    if (info.lpszProxy) {
        GlobalFree(info.lpszProxy);
    }
    if (info.lpszProxyBypass) {
        GlobalFree(info.lpszProxyBypass);
    }
    return true;
}

ProxyRoute ProxyRouter::RouteFor(const UrlParts& url) {
    ProxyRoute route;
    if (ScriptRoute(url, route)) {
        return route;
    }
    return ManualRoute(url);
}

bool ProxyRouter::MayGoThrough(const UrlParts& url) const {
    return (script_ && !scriptFailed_) || ManualRoute(url).viaProxy;
}

bool ProxyRouter::InUse() const {
    return manual_ || scriptUsed_;
}

std::string ProxyRouter::ScriptName() const {
    if (setting_.scriptUrl.empty()) {
        return "設定の自動検出";
    }
    return "自動構成スクリプト（" + setting_.scriptUrl + "）";
}

std::string ProxyRouter::Heading() const {
    const ProxyServers& servers = setting_.servers;
    std::string manual;
    if (manual_) {
        const bool same = servers.http.Named() && servers.https.Named() &&
                          ProxyLabel(servers.http) == ProxyLabel(servers.https);
        if (same) {
            manual = ProxyLabel(servers.http);
        } else {
            manual = (servers.http.Named() ? "http=" + ProxyLabel(servers.http) : "httpは直接接続") +
                     "、" +
                     (servers.https.Named() ? "https=" + ProxyLabel(servers.https)
                                            : "httpsは直接接続");
        }
        if (!setting_.bypass.empty()) {
            char shown[kHeadingBypassBytes + 4];
            if (!CopyText(shown, kHeadingBypassBytes, setting_.bypass.c_str())) {
                AppendText(shown, sizeof shown, "…");
            }
            manual += std::string("（直接接続: ") + shown + "）";
        }
    }
    if (script_) {
        std::string heading = "プロキシ: " + ScriptName();
        if (setting_.autoDetect && !setting_.scriptUrl.empty()) {
            heading = "プロキシ: 設定の自動検出、" + ScriptName();
        }
        return manual.empty() ? heading : heading + "、使えないときは " + manual;
    }
    if (scriptUnavailable_) {
        return "プロキシ: 自動構成スクリプトはこのWindowsでは使えないため、" +
               (manual.empty() ? std::string("直接接続します。") : manual + " を使います。");
    }
    if (!manual.empty()) {
        return "プロキシ: " + manual;
    }
    if (setting_.manual && servers.socks) {
        return "プロキシ: SOCKSのプロキシには対応していないため、直接接続します。";
    }
    if (setting_.manual && servers.unreadable) {
        return "プロキシ: 設定（ProxyServer）を読めないため、直接接続します。";
    }
    return "プロキシ: なし（直接接続）";
}
