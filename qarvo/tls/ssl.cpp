#include "qarvo/tls/ssl.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "qarvo/net/socket.h"
#include "qarvo/thread/critical_section.h"

namespace qarvo {
namespace {

constexpr const char* kLibraryMissing = "OpenSSL DLL is not found!";
// A bounded handshake looks at the deadline and the abort flag at least this often.
constexpr int kHandshakePollMs = 10;

// Process-wide library state: the start count and the one context every session shares.
struct Library {
    C_CriticalSection cs;
    int users = 0;
    bool available = false;  // the last start-up succeeded
    SSL_CTX* context = nullptr;
};

Library& library()
{
    static Library lib;
    return lib;
}

bool startLibrary(int method)
{
    Library& lib = library();
    C_CriticalLock lock(lib.cs);
    if (lib.users > 0) {
        ++lib.users;
        return true;
    }
    if (OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) != 1) {
        lib.available = false;
        return false;
    }
    lib.available = true;
    lib.context = nullptr;
    if (method >= 0 && method <= 3) {
        lib.context = SSL_CTX_new(TLS_client_method());
        if (lib.context) {
            // Reads SSL_CERT_FILE / SSL_CERT_DIR when set, else the system's store.
            SSL_CTX_set_default_verify_paths(lib.context);
            SSL_CTX_set_verify(lib.context, SSL_VERIFY_PEER, nullptr);
            // Many servers close without close_notify; the HTTP layer checks lengths itself.
            SSL_CTX_set_options(lib.context, SSL_OP_IGNORE_UNEXPECTED_EOF);
            SSL_CTX_set_mode(lib.context, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        }
    }
    lib.users = 1;
    return true;
}

void releaseLibrary()
{
    Library& lib = library();
    C_CriticalLock lock(lib.cs);
    if (lib.users <= 0)
        return;
    if (--lib.users == 0) {
        SSL_CTX_free(lib.context);
        lib.context = nullptr;
    }
}

SSL_CTX* sharedContext()
{
    Library& lib = library();
    C_CriticalLock lock(lib.cs);
    if (lib.context)
        SSL_CTX_up_ref(lib.context);
    return lib.context;
}

bool libraryAvailable()
{
    Library& lib = library();
    C_CriticalLock lock(lib.cs);
    return lib.available;
}

}  // namespace

struct C_SSL::Session {
    explicit Session(SSL* s) : ssl(s) {}
    ~Session() { SSL_free(ssl); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    SSL* ssl;
};

C_SSL::C_SSL() = default;

C_SSL::~C_SSL()
{
    Cleanup();
}

int C_SSL::Startup(int method)
{
    if (m_started)
        return 0;
    if (!startLibrary(method)) {
        m_lastError = kLibraryMissing;
        return 0;
    }
    m_started = 1;
    return 1;
}

void C_SSL::SetHostName(const C_String& host)
{
    const int colon = host.IndexOf(':');
    m_host = colon >= 0 ? host.Left(colon) : host;
}

int C_SSL::Attach(platform::socket_t s)
{
    return Attach(s, net::Deadline::None(), nullptr, nullptr);
}

int C_SSL::Attach(const C_Socket& socket)
{
    return Attach(socket.GetHandle());
}

int C_SSL::Attach(platform::socket_t s, const net::Deadline& deadline, const std::function<bool()>& isAbort,
                  int* reason)
{
    if (reason)
        *reason = kReasonFailed;
    if (!m_started) {
        m_lastError = libraryAvailable() ? "SSL is not started" : kLibraryMissing;
        return 0;
    }
    m_session.reset();
    SSL_CTX* context = sharedContext();
    if (!context) {
        m_lastError = "SSL context could not be created";
        return 0;
    }
    ERR_clear_error();
    SSL* ssl = SSL_new(context);
    SSL_CTX_free(context);  // the session holds its own reference
    if (!ssl) {
        captureError("SSL_new failed", SSL_ERROR_SSL);
        return 0;
    }
    m_session = std::make_unique<Session>(ssl);
    if (SSL_set_fd(ssl, static_cast<int>(s)) != 1) {
        captureError("SSL_set_fd failed", SSL_ERROR_SSL);
        return 0;
    }
    SSL_set_verify(ssl, m_verify ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
    if (!m_host.IsEmpty()) {
        uint32_t address;
        if (platform::parseDottedAddress(m_host.c_str(), &address)) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), m_host.c_str());
        } else {
            SSL_set_tlsext_host_name(ssl, m_host.c_str());
            if (m_verify)
                SSL_set1_host(ssl, m_host.c_str());
        }
    }
    for (;;) {
        int sslError = 0;
        if (handshakeStep(&sslError) > 0)
            return 1;
        if (sslError != SSL_ERROR_WANT_READ && sslError != SSL_ERROR_WANT_WRITE) {
            captureError("SSL handshake failed", sslError);
            return 0;
        }
        if (deadline.Passed()) {
            if (reason)
                *reason = kReasonDeadline;
            m_lastError = "SSL handshake timed out";
            return 0;
        }
        if (isAbort && isAbort()) {
            if (reason)
                *reason = kReasonAborted;
            m_lastError = "SSL handshake aborted";
            return 0;
        }
        const int slice = deadline.Slice(kHandshakePollMs);
        if (sslError == SSL_ERROR_WANT_READ)
            platform::socketWaitReadable(s, slice);
        else
            platform::socketWaitWritable(s, slice);
    }
}

