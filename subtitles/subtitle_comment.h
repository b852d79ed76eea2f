#pragma once
// One comment as the subtitle writer takes it, whoever fetched it: the command line tool from
// the engine's records, the viewer from its page's copy.

#include <string>

namespace pelmora::subtitles {

struct SubtitleComment {
    int vpos = 0;          // playback position in 1/100 s
    int no = 0;            // comment number
    std::string text;      // UTF-8, markup entities already decoded
    std::string mail;      // the command words: "184 red big", "shita", "#ff8800 ue"
    bool deleted = false;
    bool hidden = false;   // left out by the caller's own filters (NG)
};

}  // namespace pelmora::subtitles
