#pragma once
// The HTTPS exchanges of a broadcast's comment stream: long answers of length-delimited
// messages read as they arrive, and whole answers of one packed message.

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace pelmora::engine::nicolive {

enum class StreamEnd {
    Complete,  // the answer ended where a message ended
    Broken,    // refused, cut, cut inside a message, stalled or not a stream at all
    Stopped,   // the stop flag was raised
};

struct StreamRequest {
    std::string url;
    const std::atomic<bool>* stop = nullptr;
    // No byte for this long means the answer stalled.
    int stallMs = 60000;
    // Called with the milliseconds since the last byte; true ends the answer as stalled
    // sooner than stallMs (a segment that should have ended by now).
    std::function<bool(int quietMs)> stalledEarly;
    // Called after each wait of about 100 ms that brought no byte: what the server had at
    // hand has been read.
    std::function<void()> onQuiet;
    // The whole exchange may take this long.
    int timeOutMs = 300000;
};

// Reads a length-delimited answer, handing each whole message to `onMessage` as it comes.
// `why` (may be null) receives an English reason when the end is not Complete.
StreamEnd readDelimitedStream(const StreamRequest& request, const std::function<void(const std::string&)>& onMessage,
                              std::string* why);

// Fetches a whole answer of at most maxBytes into *body. False (with `why`) when it failed.
bool fetchWhole(const StreamRequest& request, size_t maxBytes, std::string* body, std::string* why);

}  // namespace pelmora::engine::nicolive
