// SChannel through its function table, and crypt32's chain functions, both looked up at run
// time: the program still starts on a Windows that has neither.
#include "probe/TlsSession.h"

#include "framework/Handles.h"
#include "probe/Target.h"
#include "text/TextRoutines.h"

// The newer credentials (SCH_CREDENTIALS) are declared only with this, and need UNICODE_STRING.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstring>

namespace {

using GetChainFn = BOOL(WINAPI*)(HCERTCHAINENGINE, PCCERT_CONTEXT, LPFILETIME, HCERTSTORE,
                                 PCERT_CHAIN_PARA, DWORD, LPVOID, PCCERT_CHAIN_CONTEXT*);
using VerifyPolicyFn = BOOL(WINAPI*)(LPCSTR, PCCERT_CHAIN_CONTEXT, PCERT_CHAIN_POLICY_PARA,
                                     PCERT_CHAIN_POLICY_STATUS);
using FreeChainFn = VOID(WINAPI*)(PCCERT_CHAIN_CONTEXT);
using FreeCertFn = BOOL(WINAPI*)(PCCERT_CONTEXT);

struct TlsLibrary {
    PSecurityFunctionTableA sspi = nullptr;
    GetChainFn getChain = nullptr;
    VerifyPolicyFn verifyPolicy = nullptr;
    FreeChainFn freeChain = nullptr;
    FreeCertFn freeCert = nullptr;
    bool loaded = false;
};

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

TlsLibrary Load() {
    TlsLibrary library;
    HMODULE security = nullptr;
    for (const char* name : tlsModules) {
        if (!security) {
            security = LoadLibraryA(name);
        }
    }
    if (auto init = Lookup<INIT_SECURITY_INTERFACE_A>(security, "InitSecurityInterfaceA")) {
        library.sspi = init();
    }
    HMODULE crypt = LoadLibraryA("crypt32.dll");
    library.getChain = Lookup<GetChainFn>(crypt, "CertGetCertificateChain");
    library.verifyPolicy = Lookup<VerifyPolicyFn>(crypt, "CertVerifyCertificateChainPolicy");
    library.freeChain = Lookup<FreeChainFn>(crypt, "CertFreeCertificateChain");
    library.freeCert = Lookup<FreeCertFn>(crypt, "CertFreeCertificateContext");
    library.loaded = library.sspi && library.sspi->AcquireCredentialsHandleA &&
                     library.sspi->InitializeSecurityContextA && library.sspi->EncryptMessage &&
                     library.sspi->DecryptMessage && library.getChain && library.verifyPolicy &&
                     library.freeChain && library.freeCert;
    return library;
}

const TlsLibrary& Library() {
    static const TlsLibrary library = Load();
    return library;
}

// Wine's SChannel keeps its handles in one table without a lock: probes that open or close
// sessions at the same moment can be given the same handle, or bring the program down (sixteen
// threads that open and close credentials crash it within a second under Wine 8). So SChannel
// is called by one probe at a time; its calls only compute, the records travel through our own
// socket calls outside the lock.
CRITICAL_SECTION& SspiLock() {
    static CRITICAL_SECTION* const lock = NewProcessLock();
    return *lock;
}

constexpr DWORD kRequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

// Room for the largest record (16 KB of data, its header and trailer) and the start of another.
constexpr size_t kRecordRoom = 40 * 1024;

// The chain to a trusted root, its dates, and the host name, as a browser would check them.
TlsResult CheckCertificate(const TlsLibrary& tls, PCCERT_CONTEXT certificate, const char* host) {
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!tls.getChain(nullptr, certificate, nullptr, certificate->hCertStore, &para, 0, nullptr,
                      &chain) ||
        !chain) {
        return TlsResult::kUntrusted;
    }
    // The chain's own status as well as the policy's: a chain that ends short of any root
    // passes Wine's policy check.
    const DWORD errors = chain->TrustStatus.dwErrorStatus;
    TlsResult result = TlsResult::kOk;
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID) {
        result = TlsResult::kExpired;
    } else if (errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                         CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_REVOKED |
                         CERT_TRUST_IS_CYCLIC | CERT_TRUST_IS_NOT_VALID_FOR_USAGE)) {
        result = TlsResult::kUntrusted;
    } else {
        wchar_t name[kTargetPartSize];
        if (!MultiByteToWideChar(CP_ACP, 0, host, -1, name, kTargetPartSize)) {
            name[0] = L'\0';
        }
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = name;
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS status{};
        status.cbSize = sizeof status;
        if (!tls.verifyPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
            result = TlsResult::kUntrusted;
        } else if (status.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) {
            result = TlsResult::kOtherName;
        } else if (status.dwError == static_cast<DWORD>(CERT_E_EXPIRED)) {
            result = TlsResult::kExpired;
        } else if (status.dwError != 0) {
            result = TlsResult::kUntrusted;
        }
    }
    tls.freeChain(chain);
    return result;
}

