#pragma once
// C_SSL: client-side TLS over an already connected socket. The certificate chain is verified
// against the system's trust store (SSL_CERT_FILE / SSL_CERT_DIR override it, as OpenSSL
// reads them) and the certificate must name the host given with SetHostName.
//
// One object serves one connection on one thread; the library state behind all objects is
// started by the first Startup and released by the last Cleanup.

#include <functional>
#include <memory>

#include "qarvo/net/deadline.h"
#include "qarvo/platform/socket.h"
#include "qarvo/text/string.h"

namespace qarvo {

class C_Socket;

class C_SSL {
public:
    // Why a bounded handshake gave up.
    enum AttachReason { kReasonFailed = 0, kReasonDeadline = 1, kReasonAborted = 2 };
    // What a failed Read or Write means (GetIoState).
    enum IoState { kIoDone = 0, kIoWouldBlock = 1, kIoClosed = 2, kIoFailed = 3 };

    C_SSL();
    ~C_SSL();
    C_SSL(const C_SSL&) = delete;
    C_SSL& operator=(const C_SSL&) = delete;

    // Method 0 negotiates the best protocol both sides know; 1..3 (the old fixed protocols)
    // are served by the same negotiation, since the library no longer offers them; other
    // values leave the shared context unmade so that Attach fails. 1 when this object was
    // started now; 0 when it already was or the library could not start.
    int Startup(int method = 0);
    int IsStarted() const { return m_started; }

    // The name (or IPv4 address) the certificate must carry; also sent as SNI. A ":port"
    // suffix is ignored. Without a host name only the chain is checked.
    void SetHostName(const C_String& host);
    // Verification is on by default; turning it off is for callers that pin trust elsewhere.
    void SetVerifyPeer(bool verify) { m_verify = verify; }

    // Handshake on a blocking socket: 1 on success.
    int Attach(platform::socket_t s);
    int Attach(const C_Socket& socket);
    // Handshake on a non-blocking socket, bounded by `deadline` and polled for `isAbort`;
    // `reason` (when given) receives an AttachReason on failure.
    int Attach(platform::socket_t s, const net::Deadline& deadline, const std::function<bool()>& isAbort,
               int* reason);

    // OpenSSL's results: > 0 bytes; <= 0 see GetIoState.
    int Write(const void* data, int size);
    int Read(void* data, int size);
    IoState GetIoState(int result) const;
    // Bytes already decrypted and waiting (a socket wait would not see them).
    int Pending() const;

    // Non-zero while a session is attached.
    int IsStartup() const { return m_session != nullptr; }
    // Ends the session (close_notify); the object stays started.
    void Close();
    // Frees the session without a shutdown and releases this object's start.
    void Cleanup();

    // Why the last operation failed: the verification result, the library's error text, or
    // "OpenSSL DLL is not found!" when the library could not be started.
    C_String GetLastErrorString();

    // Objects started in the process (for tests).
    static int GetStartedCount();

private:
    struct Session;
    int handshakeStep(int* sslError);
    void captureError(const char* what, int sslError);

    std::unique_ptr<Session> m_session;
    int m_started = 0;
    int m_lastSystemError = 0;  // the system error right after the last Read or Write
    bool m_verify = true;
    C_String m_host;
    C_String m_lastError;
};

}  // namespace qarvo
