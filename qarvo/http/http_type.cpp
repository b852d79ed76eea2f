#include "qarvo/http/http_type.h"

namespace qarvo {

const char16_t* I_HttpType::General_GetStateMessage(const int& code) const
{
    switch (code) {
    case kStatePartialData:
        return u"切断されました。途中データは取得できます。";
    case kStateHostDiffers:
        return u"接続ホストが異なります。";
    case kStateSessionClosed:
        return u"接続セッションが切断されました。";
    case kStateNotConnected:
        return u"接続がオープンされていません。";
    case kStateShortLength:
        return u"Content-Length より受信サイズが少ない状態で正常切断されました。";
    case kStateChunkUnfinished:
        return u"chunk 形式で受信中に正常切断されました。";
    default:
        return Connection::General_GetStateMessage(code);
    }
}

}  // namespace qarvo
