#pragma once
// Readers and writers of today's video comment data: the comment part a watch page embeds,
// the thread request's body, the answer of the comment interface and of the key endpoint.
// Every name they look for is in nvcomment_markers.h.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/service/json_value.h"

namespace pelmora::engine::nvcomment {

// One thread target of the request parameters: the thread id and fork, and the object as the
// page gave it (compact JSON) so that it is sent back unchanged.
struct ThreadTarget {
    std::string id;
    std::string fork;
    std::string json;
};

// An entry of the page's thread list; commentCount -1 when the page did not say.
struct ThreadListEntry {
    std::string id;
    std::string fork;
    int64_t commentCount = -1;
};

struct WatchData {
    std::string title;    // empty when the page data names none
    std::string videoId;  // empty when the page data names none
    int64_t viewCount = 0;
    std::string server;   // the comment interface, "https://..."
    std::string threadKey;
    std::vector<ThreadTarget> targets;
    // Every member of the parameters (name, compact JSON value) in the page's order; the
    // request writes them back, with the targets it asks for in place of the page's.
    std::vector<std::pair<std::string, std::string>> params;
    std::vector<ThreadListEntry> threads;
};

enum class PageData {
    Absent,  // the page carries none of today's data: the old path's page
    Found,
    Broken,  // the data is there but does not parse or lacks a field (the error names it)
};

// Finds and reads the comment data of a watch page: the server-response meta element, else
// the older js-initial-watch-data element.
PageData readWatchData(std::string_view page, WatchData& out, std::string& error);

// The body of POST {server}/v1/threads asking for the targets at `targets` (indexes into
// data.targets, in that order) with `threadKey`; with `when`, only comments posted up to then.
std::string threadsRequestBody(const WatchData& data, const std::vector<size_t>& targets, const std::string& threadKey,
                               std::optional<int64_t> when);

// One comment of an answer. The views point into the document that was parsed.
struct AnswerComment {
    int32_t no = 0;
    int64_t vposMs = 0;
    std::string_view body;
    std::string_view userId;
    std::string mail;  // the commands joined by single spaces
    bool premium = false;
    int64_t postedAt = 0;  // seconds since 1970
};

struct AnswerThread {
    std::string id;
    std::string fork;
    int64_t commentCount = -1;
    std::vector<AnswerComment> comments;
};

struct ThreadsAnswer {
    int64_t status = 0;     // meta.status
    std::string errorCode;  // meta.errorCode, when the status is not 200
    std::vector<AnswerThread> threads;
};

// Parses an answer of the comment interface into `out`, with `document` holding what the
// comments' views point into. An error answer (status not 200) is read as far as its meta
// part. False with `error` naming the field when the text is no JSON or lacks a field.
bool parseThreadsAnswer(json::Document& document, std::string_view bytes, ThreadsAnswer& out, std::string& error);

// The key endpoint's answer: the new thread key, or the error code of its meta part.
struct KeyAnswer {
    int64_t status = 0;
    std::string errorCode;
    std::string threadKey;
};
bool parseKeyAnswer(json::Document& document, std::string_view bytes, KeyAnswer& out, std::string& error);

// Decodes the character references of an HTML attribute value: the named ones of markup
// (&amp; &lt; &gt; &quot; &apos;) and numeric ones (&#39; &#x27;), written back as UTF-8.
// Anything else stays as it is.
std::string decodeAttributeValue(std::string_view value);

}  // namespace pelmora::engine::nvcomment