// False when the bytes cannot begin a TLS record: a type SChannel knows (change_cipher_spec,
// alert, handshake, application data), version 3.x, and no more than 2^14 + 2048 bytes. Wine's
// SChannel takes any five bytes for a record's header and waits for as many bytes as they say:
// a server that speaks no TLS would hold the probe until its time-out.
bool MayBeRecord(const char* bytes, size_t count) {
    const auto at = [bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    return (count < 1 || (at(0) >= 20 && at(0) <= 23)) && (count < 2 || at(1) == 3) &&
           (count < 5 || ((at(3) << 8) | at(4)) <= 16384 + 2048);
}

TlsResult FromWait(Waited waited) {
    return waited == Waited::kTimedOut  ? TlsResult::kTimedOut
           : waited == Waited::kStopped ? TlsResult::kStopped
                                        : TlsResult::kFailed;
}

} // namespace

const char* tlsModules[2] = {"secur32.dll", "security.dll"};

bool TlsAvailable() {
    return Library().loaded;
}

TlsSession::~TlsSession() {
    const TlsLibrary& tls = Library();
    const Locked turn(SspiLock());
    if (haveContext_) {
        tls.sspi->DeleteSecurityContext(&context_);
    }
    if (haveCredentials_) {
        tls.sspi->FreeCredentialsHandle(&credentials_);
    }
}

Waited TlsSession::ReadMore(DWORD& since, int& got) {
    got = 0;
    if (used_ >= in_.size()) {
        got = -1; // a record larger than any TLS allows
        return Waited::kReady;
    }
    const Waited waited = WaitSocket(socket_, false, since);
    if (waited != Waited::kReady) {
        return waited;
    }
    got = recv(socket_, in_.data() + used_, static_cast<int>(in_.size() - used_), 0);
    if (got > 0) {
        used_ += static_cast<size_t>(got);
        since = GetTickCount();
    }
    return Waited::kReady;
}

// What SChannel did not take of the input stays for the next call. (Wine gives only the count of
// such bytes, not where they are: they are the last of the input.)
void TlsSession::KeepExtra(const SecBuffer* buffers, int count) {
    size_t extra = 0;
    for (int i = 0; i < count; ++i) {
        if (buffers[i].BufferType == SECBUFFER_EXTRA) {
            extra = buffers[i].cbBuffer;
        }
    }
    if (extra > used_) {
        extra = used_;
    }
    std::memmove(in_.data(), in_.data() + used_ - extra, extra);
    used_ = extra;
}

