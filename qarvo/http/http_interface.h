#pragma once
// I_Http: everything the HTTP clients share. The request settings and their setters, the
// builders of the header block and the bodies, the answer's state and its accessors, and the
// exchange itself (connect, send, receive, completion), which C_HttpAsync runs on its worker
// thread and C_Http on the caller's.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qarvo/http/http_type.h"
#include "qarvo/http/reader_stream.h"
#include "qarvo/http/response_body.h"
#include "qarvo/net/byte_stream.h"
#include "qarvo/net/deadline.h"
#include "qarvo/net/socket_handle.h"
#include "qarvo/text/memory.h"
#include "qarvo/tls/ssl.h"

namespace qarvo {

namespace http {
class ResponseReceiver;
}

class I_Http : public I_HttpType {
public:
    using READER_STREAM = http::StreamBuffer;

    static constexpr int kDefaultBufferSize = 1024000;
    static constexpr int kMinBufferSize = 30720;
    static constexpr int kDefaultProxyTimeOut = 20000;

    explicit I_Http(const char* userAgent);
    ~I_Http() override;

    // --- request settings: 1 accepted, 0 refused ---
    int SetRequestMethod(int method);
    int GetRequestMethod() const { return m_method; }
    int SetHTTPVersion(int version);
    C_String GetHTTPVersion() const;
    int GetHTTPVersionNumber() const { return m_version; }
    // 0 "close", 1 "keep-alive" (HTTP/1.1 only), 2 no Connection line.
    int SetConnection(int mode);
    int GetConnection() const { return m_connection; }
    // 0 none, 1 "ja", 2 "en", 3 "en-us".
    int SetAcceptLanguage(int language);
    int GetAcceptLanguage() const { return m_acceptLanguage; }
    // Bit flags: 1 deflate, 2 gzip. Also forgets the last answer's Content-Encoding.
    int SetAcceptEncoding(int flags);
    int GetAcceptEncoding() const { return m_acceptEncoding; }
    int SetUserAgent(const char* agent);
    const C_String& GetUserAgent() const { return m_userAgent; }
    void SetReferer(const char* referer);
    const C_String& GetReferer() const { return m_referer; }
    // The port used when the address names none (an explicit port in the address wins).
    int SetPortNumber(int port);
    int GetPortNumber() const { return m_port; }
    // first >= 0, and last < 0 (to the end) or last >= first. A range from 0 sends no line.
    int SetRange(int64_t first, int64_t last);
    int64_t GetRangeFirst() const { return m_rangeFirst; }
    int64_t GetRangeLast() const { return m_rangeLast; }
    // Kind 0 form, 1 multipart, 2 no type, 3 the text as type. The text is kept (null clears
    // it) even when the kind is refused.
    int SetContentType(int kind, const char* text);
    int GetContentType() const { return m_contentKind; }
    // Returns the previous value.
    bool EnableURLEncodeBody(bool encode);
    // Adds or (same name, any case) replaces a header line; "_" in the name is sent as "-".
    // The lines the object writes itself cannot be set.
    int SetRequestProperty(const char* name, const char* value);
    const std::vector<std::pair<C_String, C_String>>& GetRequestProperties() const { return m_properties; }

    // --- bodies ---
    int AddBody(const char* name, const char* value);
    int AddBody(const char* name, int value);
    int AddBody(int name, const char* value);
    int AddBody(int name, int value);
    // The free body text (replaces the previous one).
    virtual int AddBody(const char* text);
    void DeleteBody();
    virtual int SetBodyinMemory(const void* data, int size);
    virtual int SetBodyinFile(const char* path);
    // A file part of a multipart body; the type comes from the extension when not given.
    int SetAttachFile(const char* name, const char* path, const char* type = nullptr);
    // Mode 1 answers a 401 Basic challenge, mode 2 sends the credentials at once; refused
    // while connected and for mode 2 with a non-zero flag.
    int SetAuthorize(int mode, const char* user, const char* password, int flag = 0);
    void SetCheckLength(bool check) { m_checkLength = check; }
    bool GetCheckLength() const { return m_checkLength; }
    // At least 30720 bytes. Header and body of one answer may use all but 10240 of them.
    int SetHTTPBufferSize(int size);
    int GetHTTPBufferSize() const { return m_bufferSize; }
    int SetProxy(const char* host, int port, bool use);
    int SetProxyMode(bool use);
    void SetProxyTimeOut(int ms) { m_proxyTimeOut = ms; }
    int GetProxyTimeOut() const { return m_proxyTimeOut; }
    const PROXY& GetProxy() const { return m_proxy; }
    // A negative value means no limit (-1).
    void SetTimeOut(const int& ms) { m_timeOut = ms < 0 ? -1 : ms; }
    int GetTimeOut() const { return m_timeOut; }
    // Reader-stream mode: body bytes are handed out through ReaderStream as they arrive.
    virtual int SetReaderStream(bool on);
    bool IsReaderStream() const { return m_streamMode; }

