#pragma once
// A chat of the segmented comment stream written as the chat element of the comment servers'
// XML, so that the engine's chat walk reads it as it reads every other comment.

#include <string>
#include <string_view>

#include "engine/nicolive/proto/nicolive_edge.pb.h"

namespace pelmora::engine::nicolive {

// Appends `<chat thread=".." no=".." vpos=".." date=".." date_usec=".." mail=".."
// user_id=".." premium="1" anonymity="1" name="..">text</chat>` to *out (attributes left out
// when they do not apply) and returns true; false (nothing appended) when the message holds
// no chat. `thread` is the program's id as the caller names it.
//
// Typed texts are bytes: ill-formed UTF-8 becomes U+FFFD, & < > " become references, and
// control characters other than tab, CR and LF become U+FFFD. In the values of the thread,
// user_id and name attributes a space is written as &#32;: the walk takes a space followed by
// an attribute's name anywhere in the tag for that attribute, and a name must not forge one.
bool appendChatElement(const dwango::nicolive::chat::service::edge::ChunkedMessage& message,
                       std::string_view thread, std::string* out);

// The message id that identifies it across reconnects (meta.id), "" when none.
std::string messageId(const dwango::nicolive::chat::service::edge::ChunkedMessage& message);

}  // namespace pelmora::engine::nicolive