// TLS 1.3 is offered only through the newer credentials (Windows 11, Server 2022), which leave
// the protocols to the system; a system that does not know them refuses them, and is asked the
// older way: TLS 1.2 asked for by name, where a system has it but keeps it off (Windows 7), and
// last the system's own choice.
bool TlsSession::AcquireCredentials() {
    const TlsLibrary& tls = Library();
    TimeStamp expiry;
    char package[] = UNISP_NAME_A;
    const auto acquire = [&](void* asked) {
        const Locked turn(SspiLock());
        return tls.sspi->AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr,
                                                   asked, nullptr, nullptr, &credentials_, &expiry);
    };
    SCH_CREDENTIALS modern{};
    modern.dwVersion = SCH_CREDENTIALS_VERSION;
    modern.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    SECURITY_STATUS status = acquire(&modern);
    SCHANNEL_CRED request{};
    request.dwVersion = SCHANNEL_CRED_VERSION;
    request.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    request.grbitEnabledProtocols =
        SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT | SP_PROT_TLS1_2_CLIENT;
    if (status != SEC_E_OK) {
        status = acquire(&request);
    }
    if (status != SEC_E_OK) {
        request.grbitEnabledProtocols = 0;
        status = acquire(&request);
    }
    haveCredentials_ = status == SEC_E_OK;
    return haveCredentials_;
}

// The handshake's turns: each token SChannel makes is sent, each answer of the server read in,
// until the context is made.
TlsResult TlsSession::Handshake(const char* host, DWORD& since) {
    const TlsLibrary& tls = Library();
    TimeStamp expiry;
    char target[kTargetPartSize];
    CopyText(target, sizeof target, host); // the server name the server is asked for (SNI)
    for (bool first = true;; first = false) {
        if (!MayBeRecord(in_.data(), used_)) {
            return TlsResult::kFailed;
        }
        SecBuffer input[2] = {{static_cast<ULONG>(used_), SECBUFFER_TOKEN, in_.data()},
                              {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
        SecBuffer output{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &output};
        ULONG attributes = 0;
        SECURITY_STATUS status;
        {
            const Locked turn(SspiLock());
            status = tls.sspi->InitializeSecurityContextA(
                &credentials_, first ? nullptr : &context_, target, kRequestFlags, 0, 0,
                first ? nullptr : &inputDesc, 0, &context_, &outputDesc, &attributes, &expiry);
        }
        if (first) {
            haveContext_ = status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK;
        }
        if (output.pvBuffer) {
            const bool sent = output.cbBuffer == 0 ||
                              SendAll(socket_, static_cast<const char*>(output.pvBuffer),
                                      output.cbBuffer);
            const Locked turn(SspiLock());
            tls.sspi->FreeContextBuffer(output.pvBuffer);
            if (!sent) {
                return TlsResult::kFailed;
            }
        }
        if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
            if (!first) {
                KeepExtra(input, 2);
            }
            if (status == SEC_E_OK) {
                return TlsResult::kOk;
            }
            if (used_ > 0) {
                continue;
            }
        } else if (status != SEC_E_INCOMPLETE_MESSAGE) {
            return status == SEC_E_ALGORITHM_MISMATCH || status == SEC_E_UNSUPPORTED_FUNCTION
                       ? TlsResult::kNoTls
                       : TlsResult::kFailed;
        }
        int got = 0;
        const Waited waited = ReadMore(since, got);
        if (waited != Waited::kReady) {
            return FromWait(waited);
        }
        if (got <= 0) {
            return TlsResult::kFailed; // the server closed in the middle of the handshake
        }
    }
}

TlsResult TlsSession::Start(const char* host, DWORD& since) {
    const TlsLibrary& tls = Library();
    if (!tls.loaded || !AcquireCredentials()) {
        return TlsResult::kNoTls;
    }
    in_.resize(kRecordRoom);
    used_ = 0;
    const TlsResult shaken = Handshake(host, since);
    if (shaken != TlsResult::kOk) {
        return shaken;
    }
    PCCERT_CONTEXT certificate = nullptr;
    {
        const Locked turn(SspiLock());
        if (tls.sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) !=
            SEC_E_OK) {
            return TlsResult::kFailed;
        }
        if (tls.sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                              &certificate) != SEC_E_OK) {
            certificate = nullptr;
        }
    }
    if (!certificate) {
        return TlsResult::kUntrusted;
    }
    const TlsResult checked = CheckCertificate(tls, certificate, host);
    tls.freeCert(certificate);
    return checked;
}

