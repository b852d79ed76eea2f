#include "viewer/core/app/ass_export.h"

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/file_stream.h"
#include "subtitles/ass_writer.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/messages.h"

namespace pelmora::viewer {
namespace {

namespace ui = qarvo::ui;
namespace System = qarvo::common::System;
using qarvo::C_WString;

constexpr const char16_t* kCaption = u"ASS で保存";

// A title as a file name: the characters no file name may hold become "_".
C_WString fileNameOf(const C_WString& title)
{
    std::u16string name = title.IsEmpty() ? std::u16string(u"comments") : title.std();
    for (char16_t& c : name)
        if (c == u'/' || c == u'\\' || c < 0x20)
            c = u'_';
    return C_WString(name + u".ass");
}

}  // namespace

bool SaveCommentsAsAss(ui::WindowHandle owner, const CommentCollection& comments, const C_WString& title)
{
    std::vector<subtitles::SubtitleComment> input;
    input.reserve(comments.size());
    for (const CommentPtr& comment : comments) {
        if (!comment)
            continue;
        input.push_back({comment->vpos, comment->no, System::utf16_to_utf8(comment->text).std(),
                         System::utf16_to_utf8(comment->mail).std(), comment->deleted != 0, false});
    }
    if (input.empty()) {
        ui::MessageBox(owner, C_WString(u"保存するコメントがありません。"), C_WString(kCaption), ui::MB_OK);
        return false;
    }

    ui::FileChoice choice;
    choice.mode = ui::FileChoice::Mode::Save;
    choice.caption = C_WString(kCaption);
    choice.filter = C_WString(u"ASS 字幕 (*.ass)");
    choice.suggested = fileNameOf(title);
    C_WString path;
    if (!ui::ChooseFile(owner, choice, &path))
        return false;

    subtitles::AssOptions options;
    options.title = System::utf16_to_utf8(title).std();
    const subtitles::AssDocument document = subtitles::writeAss(input, options);
    qarvo::C_FileStream file;
    const bool written =
        file.Open(path, qarvo::FileFlags::WriteOnly | qarvo::FileFlags::Create | qarvo::FileFlags::Truncate |
                            qarvo::FileFlags::Binary) &&
        file.Write(document.text.data(), static_cast<int>(document.text.size())) == static_cast<int>(document.text.size());
    if (!written) {
        ui::MessageBox(owner, C_WString(u"ASS ファイルを書けませんでした。\r\n") + path, C_WString(u"失敗"),
                       ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    ui::MessageBox(owner,
                   C_WString::Stringf(u"%d 件のコメントを保存しました。", static_cast<int>(document.events.size())) +
                       (document.leftOut > 0
                            ? C_WString::Stringf(u"\r\n(画面に空きがなく %d 件は省きました)", document.leftOut)
                            : C_WString()),
                   C_WString(kCaption), ui::MB_OK);
    return true;
}

}  // namespace pelmora::viewer
