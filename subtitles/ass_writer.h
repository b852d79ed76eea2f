#pragma once
// Comments as an Advanced SubStation Alpha file that mpv and VLC (both through libass) play
// over the video: each comment from its playback position, scrolling comments crossing the
// 1920 x 1080 frame in 4 s on lanes where no two ever cover each other, "ue" and "shita"
// comments fixed at the top and bottom for 3 s, the size and colour commands, deleted and
// hidden (NG) comments left out, in a CJK face.

#include <string>
#include <vector>

#include "subtitles/comment_lanes.h"
#include "subtitles/subtitle_comment.h"

namespace pelmora::subtitles {

struct AssOptions {
    LaneGeometry geometry;
    std::string fontName = "Noto Sans CJK JP";
    std::string title;  // written into the script's header
    int mediumPixels = 64;
    int bigPixels = 100;
    int smallPixels = 44;
    int outline = 3;
};

// One written event, for callers and tests that want to know where a comment went.
struct AssEvent {
    int no = 0;
    Placement placement = Placement::Scroll;
    int start = 0;  // 1/100 s
    int end = 0;
    int y = 0;
    int lane = 0;
    int lanes = 1;
    int width = 0;   // estimated, outline included
    int height = 0;
};

struct AssDocument {
    std::string text;            // the whole file, UTF-8 with CR LF line ends
    std::vector<AssEvent> events;
    int leftOut = 0;             // comments that found no room on the frame
    int skipped = 0;             // deleted or hidden comments
};

AssDocument writeAss(const std::vector<SubtitleComment>& comments, const AssOptions& options = {});

// "H:MM:SS.cc" of a time in 1/100 s.
std::string assTime(int centis);

}  // namespace pelmora::subtitles
