#pragma once
// One frame of the flowing comments of the shown page: comments are launched in collection
// order, at most one per frame and one every 1.5 s, into eight lanes; at most seven under way
// are moved per frame; a comment that has left the page gives its label back.
//
// The frame starts its walk at the first comment that is not finished yet (`walkStart`), so
// its cost does not grow with the number of comments already shown; the launches and moves
// are exactly those of a walk from the first comment.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "qarvo/text/string.h"
#include "viewer/core/model/comment_color.h"
#include "viewer/core/model/comment_record.h"
#include "viewer/core/model/page_geometry.h"

namespace pelmora::viewer {

inline constexpr int kLaneTable[] = {80, 100, 120, 140, 160, 180, 200, 220, -1};
inline constexpr int kLaneCount = 8;
inline constexpr int kFirstCommentLabel = 1020;
inline constexpr int kCommentLabelCount = 22;  // 1020..1041
inline constexpr uint32_t kLaunchSpacingMs = 1500;
inline constexpr int kMaxMovedPerFrame = 7;
// A live page keeps at most this many comments waiting; older waiting ones are passed over,
// so that what flows is what is said now.
inline constexpr int kMaxWaitingLive = 8;

// The launch clock of a page; written only by the display thread.
struct FlowClock {
    uint32_t lastLaunch = 0;  // 0 = none yet
    int nextLabel = 0;        // index into the comment label table
    int nextLane = 0;         // index into the lane table
    uint32_t pauseStamp = 0;  // last frame in which the page was animated, 0 = none
    size_t walkStart = 0;     // every comment before it is finished
    size_t backlogDone = 0;   // live pages: waiting comments before it have been passed over
};

// What the frame does to the page's labels; implemented by the window side.
class FlowLabels {
public:
    virtual ~FlowLabels() = default;
    virtual int TextWidth(const qarvo::C_WString& text) = 0;
    virtual int FontHeight() = 0;
    // A new comment on label `labelId`: text, colour (none: the page's own), place and size,
    // shown.
    virtual void Launch(int labelId, const qarvo::C_WString& text, const std::optional<CommentColour>& colour, int x,
                        int y, int width, int height) = 0;
    virtual void Move(int labelId, int x, int y) = 0;
    // Hidden, text cleared.
    virtual void Release(int labelId) = 0;
};

// The text shown for a live comment: "/chukei <text>" relays show only the text, and after
// "GGG27" the text from the sixth character after the blank.
qarvo::C_WString RelayDisplayText(const qarvo::C_WString& text);

// Moves the clock past a pause: the time the page was not shown does not count toward the
// launch spacing. Call when the shown tab changed since the previous frame.
void ResumeFlowClock(FlowClock& clock, uint32_t now);

// Comments the user does not want to see flow (NG rules, anonymous comments); asked once per
// comment, when its turn to be launched comes.
class FlowFilter {
public:
    virtual ~FlowFilter() = default;
    virtual bool Hides(const tag_NICO_COMMENT_LIGHT& comment) = 0;
};

// A comment that will never flow: it counts as finished.
void PassOver(tag_NICO_COMMENT_LIGHT& comment);

// Where a comment launched on lane `index` (0..7) of the page runs: the lane table's place,
// the lanes spread over a page taller than the original.
int LaneY(int index, const PageGeometry& page);

// Runs the walk of one frame; stops early when `stop` becomes non-zero (closing, or the store
// asking for the collection). Sets pauseStamp = now at the end. `filter` may be null. On a page
// wider than the original a comment starts as far beyond its right edge as at the original
// size and moves faster by the same ratio, so it crosses the page in the same time; on a
// taller one the lanes spread (LaneY).
void RunFlowFrame(FlowClock& clock, const CommentCollection& comments, bool isLive, uint32_t now,
                  FlowLabels& labels, const std::atomic<int>& stop, FlowFilter* filter = nullptr,
                  const PageGeometry& page = {});

}  // namespace pelmora::viewer
