#include "qarvo/net/state_message.h"

namespace qarvo::net {

const char16_t* connectionStateMessage(int code)
{
    static const char16_t* const kTexts[] = {
        u"正常に終了しました。",
        u"URLが不正です。",
        u"すでにOpenされています。",
        u"WinSockのバージョン等を確認して下さい。",
        u"ソケットの作成に失敗しました。",
        u"バインドに失敗しました。",
        u"リスンに失敗しました。",
        u"名前解決できません。",
        u"指定プロキシに接続できません。",
        u"接続に失敗しました。",
        u"送信に失敗しました。",
        u"タイムアウトが発生しました。",
        u"通信状況を確認して下さい。",
        u"受信に失敗しました。",
        u"受信するまえに切断されました。",
        u"受信バッファが足りません。",
        u"初期化が行なわれていません。",
        u"非同期設定に失敗しました。",
        u"通信中です。",
        u"中断しました。",
        u"切断されました。",
        u"メモリエラーが発生しました。",
        u"シグナルが発生しました。",
        u"SSL でエラーが発生しました。",
    };
    constexpr int kCount = static_cast<int>(sizeof kTexts / sizeof kTexts[0]);
    if (code < 0 || code >= kCount)
        return u"未知のエラーです。";
    return kTexts[code];
}

}  // namespace qarvo::net
