#pragma once
// Where each comment goes on the frame so that no two comments of a kind ever cover each
// other: scrolling comments cross the frame from right to left at a speed set by their width,
// so a lane takes a new one only when the one before has wholly entered the frame and cannot
// be caught before it leaves; fixed comments (top, bottom) hold their lanes for as long as
// they show, drawn over the scrolling ones. A comment that finds no room within a short delay
// is left out.

#include <vector>

#include "subtitles/comment_style.h"

namespace pelmora::subtitles {

struct LaneGeometry {
    int frameWidth = 1920;
    int frameHeight = 1080;
    int laneHeight = 72;
    int scrollCentis = 400;   // the time a scrolling comment takes to cross the frame
    int fixedCentis = 300;    // how long a top or bottom comment shows
    int maxDelayCentis = 100; // how much later than its time a comment may start
    int delayStepCentis = 25;
    int gap = 16;             // pixels kept free between two comments of a lane

    int laneCount() const { return frameHeight / laneHeight; }
};

struct LaneRequest {
    Placement placement = Placement::Scroll;
    int start = 0;   // 1/100 s
    int width = 0;   // pixels
    int height = 0;  // pixels; at most the frame's height
};

struct LanePlacement {
    bool placed = false;
    int start = 0;  // 1/100 s; the request's, or a little later
    int end = 0;
    int lane = 0;   // the first lane it covers
    int lanes = 1;
    int y = 0;      // top of its band in pixels
};

class LaneAllocator {
public:
    explicit LaneAllocator(const LaneGeometry& geometry = {});

    // Requests come in order of their start times.
    LanePlacement place(const LaneRequest& request);

    const LaneGeometry& geometry() const { return m_geometry; }

private:
    struct Occupant {
        Placement placement;
        int start;
        int end;
        int width;
    };
    bool conflicts(const Occupant& a, const Occupant& b) const;
    bool bandFree(int firstLane, int lanes, const Occupant& candidate) const;

    LaneGeometry m_geometry;
    std::vector<std::vector<Occupant>> m_lanes;
};

}  // namespace pelmora::subtitles
