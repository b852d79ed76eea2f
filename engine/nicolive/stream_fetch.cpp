#include "engine/nicolive/stream_fetch.h"

#include "engine/nicolive/delimited_reader.h"
#include "engine/service/http_fetch.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/http/http_async.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine::nicolive {
namespace {

namespace System = qarvo::common::System;

constexpr int kPieceBytes = 64 * 1024;
constexpr int kReadSliceMs = 100;
// Unread bytes the client holds for us; the stream's messages are small.
constexpr int kStreamBufferBytes = 4 * 1024 * 1024;

std::string stateOf(const qarvo::C_HttpAsync& http)
{
    return System::utf16_to_utf8(http.GetLastState()).std();
}

bool openExchange(qarvo::C_HttpAsync& http, const StreamRequest& request, std::string* why)
{
    http.AbortObject(request.stop);
    if (!http.Open(request.url.c_str(), request.timeOutMs)) {
        if (why)
            *why = stateOf(http);
        return false;
    }
    http.SetHTTPVersion(1);
    http.SetUserAgent(kServiceUserAgent);
    http.SetReaderStream(true);
    http.SetHTTPBufferSize(kStreamBufferBytes);
    if (!http.Connect()) {
        if (why)
            *why = stateOf(http);
        return false;
    }
    return true;
}

bool stopped(const StreamRequest& request)
{
    return request.stop && request.stop->load(std::memory_order_acquire);
}

// Reads the body piece by piece until its end; false when it broke off, with `why`.
StreamEnd readBody(qarvo::C_HttpAsync& http, const StreamRequest& request,
                   const std::function<bool(const char*, size_t)>& onBytes, std::string* why)
{
    qarvo::C_Memory piece;
    uint32_t lastByte = qarvo_time_millis();
    bool statusChecked = false;
    for (;;) {
        if (stopped(request)) {
            http.Abort();
            return StreamEnd::Stopped;
        }
        const int got = http.ReaderStream(&piece, kPieceBytes, kReadSliceMs);
        if (!statusChecked && (got >= 0 || http.GetLastCommandStat() != qarvo::I_HttpType::kRunning) &&
            !http.GetStatusCode().IsEmpty()) {
            statusChecked = true;
            if (!http.GetStatusCode().Contains("200")) {
                http.Abort();
                if (why)
                    *why = "answered " + http.GetStatusCode().std();
                return StreamEnd::Broken;
            }
        }
        if (got > 0) {
            lastByte = qarvo_time_millis();
            if (!onBytes(piece.GetChars(), static_cast<size_t>(got))) {
                http.Abort();
                return StreamEnd::Broken;
            }
            continue;
        }
        const int stat = http.GetLastCommandStat();
        if (got == 0 || (stat != qarvo::I_HttpType::kRunning && stat != qarvo::I_HttpType::kSuccess)) {
            if (stat == qarvo::I_HttpType::kRunning)
                http.WaitForConnecting();
            if (http.GetLastCommandStat() == qarvo::I_HttpType::kSuccess && statusChecked)
                return StreamEnd::Complete;
            if (why)
                *why = http.GetStatusCode().IsEmpty() || statusChecked ? stateOf(http)
                                                                       : "answered " + http.GetStatusCode().std();
            return stopped(request) ? StreamEnd::Stopped : StreamEnd::Broken;
        }
        if (request.onQuiet)
            request.onQuiet();
        const int quiet = static_cast<int>(qarvo_time_millis() - lastByte);
        if (quiet >= request.stallMs || (request.stalledEarly && request.stalledEarly(quiet))) {
            http.Abort();
            if (why)
                *why = "no data for " + std::to_string(quiet / 1000) + " s";
            return StreamEnd::Broken;
        }
    }
}

}  // namespace

StreamEnd readDelimitedStream(const StreamRequest& request, const std::function<void(const std::string&)>& onMessage,
                              std::string* why)
{
    qarvo::C_HttpAsync http;
    if (!openExchange(http, request, why))
        return stopped(request) ? StreamEnd::Stopped : StreamEnd::Broken;
    DelimitedReader reader;
    std::string message;
    const StreamEnd end = readBody(
        http, request,
        [&](const char* data, size_t size) {
            if (!reader.Feed(data, size)) {
                if (why)
                    *why = reader.BrokenReason();
                return false;
            }
            while (reader.Next(&message))
                onMessage(message);
            return true;
        },
        why);
    if (end == StreamEnd::Complete && reader.PendingBytes() != 0) {
        if (why)
            *why = "the answer ended inside a message";
        return StreamEnd::Broken;
    }
    return end;
}

bool fetchWhole(const StreamRequest& request, size_t maxBytes, std::string* body, std::string* why)
{
    body->clear();
    qarvo::C_HttpAsync http;
    if (!openExchange(http, request, why))
        return false;
    const StreamEnd end = readBody(
        http, request,
        [&](const char* data, size_t size) {
            if (body->size() + size > maxBytes) {
                if (why)
                    *why = "the answer is larger than " + std::to_string(maxBytes) + " bytes";
                return false;
            }
            body->append(data, size);
            return true;
        },
        why);
    return end == StreamEnd::Complete;
}

}  // namespace pelmora::engine::nicolive
