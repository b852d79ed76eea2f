#include "engine/service/comment_api.h"


#include "engine/pelmora2.h"
#include "engine/service/nvcomment_markers.h"
#include "qarvo/escape/url.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {

using namespace pelmora::nvnames;

namespace {

// A wait of seconds looks at the stop flags this often.
constexpr int kRateLimitPollMillis = 10;

std::vector<std::pair<qarvo::C_String, qarvo::C_String>> headerLines(const HeaderLine* lines, size_t count)
{
    std::vector<std::pair<qarvo::C_String, qarvo::C_String>> out;
    for (size_t i = 0; i < count; ++i)
        out.emplace_back(qarvo::C_String(lines[i].name), qarvo::C_String(lines[i].value));
    return out;
}

std::string_view answerText(const qarvo::C_Memory& answer)
{
    const char* data = answer.GetChars();
    if (!data)
        return {};
    // The exchange adds a terminating NUL after the body.
    const size_t size = answer.GetSize() > 0 ? static_cast<size_t>(answer.GetSize()) - 1 : 0;
    return std::string_view(data, size);
}

std::string threadsAddress(const std::string& server)
{
    std::string base = server;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + kThreadsPath;
}

}  // namespace

int retryAfterSeconds(const qarvo::C_String& value)
{
    const std::string& text = value.std();
    if (text.empty() || text.size() > 9)
        return kRateLimitDefaultSeconds;
    int seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return kRateLimitDefaultSeconds;  // an HTTP date: not worth a clock of its own
        seconds = seconds * 10 + (c - '0');
    }
    return seconds > kRateLimitMaxSeconds ? kRateLimitMaxSeconds : seconds;
}

CommentApi::CommentApi(const StopSignal& stop, const nvcomment::WatchData& data, const qarvo::C_String& cookie,
                       std::string videoId)
    : m_stop(stop), m_data(data), m_cookie(cookie), m_videoId(std::move(videoId)), m_threadKey(data.threadKey),
      m_document(static_cast<size_t>(kMaxAnswerBytes))
{
    // When it cannot start, each exchange reports why itself.
    m_tlsLibrary.Startup(0);
}

int CommentApi::fail(int code, const std::string& text)
{
    m_state = qarvo::C_String(m_stop.requested() ? std::string() : text);
    return m_stop.requested() ? PELMORA_RESULT_STOPPED : code;
}

bool CommentApi::waitOut(int seconds) const
{
    const uint32_t start = qarvo_time_millis();
    const uint32_t limit = static_cast<uint32_t>(seconds) * 1000u;
    while (qarvo_time_millis() - start < limit) {
        if (m_stop.requested())
            return false;
        qarvo_sleep_millis(kRateLimitPollMillis);
    }
    return !m_stop.requested();
}

int CommentApi::RequestThreads(const std::vector<size_t>& targets, std::optional<int64_t> when,
                               nvcomment::ThreadsAnswer& answer)
{
    bool renewed = false;
    int waits = 0;
    for (;;) {
        if (m_stop.requested())
            return PELMORA_RESULT_STOPPED;
        const qarvo::C_String body(threadsRequestBody(m_data, targets, m_threadKey, when));
        qarvo::C_Memory bytes;
        qarvo::C_String status, retryAfter, failure;
        InterfaceRequest request;
        request.stop = m_stop;
        request.address = qarvo::C_String(threadsAddress(m_data.server));
        request.method = kFetchPost;
        request.headers = headerLines(kThreadsHeaders, std::size(kThreadsHeaders));
        request.body = &body;
        request.contentType = kThreadsContentType;
        request.answer = &bytes;
        request.status = &status;
        request.wantedHeader = kRetryAfterHeader;
        request.headerValue = &retryAfter;
        request.failure = &failure;
        request.connection = &m_connection;
        if (!fetchInterface(request))
            return fail(PELMORA_RESULT_REQUEST_FAILED, "コメントサーバーに届きません: " + failure.std());

        std::string error;
        if (!parseThreadsAnswer(m_document, answerText(bytes), answer, error))
            return fail(PELMORA_RESULT_REQUEST_FAILED, error);
        if (answer.status == kStatusOk)
            return PELMORA_RESULT_SUCCESS;

        if (answer.errorCode == kExpiredToken && !renewed) {
            renewed = true;
            const int code = renewKey();
            if (code != PELMORA_RESULT_SUCCESS)
                return code;
            continue;
        }
        if (answer.errorCode == kTooManyRequests && waits < kRateLimitMaxWaits) {
            ++waits;
            if (!waitOut(retryAfterSeconds(retryAfter)))
                return PELMORA_RESULT_STOPPED;
            continue;
        }
        if (answer.errorCode == kInvalidToken)
            return fail(PELMORA_RESULT_NO_MESSAGE_SERVER,
                        "スレッドキーが受け付けられませんでした (" + answer.errorCode +
                            ")。ログインしていないか、キーが正しくありません");
        if (answer.errorCode == kExpiredToken)
            return fail(PELMORA_RESULT_REQUEST_FAILED, "新しいスレッドキーもすぐに期限切れになりました (" +
                                                           answer.errorCode + ")");
        return fail(PELMORA_RESULT_REQUEST_FAILED, "コメントサーバーが失敗を答えました (status " +
                                                       std::to_string(answer.status) + " " + answer.errorCode + ")");
    }
}

int CommentApi::renewKey()
{
    const qarvo::C_String address = qarvo::C_String::Stringf(
        "https://%s%s%s", kKeyHost, kKeyPath,
        qarvo::common::System::_url_encode_a(qarvo::C_String(m_videoId), 1).c_str());
    qarvo::C_Memory bytes;
    qarvo::C_String status, failure;
    InterfaceRequest request;
    request.stop = m_stop;
    request.address = address;
    request.method = kFetchGet;
    request.cookie = &m_cookie;
    request.headers = headerLines(kKeyHeaders, std::size(kKeyHeaders));
    request.answer = &bytes;
    request.status = &status;
    request.failure = &failure;
    if (!fetchInterface(request))
        return fail(PELMORA_RESULT_REQUEST_FAILED, "スレッドキーを更新できません: " + failure.std());
    nvcomment::KeyAnswer key;
    std::string error;
    if (!parseKeyAnswer(m_document, answerText(bytes), key, error))
        return fail(PELMORA_RESULT_REQUEST_FAILED, error);
    if (key.status != kStatusOk)
        return fail(PELMORA_RESULT_NO_MESSAGE_SERVER, "スレッドキーを更新できません (status " +
                                                          std::to_string(key.status) + " " + key.errorCode + ")");
    m_threadKey = key.threadKey;
    ++m_renewals;
    return PELMORA_RESULT_SUCCESS;
}

}  // namespace pelmora::engine