int C_SSL::handshakeStep(int* sslError)
{
    ERR_clear_error();
    const int r = SSL_connect(m_session->ssl);
    *sslError = r > 0 ? SSL_ERROR_NONE : SSL_get_error(m_session->ssl, r);
    return r;
}

void C_SSL::captureError(const char* what, int sslError)
{
    C_String text(what);
    const long verify = m_session ? SSL_get_verify_result(m_session->ssl) : X509_V_OK;
    if (m_verify && verify != X509_V_OK) {
        text = C_String::Stringf("%s: certificate verify failed: %s", what, X509_verify_cert_error_string(verify));
    } else if (const unsigned long e = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(e, buffer, sizeof buffer);
        text = C_String::Stringf("%s: %s", what, buffer);
    } else if (sslError == SSL_ERROR_SYSCALL || sslError == SSL_ERROR_ZERO_RETURN) {
        text = C_String::Stringf("%s: the connection was closed by the peer", what);
    } else {
        text = C_String::Stringf("%s (SSL error %d)", what, sslError);
    }
    ERR_clear_error();
    m_lastError = text;
}

// SSL_ERROR_SYSCALL says "see the system error": it is cleared before the call and taken
// right after it, so that a stale code from an earlier call cannot turn a close into a
// failure or a failure into a close.
int C_SSL::Write(const void* data, int size)
{
    if (!m_session || !data || size <= 0)
        return m_session && size == 0 ? 0 : -1;
    ERR_clear_error();
    platform::socketClearLastError();
    const int r = SSL_write(m_session->ssl, data, size);
    m_lastSystemError = r > 0 ? 0 : platform::socketLastErrorCode();
    return r;
}

int C_SSL::Read(void* data, int size)
{
    if (!m_session || !data || size <= 0)
        return -1;
    ERR_clear_error();
    platform::socketClearLastError();
    const int r = SSL_read(m_session->ssl, data, size);
    m_lastSystemError = r > 0 ? 0 : platform::socketLastErrorCode();
    return r;
}

C_SSL::IoState C_SSL::GetIoState(int result) const
{
    if (result > 0)
        return kIoDone;
    if (!m_session)
        return kIoFailed;
    switch (SSL_get_error(m_session->ssl, result)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        return kIoWouldBlock;
    case SSL_ERROR_ZERO_RETURN:
        return kIoClosed;
    case SSL_ERROR_SYSCALL:
        return m_lastSystemError == 0 ? kIoClosed : kIoFailed;
    default:
        return kIoFailed;
    }
}

int C_SSL::Pending() const
{
    return m_session ? SSL_pending(m_session->ssl) : 0;
}

void C_SSL::Close()
{
    if (!m_session)
        return;
    ERR_clear_error();
    SSL_shutdown(m_session->ssl);
    ERR_clear_error();
    m_session.reset();
}

void C_SSL::Cleanup()
{
    if (!m_started)
        return;
    m_started = 0;
    m_session.reset();
    releaseLibrary();
}

C_String C_SSL::GetLastErrorString()
{
    if (!m_lastError.IsEmpty())
        return m_lastError;
    if (!libraryAvailable() && !m_started)
        return C_String(kLibraryMissing);
    char buffer[256] = {};
    if (const unsigned long e = ERR_get_error())
        ERR_error_string_n(e, buffer, sizeof buffer);
    return C_String(buffer);
}

int C_SSL::GetStartedCount()
{
    Library& lib = library();
    C_CriticalLock lock(lib.cs);
    return lib.users;
}

}  // namespace qarvo
