// Pictures, the index page for people, tag pages, the forum, the shop and the video file
// placeholder.

#include "tools/nicosim/site.h"

#include "tools/nicosim/pictures.h"
#include "tools/nicosim/seeded.h"
#include "tools/nicosim/text_codec.h"

namespace nicosim {
namespace {

// The video file is a placeholder of this size: nicosim serves no playable video.
constexpr size_t kVideoFileBytes = 4096;

Answer htmlPage(std::string_view title, const std::string& inner)
{
    Answer a;
    a.body = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + std::string(title) +
             "</title>\n</head>\n<body>\n" + inner + "</body>\n</html>\n";
    return a;
}

Answer pngAnswer(std::string bytes)
{
    Answer a;
    if (bytes.empty())
        return notFoundPage("picture");
    a.contentType = "image/png";
    a.body = std::move(bytes);
    return a;
}

} // namespace

Answer thumbnailPicture(const SiteContext& site, std::string_view label)
{
    long long number = 0;
    if (!parseDecimal(label, 99999999, number))
        return notFoundPage("no such thumbnail");
    return pngAnswer(thumbnailPng(site.catalogue.seed(), label));
}

Answer productPicture(const SiteContext& site, std::string_view label)
{
    long long rank = 0;
    if (!parseDecimal(label, 1000000, rank))
        return notFoundPage("no such picture");
    return pngAnswer(productPicturePng(site.catalogue.seed(), label));
}

Answer indexPage(const SiteContext& site)
{
    std::string inner = "<h1>nicosim</h1>\n<p>A simulated Niconico service for PelmoraVista.</p>\n<h2>Videos</h2>\n<ul>\n";
    for (const std::string& id : Catalogue::fixedVideoIds()) {
        const std::optional<VideoFacts> v = site.catalogue.video(id);
        inner += "<li><a href=\"/watch/" + id + "\">" + id + "</a> " + (v ? xmlEscape(v->title) : std::string()) +
                 "</li>\n";
    }
    inner += "</ul>\n<h2>Broadcasts</h2>\n<ul>\n";
    for (const LiveFacts& l : site.catalogue.liveBroadcasts()) {
        inner += "<li>" + l.id + " " + xmlEscape(l.title) + (l.ended ? " (ended)" : "") + "</li>\n";
    }
    inner += "</ul>\n";
    return htmlPage("nicosim", inner);
}

Answer tagPage(const SiteContext& site, std::string_view tag)
{
    std::string inner = "<h1>タグ検索：" + xmlEscape(tag) + "</h1>\n<ul>\n";
    // A few seeded videos, so that following a tag link leads somewhere.
    for (int i = 0; i < 5; ++i) {
        const std::string id = "sm" + std::to_string(1000 + seededHash(site.catalogue.seed(), hashText(tag), i) % 1000000);
        if (const std::optional<VideoFacts> v = site.catalogue.video(id))
            inner += "<li><a href=\"/watch/" + id + "\">" + xmlEscape(v->title) + "</a></li>\n";
    }
    return htmlPage("タグ検索 - ニコニコ動画(nicosim)", inner + "</ul>\n");
}

Answer forumPage()
{
    return htmlPage("削除依頼 - nicosim",
                    "<h1>コメント削除の依頼</h1>\n<form method=\"post\" action=\"/delete/comment/\">\n"
                    "<textarea name=\"body\" rows=\"10\" cols=\"60\"></textarea>\n"
                    "<input type=\"submit\" value=\"送信\">\n</form>\n");
}

Answer shopPage(std::string_view path)
{
    return htmlPage("nicosim shop", "<h1>nicosim shop</h1>\n<p>" + xmlEscape(path) + "</p>\n");
}

Answer videoFile(const SiteContext& site, const PageRequest& request)
{
    Answer a;
    a.contentType = "video/mp4";
    Draw draw(seededHash(site.catalogue.seed(), hashText(request.param("m") + request.param("s")), 15));
    a.body.resize(kVideoFileBytes);
    for (char& c : a.body)
        c = static_cast<char>(draw.below(256));
    return a;
}

} // namespace nicosim