    // --- builders ---
    C_String GetBody() const;
    // The multipart boundary, made on first need so that it occurs in no part.
    C_String GetBoundary();
    int64_t GetBodySize(const C_String& boundary) const;
    // The fixed first lines of the header block into *out; their length.
    int SetDefaultHeader(C_String* out) const;
    // The whole request: header block, blank line and body.
    std::string BuildRequest();

    // --- the answer ---
    // The value of the first header line (status line included) starting with `name` (a
    // colon is added when missing), in any case; null when none. Valid until the next
    // exchange or Close.
    const char* GetHeaderField(const char* name) const;
    C_ArrayString GetCookie() const;
    const C_ArrayString& GetHeaders() const { return m_status.headers; }
    const C_String& GetStatusCode() const { return m_status.statusCode; }
    const C_String& GetDate() const { return m_status.date; }
    const C_String& GetServer() const { return m_status.server; }
    const C_String& GetType() const { return m_status.contentType; }
    const C_String& GetEncoding() const { return m_status.contentEncoding; }
    const C_String& GetLastModified() const { return m_status.lastModified; }
    const C_String& GetETag() const { return m_status.etag; }
    // Content-Length, 0 when none was announced.
    int64_t GetLength() const { return m_status.contentLength < 0 ? 0 : m_status.contentLength; }
    const C_String& GetURL() const { return m_url; }
    const C_String& GetURI() const { return m_uri; }
    const C_String& GetHost() const { return m_host; }
    int64_t GetResponseSize() const { return static_cast<int64_t>(m_body.Size()); }
    // Copies the body when it fits; the size copied, else 0. Nothing is terminated.
    int GetResponse(char* dest, const int& capacity) const;
    // Grows `dest` when needed and copies the body; its size.
    int GetResponse(C_Memory* dest) const;
    const char* GetResponseData() const { return m_body.Data(); }
    // Moves the body into `dest` without copying it, with a NUL after it (dest's size is the
    // body's plus one); the object keeps no body then. The body's size, or -1 when the memory
    // for the terminator cannot be had (the body is lost then, dest is left empty).
    int64_t TakeResponse(C_Memory* dest);
    C_String GetResponseString() const;
    // Body bytes received in this exchange (delivered, in reader-stream mode).
    int64_t GetDownloadSize() const { return m_downloadSize.load(std::memory_order_relaxed); }
    int GetAveDownloadSpeed() const { return m_speedAverage.load(std::memory_order_relaxed); }
    int64_t GetTotalAveDownloadSpeed() const;

    // --- the object's life ---
    // Checks and splits the address and creates a non-blocking socket; nothing is connected
    // yet. 1 on success (state 0, command status 3). 0 with state 2 when a socket is already
    // open, 1 for a bad address, 3, 4 or 17 when the socket cannot be made, 19 when an abort
    // is already raised.
    int Open(const char* url, int timeOutMs);
    // 0 running, 1 aborted, 2 timed out, 3 success, 4 disconnected (data kept), 5 failed.
    int GetLastCommandStat() const { return m_commandStat.load(std::memory_order_acquire); }
    bool IsLastCommandSuccess() const { return GetLastCommandStat() == kSuccess; }
    C_WString GetLastState() const { return General_GetLastState(); }
    int GetLastStateCode() const { return General_GetLastStateCode(); }
    // A disconnected exchange, or an aborted / timed-out one that announced a length and
    // received some of it.
    bool IsResumeAble() const;