bool TlsSession::Send(const char* data, size_t length) {
    const TlsLibrary& tls = Library();
    std::vector<char> message(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
    while (length > 0) {
        const size_t part = length < sizes_.cbMaximumMessage ? length : sizes_.cbMaximumMessage;
        std::memcpy(message.data() + sizes_.cbHeader, data, part);
        SecBuffer buffers[4] = {
            {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, message.data()},
            {static_cast<ULONG>(part), SECBUFFER_DATA, message.data() + sizes_.cbHeader},
            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, message.data() + sizes_.cbHeader + part},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status;
        {
            const Locked turn(SspiLock());
            status = tls.sspi->EncryptMessage(&context_, 0, &desc, 0);
        }
        if (status != SEC_E_OK ||
            !SendAll(socket_, message.data(),
                     buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer)) {
            return false;
        }
        data += part;
        length -= part;
    }
    return true;
}

// A block holds all the page that has arrived, as far as it fits, as a plain receive gives it:
// every whole record received is decrypted before any of it is handed on, so that a page sent
// in records of a few bytes still has its head whole in the first block.
Waited TlsSession::Receive(char* buffer, int size, int& got, DWORD& since) {
    const TlsLibrary& tls = Library();
    for (;;) {
        while (!ended_ && !broken_ && used_ > 0 &&
               plain_.size() - plainAt_ < static_cast<size_t>(size)) {
            if (!MayBeRecord(in_.data(), used_)) {
                broken_ = true;
                break;
            }
            SecBuffer buffers[4] = {{static_cast<ULONG>(used_), SECBUFFER_DATA, in_.data()},
                                    {0, SECBUFFER_EMPTY, nullptr},
                                    {0, SECBUFFER_EMPTY, nullptr},
                                    {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            SECURITY_STATUS status;
            {
                const Locked turn(SspiLock());
                status = tls.sspi->DecryptMessage(&context_, &desc, 0, nullptr);
            }
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                break;
            }
            if (status != SEC_E_OK && status != SEC_I_CONTEXT_EXPIRED) {
                // A broken record, or a renegotiation this probe does not take part in (Wine
                // would wait in it until the server gives up).
                broken_ = true;
                break;
            }
            // The page bytes lie inside the input: taken before the rest moves up.
            plain_.erase(plain_.begin(), plain_.begin() + static_cast<std::ptrdiff_t>(plainAt_));
            plainAt_ = 0;
            for (const SecBuffer& b : buffers) {
                if (b.BufferType == SECBUFFER_DATA && b.pvBuffer) {
                    const char* bytes = static_cast<const char*>(b.pvBuffer);
                    plain_.insert(plain_.end(), bytes, bytes + b.cbBuffer);
                }
            }
            KeepExtra(buffers, 4);
            ended_ = status == SEC_I_CONTEXT_EXPIRED; // the server's close_notify
        }
        if (plainAt_ < plain_.size()) {
            const size_t left = plain_.size() - plainAt_;
            const size_t part = left < static_cast<size_t>(size) ? left : static_cast<size_t>(size);
            std::memcpy(buffer, plain_.data() + plainAt_, part);
            plainAt_ += part;
            got = static_cast<int>(part);
            return Waited::kReady;
        }
        if (broken_ || ended_) {
            got = broken_ ? -1 : 0;
            return Waited::kReady;
        }
        int read = 0;
        const Waited waited = ReadMore(since, read);
        if (waited != Waited::kReady) {
            return waited;
        }
        if (read <= 0) {
            // Closed: the end, unless a record was cut off.
            got = read < 0 || used_ > 0 ? -1 : 0;
            return Waited::kReady;
        }
    }
}
