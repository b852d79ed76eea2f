#pragma once
// The size of a video page beside the size it has when the main window has its original size.
// The flow's lanes, its start and the tag rows are laid out for the original page; a larger
// page (a larger or maximised window) spreads them over the room it has. The default, and any
// page not larger than the original, is laid out exactly as the original.

namespace pelmora::viewer {

struct PageGeometry {
    int width = 0;
    int height = 0;
    int originalWidth = 0;  // 0: not known yet, nothing is spread
    int originalHeight = 0;

    int ExtraWidth() const { return originalWidth > 0 && width > originalWidth ? width - originalWidth : 0; }
    int ExtraHeight() const { return originalHeight > 0 && height > originalHeight ? height - originalHeight : 0; }
    // A length of the original page scaled to this page's width, rounded down.
    int ScaleToWidth(int length) const
    {
        const int extra = ExtraWidth();
        return extra == 0 ? length
                          : static_cast<int>(static_cast<long long>(length) * (originalWidth + extra) / originalWidth);
    }
};

}  // namespace pelmora::viewer
