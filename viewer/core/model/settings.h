#pragma once
// The settings file "init.ini" (UTF-16 key = value lines), its keys, start-up defaults and the
// bounds the settings dialog applies.

#include "qarvo/text/string.h"
#include "viewer/core/model/app_folders.h"

namespace pelmora::viewer::settings {

// The file's name; where it lies is SettingsFile() (app_folders.h).
inline constexpr const char16_t* kFileName = u"init.ini";

inline constexpr const char16_t* kLastUrl = u"last_url";
inline constexpr const char16_t* kGetStartup = u"get_startup";
inline constexpr const char16_t* kUrlList = u"url_list";
inline constexpr const char16_t* kFactoryComment = u"factory_comment";
inline constexpr const char16_t* kFactoryCommentXml = u"factory_comment_xml";
inline constexpr const char16_t* kGetTag = u"get_tag";
inline constexpr const char16_t* kGetComment = u"getcomment";
inline constexpr const char16_t* kCommentInterval = u"getcomment_space_time";
inline constexpr const char16_t* kLiveInterval = u"getcomment_space_time_live";
inline constexpr const char16_t* kGetTagAuto = u"gettag";
inline constexpr const char16_t* kTagInterval = u"gettag_space_time";
// 1: anonymous ("184") comments do not flow. Absent counts as 0.
inline constexpr const char16_t* kNgAnonymous = u"ng_anonymous";

// Values the dialog accepts, and what it writes instead.
int BoundCommentInterval(long long seconds);  // 8..86400, else 30
int BoundLiveInterval(long long seconds);     // 1..10, else 1
int BoundTagInterval(long long seconds);      // 5..86400, else 10
// An edit field's text as an unsigned number; empty or unreadable text counts as 0.
long long ParseEditNumber(const qarvo::C_WString& text);

// An interval setting in seconds to milliseconds: up to one day is taken as it is, anything
// larger (a negative value read as unsigned included) becomes 20 seconds.
int IntervalToMillis(int seconds);

// Writes the start-up defaults for absent keys, in order: getcomment_space_time 30,
// getcomment_space_time_live 1, gettag_space_time 20, url_list 1, get_tag 1.
void WriteStartupDefaults(const qarvo::C_WString& path);

}  // namespace pelmora::viewer::settings
