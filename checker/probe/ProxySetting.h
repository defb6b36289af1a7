// The proxy the user's Windows is set to use, read from Internet Settings at the start of each
// run, and the route each address takes by it: through the proxy, or direct. A proxy script
// (a set-up script or automatic detection) is evaluated by the system's WinHTTP where it exists
// (Windows 2000 SP3, XP and later), loaded at run time.
#pragma once

#include <windows.h>

#include "probe/NetworkRules.h"
#include "probe/Target.h"

#include <atomic>
#include <string>

// The values of HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings that choose a
// proxy, as read.
struct ProxySetting {
    bool manual = false;     // ProxyEnable: a DWORD, or a number written as text
    ProxyServers servers;    // ProxyServer
    std::string bypass;      // ProxyOverride
    std::string scriptUrl;   // AutoConfigURL
    bool autoDetect = false; // DefaultConnectionSettings, flag 0x08 of its ninth byte
};

ProxySetting ReadProxySetting();

struct ProxyRoute {
    bool viaProxy = false;
    ProxyServer server;
};

// One run's routes, shared by its probes.
class ProxyRouter {
public:
    explicit ProxyRouter(const ProxySetting& setting);
    ~ProxyRouter();
    ProxyRouter(const ProxyRouter&) = delete;
    ProxyRouter& operator=(const ProxyRouter&) = delete;

    // The run's first log line: the proxy in use, or none, and why where it is not used.
    std::string Heading() const;
    // The route of an address: through a script where one is set (the first evaluation may take
    // a moment: detection, the script's download), else by ProxyServer and ProxyOverride.
    ProxyRoute RouteFor(const UrlParts& url);
    // Whether url may go through a proxy, as far as is known before it is probed.
    bool MayGoThrough(const UrlParts& url) const;
    // Whether any address of the run went, or may go, through a proxy: the local network then
    // need not know the web's names.
    bool InUse() const;
    // The set-up script was named but could not be had or evaluated: the run went without it.
    // (Automatic detection that finds nothing is the rule where no network offers a script.)
    bool ScriptFailed() const { return scriptFailed_ && !setting_.scriptUrl.empty(); }
    // How the script is named in the log.
    std::string ScriptName() const;

    // WinHTTP's session for the scripts, made once a run needs it.
    struct Script;

private:
    ProxyRoute ManualRoute(const UrlParts& url) const;
    bool ScriptRoute(const UrlParts& url, ProxyRoute& route);

    ProxySetting setting_;
    ProxyBypass bypass_;
    bool manual_ = false; // a proxy is named for http or https
    bool script_ = false; // a script is set and the system can evaluate it
    bool scriptUnavailable_ = false; // set, but this Windows cannot evaluate it
    Script* scriptState_ = nullptr;
    std::atomic<bool> scriptFailed_{false};
    std::atomic<bool> scriptUsed_{false}; // a script's answer named a proxy
};
