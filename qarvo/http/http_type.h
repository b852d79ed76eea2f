#pragma once
// The HTTP client's records and the HTTP part of the state-message table.

#include <cstdint>

#include "qarvo/net/connection.h"
#include "qarvo/text/string_array.h"

namespace qarvo {

class I_HttpType : public Connection {
public:
    enum Method { kGet = 0, kPost = 1, kHead = 2 };
    // The command status of an exchange.
    enum CommandStat { kRunning = 0, kAborted = 1, kTimedOut = 2, kSuccess = 3, kDisconnected = 4, kFailed = 5 };
    // Codes the HTTP level adds to the connection table (20 gets its own text here).
    enum HttpState {
        kStatePartialData = 20,
        kStateHostDiffers = 25,
        kStateSessionClosed = 26,
        kStateNotConnected = 27,
        kStateShortLength = 28,
        kStateChunkUnfinished = 29,
    };
    // The body kinds of a POST.
    enum ContentKind { kForm = 0, kMultipart = 1, kPlain = 2, kTyped = 3 };

    // What the last answer said.
    struct tag_HttpStatus {
        C_String statusCode;      // the token after the status line's first space
        C_ArrayString headers;    // every header line, status line first, in arrival order
        C_String date, server, contentType, contentEncoding, lastModified, etag;
        int64_t contentLength = -1;  // -1: none announced
        void Clear() { *this = tag_HttpStatus(); }
    };
    struct BODY {
        C_String name;
        C_String value;
    };
    struct ATTACH {
        C_String name;
        C_String path;
        C_String type;
    };
    struct AUTHORIZE {
        int mode = 0;           // 0 none, 1 answer a 401 Basic challenge, 2 send at once
        C_String credentials;   // "user:password"
        bool send = false;
        int retries = 1;
    };
    struct PROXY {
        C_String host;
        int port = 0;
        bool use = false;
    };

    const char16_t* General_GetStateMessage(const int& code) const override;
};

}  // namespace qarvo
