// The written file as libass (the renderer inside mpv and VLC) reads and draws it.

#include <gtest/gtest.h>

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <climits>
#include <memory>
#include <string>

#include "subtitles/ass_writer.h"

namespace pelmora::subtitles {
namespace {

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool any = false;
    int width() const { return any ? right - left : 0; }
    int height() const { return any ? bottom - top : 0; }
};

class Libass : public ::testing::Test {
protected:
    void SetUp() override
    {
        library = ass_library_init();
        ASSERT_NE(library, nullptr);
        renderer = ass_renderer_init(library);
        ASSERT_NE(renderer, nullptr);
        ass_set_frame_size(renderer, 1920, 1080);
        ass_set_fonts(renderer, nullptr, "sans-serif", ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
    }
    void TearDown() override
    {
        if (track)
            ass_free_track(track);
        if (renderer)
            ass_renderer_done(renderer);
        if (library)
            ass_library_done(library);
    }

    void load(const AssDocument& document)
    {
        std::string text = document.text;
        track = ass_read_memory(library, text.data(), text.size(), nullptr);
        ASSERT_NE(track, nullptr);
    }

    // What is drawn at `centis`, glyphs and outlines together.
    Box drawnAt(int centis)
    {
        Box box;
        for (ASS_Image* image = ass_render_frame(renderer, track, centis * 10LL, nullptr); image; image = image->next) {
            if (image->w == 0 || image->h == 0)
                continue;
            box.any = true;
            box.left = std::min(box.left, image->dst_x);
            box.top = std::min(box.top, image->dst_y);
            box.right = std::max(box.right, image->dst_x + image->w);
            box.bottom = std::max(box.bottom, image->dst_y + image->h);
        }
        return box;
    }

    ASS_Library* library = nullptr;
    ASS_Renderer* renderer = nullptr;
    ASS_Track* track = nullptr;
};

SubtitleComment fixedComment(int vpos, int no, const std::string& text, const std::string& mail = "ue")
{
    SubtitleComment c;
    c.vpos = vpos;
    c.no = no;
    c.text = text;
    c.mail = mail;
    return c;
}

TEST_F(Libass, FileIsReadWholeAndDrawnWithinTheEstimatedBands)
{
    std::vector<SubtitleComment> comments = {
        fixedComment(0, 1, "日本語と ASCII の混ざったコメント"),
        fixedComment(400, 2, "WWWWWWWWWWMMMMMMMMMM", "ue big"),
        // A poster's override tag and line break stay text: one line at the normal size.
        fixedComment(800, 3, "{\\fs300}x\\Ny{\\c&H0000FF&}"),
        fixedComment(1200, 4, "二行の\nコメント", "shita"),
    };
    for (int i = 0; i < 200; ++i)
        comments.push_back(fixedComment(1600 + i * 10, 10 + i, "流れるコメント " + std::to_string(i), i % 2 ? "red" : ""));
    const AssDocument document = writeAss(comments);
    load(document);
    EXPECT_EQ(track->n_events, static_cast<int>(document.events.size()));
    EXPECT_EQ(track->n_styles >= 1, true);
    EXPECT_EQ(track->PlayResX, 1920);

    for (int i = 0; i < 4; ++i) {
        const AssEvent& event = document.events[static_cast<size_t>(i)];
        const Box box = drawnAt(event.start + 50);
        ASSERT_GT(box.width(), 0) << "comment " << event.no << " drew nothing";
        EXPECT_LE(box.width(), event.width) << "comment " << event.no;
        EXPECT_LE(box.height(), event.height + 8) << "comment " << event.no;
        EXPECT_GE(box.top, event.y - 8) << "comment " << event.no;
        EXPECT_LE(box.bottom, event.y + event.lanes * 72 + 8) << "comment " << event.no;
    }
    // The escaped tag did not make it 300 px tall, nor two lines.
    EXPECT_LT(drawnAt(document.events[2].start + 50).height(), 100);
    // A scrolling comment is on the frame halfway through its time and gone after it.
    const AssEvent& scrolling = document.events.back();
    EXPECT_GT(drawnAt(scrolling.start + 200).width(), 0);
    EXPECT_EQ(drawnAt(scrolling.end + 500).width(), 0);
}

}  // namespace
}  // namespace pelmora::subtitles