    // --- abort ---
    // Ties the object to an outside stop flag (null unties it); the flag is only read.
    void AbortObject(const std::atomic<int>* flag) { m_outsideStop.store(flag); }
    void AbortObject(const std::atomic<bool>* flag) { m_outsideStopBool.store(flag); }
    bool IsAbort() const;

protected:
    // --- the exchange, on whichever thread runs it ---
    // Connect phase (when asked), send, receive, completion, and one Basic-challenge retry.
    // Returns the command status of the result (1..5).
    int RunExchange(bool connect);
    // Whether the answer's transfer and content codings are undone (C_Http leaves them).
    virtual bool DecodesCodings() const { return true; }

    // Opens a fresh non-blocking socket for the stored target. 0 with a state code on failure.
    int OpenSocket();
    void CloseSocket();
    void ResetSettings();
    void ResetResponse();
    // The part of Close both clients share (the worker, if any, has ended).
    void CloseCommon();

    std::atomic<int> m_commandStat{kSuccess};

    // The request target and connection.
    C_String m_url, m_host, m_uri;
    bool m_tls = false;
    net::UniqueSocket m_socket;
    C_SSL m_ssl;
    bool m_connectedOnce = false;
    int64_t m_resumeOffset = 0;
    std::atomic<bool> m_abort{false};

    tag_HttpStatus m_status;
    http::ResponseBody m_body;
    std::atomic<int64_t> m_downloadSize{0};
    int64_t m_headerLength = 0;
    bool m_streamMode = false;
    std::unique_ptr<READER_STREAM> m_stream;

    // Speed figures, read by the owner while the worker writes them.
    std::atomic<int> m_speedAverage{0};
    std::atomic<int> m_speedSeconds{0};
    int64_t m_speedTotal = 0;
    int m_speedSamples = 0;
    int64_t m_speedPending = 0;
    uint32_t m_speedTick = 0;

    // Settings.
    int m_method = kGet;
    int m_version = 0;
    int m_connection = 0;
    int m_acceptLanguage = 1;
    int m_acceptEncoding = 3;
    C_String m_userAgent;
    const char* m_defaultAgent;
    C_String m_referer;
    int m_port = 80;
    int64_t m_rangeFirst = 0;
    int64_t m_rangeLast = -1;
    int m_contentKind = kForm;
    C_String m_contentText;
    bool m_urlEncodeBody = true;
    std::vector<std::pair<C_String, C_String>> m_properties;
    std::vector<BODY> m_bodies;
    C_String m_bodyText;
    std::string m_rawBody;
    std::vector<ATTACH> m_attachments;
    C_String m_boundary;
    AUTHORIZE m_auth;
    bool m_checkLength = false;
    int m_bufferSize = kDefaultBufferSize;
    PROXY m_proxy;
    int m_proxyTimeOut = kDefaultProxyTimeOut;
    int m_timeOut = -1;

private:
    int exchangeOnce(bool connect, bool* challenged);
    int connectPhase(const net::Deadline& deadline);
    int sendRequest(net::I_ByteStream& stream, const std::string& request, const net::Deadline& deadline);
    int receiveAndComplete(net::I_ByteStream& stream, const net::Deadline& deadline, bool* retryChallenge);
    // The steps of the completion: a failure's state, the body kept, the rules of a whole answer
    // and the decoding of its content coding.
    int failedWith(const http::ResponseReceiver& receiver);
    bool keepBody(http::ResponseReceiver& receiver);
    int completeAnswer(const http::ResponseReceiver& receiver, bool endedComplete, bool* challenged);
    bool decodeContent();
    void countProgress(size_t bytes);
    std::function<bool()> abortTest() const;

    std::atomic<const std::atomic<int>*> m_outsideStop{nullptr};
    std::atomic<const std::atomic<bool>*> m_outsideStopBool{nullptr};
};

}  // namespace qarvo
