// The comment information dialog (102).

#include "viewer/ui/templates/templates.h"

namespace qarvo::ui::templates {
namespace {

constexpr uint32_t kReadOnly = kTab | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;

constexpr ControlTemplate kControls[] = {
    {IDC_STATIC, ControlClass::Static, u"選択コメント内容", 7, 6, 100, 10, kChild},
    {1047, ControlClass::Edit, u"", 7, 17, 259, 42, kTab | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL},
    {IDC_STATIC, ControlClass::Static, u"ユーザーID", 7, 65, 50, 10, kChild},
    {1048, ControlClass::Edit, u"", 60, 63, 112, 12, kReadOnly},
    {IDC_STATIC, ControlClass::Static, u"コメント番号", 178, 65, 46, 10, kChild},
    {1049, ControlClass::Edit, u"", 226, 63, 40, 12, kReadOnly},
    {IDC_STATIC, ControlClass::Static, u"コメント投稿数", 7, 81, 52, 10, kChild},
    {1050, ControlClass::Edit, u"", 60, 79, 40, 12, kReadOnly},
    {IDC_STATIC, ControlClass::Static, u"削除されたコメント数", 110, 81, 76, 10, kChild},
    {1053, ControlClass::Edit, u"", 188, 79, 40, 12, kReadOnly},
    {1054, ControlClass::ListView, u"", 7, 96, 259, 112, kTab | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS},
    {IDC_STATIC, ControlClass::Button, u"【！】不適切なコメントの場合", 7, 212, 188, 38, kChild | BS_GROUPBOX},
    {1051, ControlClass::Button, u"報告テンプレート適応", 12, 228, 86, 14, kTab | BS_PUSHBUTTON},
    {1052, ControlClass::Button, u"通報ページへ飛ぶ", 102, 228, 88, 14, kTab | BS_PUSHBUTTON},
    // Beside the report frame: hides the selected user's comments from now on.
    {1056, ControlClass::Button, u"このユーザーをNG", 199, 214, 70, 14, kTab | BS_PUSHBUTTON},
    {1, ControlClass::Button, u"閉じる", 216, 236, 50, 14, kTab | BS_DEFPUSHBUTTON},
};

}  // namespace

const DialogTemplate kCommentInfo = {
    IDD_COMMENT_INFO, u"コメント情報", 273, 257, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0, kDialogFont, kDialogFontPoints, kControls,
};

}  // namespace qarvo::ui::templates
