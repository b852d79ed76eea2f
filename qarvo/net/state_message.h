#pragma once
// The fixed texts every network failure is reported with, by state code. The HTTP client adds
// its own codes on top (qarvo/http/http_type.h).

namespace qarvo::net {

enum StateCode : int {
    kStateSuccess = 0,
    kStateBadUrl = 1,
    kStateAlreadyOpen = 2,
    kStateStartupFailed = 3,
    kStateSocketFailed = 4,
    kStateBindFailed = 5,
    kStateListenFailed = 6,
    kStateResolveFailed = 7,
    kStateProxyResolveFailed = 8,
    kStateConnectFailed = 9,
    kStateSendFailed = 10,
    kStateTimeOut = 11,
    kStateCheckNetwork = 12,
    kStateRecvFailed = 13,
    kStateClosedBeforeData = 14,
    kStateBufferFull = 15,
    kStateNotOpened = 16,
    kStateAsyncFailed = 17,
    kStateBusy = 18,
    kStateAborted = 19,
    kStateDisconnected = 20,
    kStateMemoryError = 21,
    kStateSignal = 22,
    kStateSslError = 23,
};

// The text of a code of the connection layer; "未知のエラーです。" for any other value.
const char16_t* connectionStateMessage(int code);

}  // namespace qarvo::net
