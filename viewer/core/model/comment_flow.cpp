#include "viewer/core/model/comment_flow.h"

#include <algorithm>

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

bool waiting(const tag_NICO_COMMENT_LIGHT& c)
{
    return !c.deleted && c.flowLabel == 0 && c.flowX > c.flowEnd;
}

// Keeps the newest kMaxWaitingLive waiting comments; the older waiting ones never flow.
// Looks back from the end, so the cost is that of the comments kept, and passes each old
// comment over once.
void passOverBacklog(FlowClock& clock, const CommentCollection& comments)
{
    size_t cut = comments.size();
    int kept = 0;
    while (cut > clock.backlogDone && kept < kMaxWaitingLive) {
        --cut;
        if (waiting(*comments[cut]))
            ++kept;
    }
    if (kept < kMaxWaitingLive)
        return;
    for (size_t i = std::max(clock.backlogDone, clock.walkStart); i < cut; ++i)
        if (waiting(*comments[i]))
            PassOver(*comments[i]);
    clock.backlogDone = cut;
}

}  // namespace

int LaneY(int index, const PageGeometry& page)
{
    return kLaneTable[index] + index * page.ExtraHeight() / kLaneCount;
}

void PassOver(tag_NICO_COMMENT_LIGHT& comment)
{
    comment.flowEnd = comment.flowX;
}

void RunFlowFrame(FlowClock& clock, const CommentCollection& comments, bool isLive, uint32_t now,
                  FlowLabels& labels, const std::atomic<int>& stop, FlowFilter* filter, const PageGeometry& page)
{
    if (clock.walkStart > comments.size())
        clock.walkStart = 0;
    if (clock.backlogDone > comments.size())
        clock.backlogDone = 0;
    if (isLive)
        passOverBacklog(clock, comments);
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
                // A hidden comment takes no turn: the next one may go in this frame.
                if (filter && filter->Hides(c)) {
                    PassOver(c);
                    continue;
                }
                const C_WString shown = isLive ? RelayDisplayText(c.text) : c.text;
                width = labels.TextWidth(shown);
                c.flowEnd = -(width + 4);
                const int lane = kLaneTable[clock.nextLane];
                if (lane == -1) {
                    clock.nextLane = 1;
                    c.flowLane = LaneY(0, page);
                } else {
                    c.flowLane = LaneY(clock.nextLane, page);
                    ++clock.nextLane;
                }
                // The start lies beyond the right edge by as much as it does on the original page.
                c.flowX += page.ExtraWidth();
                labelId = kFirstCommentLabel + clock.nextLabel;
                // The index after two blanks lies outside the label's visible width; a click
                // reads it back to find the comment.
                const C_WString labelText = shown + C_WString::Stringf(u"  %d", static_cast<int>(index));
                const std::optional<CommentRgb> rgb = CommentColourOf(c.mail);
                labels.Launch(labelId, labelText, rgb ? std::optional<CommentColour>(WithOutline(*rgb)) : std::nullopt,
                              c.flowX, c.flowLane, width + 4, labels.FontHeight());
            } else {
                labels.Move(labelId, c.flowX, c.flowLane);
            }
            c.flowX -= page.ScaleToWidth(4 + c.text.Length() / 6);
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
