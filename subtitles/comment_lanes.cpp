#include "subtitles/comment_lanes.h"

#include <algorithm>

namespace pelmora::subtitles {

LaneAllocator::LaneAllocator(const LaneGeometry& geometry)
    : m_geometry(geometry), m_lanes(static_cast<size_t>(std::max(1, geometry.laneCount())))
{
}

bool LaneAllocator::conflicts(const Occupant& a, const Occupant& b) const
{
    if (a.end <= b.start || b.end <= a.start)
        return false;
    // Fixed comments are drawn over the scrolling ones, as the service's player draws them:
    // each kind keeps clear of its own kind.
    if ((a.placement == Placement::Scroll) != (b.placement == Placement::Scroll))
        return false;
    if (a.placement != Placement::Scroll)
        return true;  // a fixed comment keeps its band while it shows
    const Occupant& first = a.start <= b.start ? a : b;
    const Occupant& second = a.start <= b.start ? b : a;
    const double crossing = m_geometry.scrollCentis;
    const double frame = m_geometry.frameWidth;
    const double dt = second.start - first.start;
    // x(t) = frame - (frame + width) * (t - start) / crossing for both.
    const double firstSpeed = (frame + first.width) / crossing;
    const double secondSpeed = (frame + second.width) / crossing;
    // The first has wholly entered, with the gap behind it, when the second appears...
    const bool entered = firstSpeed * dt >= first.width + m_geometry.gap;
    // ...and the second has not caught its tail (at x = 0) when the first leaves.
    const bool notCaught = secondSpeed * (crossing - dt) <= frame - m_geometry.gap;
    return !(entered && notCaught);
}

bool LaneAllocator::bandFree(int firstLane, int lanes, const Occupant& candidate) const
{
    for (int lane = firstLane; lane < firstLane + lanes; ++lane)
        for (const Occupant& occupant : m_lanes[static_cast<size_t>(lane)])
            if (conflicts(occupant, candidate))
                return false;
    return true;
}

LanePlacement LaneAllocator::place(const LaneRequest& request)
{
    LanePlacement placement;
    const int laneCount = static_cast<int>(m_lanes.size());
    const int lanes = std::clamp((request.height + m_geometry.laneHeight - 1) / m_geometry.laneHeight, 1, laneCount);
    const int duration = request.placement == Placement::Scroll ? m_geometry.scrollCentis : m_geometry.fixedCentis;
    // Nothing that has left the frame by now can be in anyone's way again.
    for (auto& lane : m_lanes)
        lane.erase(std::remove_if(lane.begin(), lane.end(), [&](const Occupant& o) { return o.end <= request.start; }),
                   lane.end());

    for (int delay = 0; delay <= m_geometry.maxDelayCentis; delay += std::max(1, m_geometry.delayStepCentis)) {
        const Occupant candidate{request.placement, request.start + delay, request.start + delay + duration,
                                 request.width};
        for (int k = 0; k + lanes <= laneCount; ++k) {
            // Bottom comments stack upwards from the bottom edge, the others downwards from the top.
            const int first = request.placement == Placement::Bottom ? laneCount - lanes - k : k;
            if (!bandFree(first, lanes, candidate))
                continue;
            for (int lane = first; lane < first + lanes; ++lane)
                m_lanes[static_cast<size_t>(lane)].push_back(candidate);
            placement.placed = true;
            placement.start = candidate.start;
            placement.end = candidate.end;
            placement.lane = first;
            placement.lanes = lanes;
            placement.y = first * m_geometry.laneHeight;
            return placement;
        }
    }
    return placement;
}

}  // namespace pelmora::subtitles
