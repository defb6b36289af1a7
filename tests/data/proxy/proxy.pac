// The intranet's proxy script: its own names direct, the web through the proxy.
function FindProxyForURL(url, host) {
    if (isPlainHostName(host) || dnsDomainIs(host, ".corp.vexilo-test.example")) {
        return "DIRECT";
    }
    return "PROXY 127.0.0.5:3128";
}
