#include "viewer/core/model/comment_flow.h"

namespace pelmora::viewer {

using qarvo::C_WString;

C_WString RelayDisplayText(const C_WString& text)
{
    if (!text.StartsWith(u"/chukei"))
        return text;
    const int blank = text.IndexOf(u" ");
    if (blank < 0)
        return text;
    const C_WString rest = text.SubString(blank + 1);
    if (rest.StartsWith(u"GGG27"))
        return text.SubString(blank + 6);
    return rest;
}

void ResumeFlowClock(FlowClock& clock, uint32_t now)
{
    if (clock.pauseStamp != 0) {
        clock.lastLaunch += now - clock.pauseStamp;
        clock.pauseStamp = 0;
    }
}

namespace {

bool finished(const tag_NICO_COMMENT_LIGHT& c)
{
    return c.deleted || (c.flowX <= c.flowEnd && c.flowLabel == 0);
}

}  // namespace

void RunFlowFrame(FlowClock& clock, const CommentCollection& comments, bool isLive, uint32_t now,
                  FlowLabels& labels, const std::atomic<int>& stop)
{
    if (clock.walkStart > comments.size())
        clock.walkStart = 0;
    // Skip the finished prefix for good.
    while (clock.walkStart < comments.size() && finished(*comments[clock.walkStart]))
        ++clock.walkStart;

    int moved = 0;
    for (size_t index = clock.walkStart; index < comments.size(); ++index) {
        if (stop.load(std::memory_order_relaxed))
            break;
        tag_NICO_COMMENT_LIGHT& c = *comments[index];
        if (c.deleted)
            continue;
        if (c.flowX > c.flowEnd) {
            const bool launching = c.flowLabel == 0;
            int width = 0;
            int labelId = c.flowLabel;
            if (launching) {
                if (clock.lastLaunch != 0 && now - clock.lastLaunch <= kLaunchSpacingMs)
                    break;
                const C_WString shown = isLive ? RelayDisplayText(c.text) : c.text;
                width = labels.TextWidth(shown);
                c.flowEnd = -(width + 4);
                const int lane = kLaneTable[clock.nextLane];
                if (lane == -1) {
                    clock.nextLane = 1;
                    c.flowLane = kLaneTable[0];
                } else {
                    ++clock.nextLane;
                    c.flowLane = lane;
                }
                labelId = kFirstCommentLabel + clock.nextLabel;
                // The index after two blanks lies outside the label's visible width; a click
                // reads it back to find the comment.
                const C_WString labelText = shown + C_WString::Stringf(u"  %d", static_cast<int>(index));
                labels.Launch(labelId, labelText, c.flowX, c.flowLane, width + 4, labels.FontHeight());
            } else {
                labels.Move(labelId, c.flowX, c.flowLane);
            }
            c.flowX -= 4 + c.text.Length() / 6;
            if (launching) {
                c.flowLabel = labelId;
                clock.nextLabel = clock.nextLabel + 1 >= kCommentLabelCount ? 0 : clock.nextLabel + 1;
                clock.lastLaunch = now;
                break;
            }
            if (++moved >= kMaxMovedPerFrame)
                break;
        } else if (c.flowLabel != 0) {
            labels.Release(c.flowLabel);
            c.flowLabel = 0;
        }
    }
    clock.pauseStamp = now;
}

}  // namespace pelmora::viewer
