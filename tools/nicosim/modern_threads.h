#pragma once
// A video's comments as today's comment interface serves them. A video has three forks, in
// the order a watch page lists them as targets, all under the video's main thread id:
//   owner  the uploader's comments: a channel ("so") video's optional thread, else none
//   main   the main thread's comments (the same numbers, texts and users as the old path;
//          comments the old path shows as deleted appear too, since the interface leaves
//          deleted comments out and nicosim keeps every number)
//   easy   the easy comments of a channel video (a tenth of the main count), else none
// Comments come in bursts: kBurst consecutive comments share one posting second, so that a
// page of kPageComments usually ends inside a second.

#include "tools/nicosim/catalogue.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace nicosim {

inline constexpr const char* kCommentApiHost = "public.nvcomment.nicovideo.jp";
inline constexpr const char* kCommentApiServer = "https://public.nvcomment.nicovideo.jp";
inline constexpr const char* kKeyApiHost = "nvapi.nicovideo.jp";

// The newest comments a thread request answers per fork (with or without "when").
inline constexpr int kPageComments = 1000;
inline constexpr int kBurst = 24;
// Seconds between two bursts.
inline constexpr int64_t kBurstSpacing = 960;
// Without "when" the main fork adds older comments, one per minute of the video, at most:
inline constexpr int kMaxFiller = 60;

struct ModernFork {
    std::string name;   // "owner", "main", "easy"
    ThreadFacts thread; // what the comments are made from
    int count = 0;      // comments of the fork
};

// The three forks of a video, owner, main and easy.
std::vector<ModernFork> modernForks(const Catalogue& catalogue, const VideoFacts& video);

struct ModernComment {
    std::string id;
    int no = 0;
    int64_t vposMs = 0;
    std::string body;
    std::vector<std::string> commands;
    std::string userId;
    bool premium = false;
    int score = 0;
    int64_t postedAt = 0;
    int nicoruCount = 0;
};

ModernComment modernComment(const Catalogue& catalogue, const ModernFork& fork, int index);
int64_t modernPostedAt(const ModernFork& fork, int index);

// The indexes a request answers, ascending: the newest kPageComments posted up to `when`
// (every second when `hasWhen` is false), plus, without "when", the main fork's filler.
std::vector<int> answeredIndexes(const ModernFork& fork, bool hasWhen, int64_t when, int lengthSeconds);

// One comment as the interface writes it (a JSON object).
void appendCommentJson(std::string& out, const ModernComment& comment);
// `text` as a JSON string literal.
void appendJsonString(std::string& out, std::string_view text);

} // namespace nicosim
