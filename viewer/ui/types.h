#pragma once
// Basic types of the window layer. The core sees windows only as integer handles and talks
// to them with the message numbers and parameters of the classic dialog API, so that its
// handlers keep their familiar shape while the widgets behind them are Qt's.

#include <cstdint>
#include <functional>

namespace qarvo::ui {

// A dialog or a control; 0 is "no window". Handles are never reused within a process, so a
// stale handle refers to nothing rather than to some newer window.
using WindowHandle = intptr_t;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;
// 0x00BBGGRR, the classic colour order.
using ColorRef = uint32_t;

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A dialog procedure or a control procedure. The four values come by reference so that a
// handler can rewrite them before it chains on. Nonzero means "handled" for dialogs.
using WindowProcedure = std::function<LResult(WindowHandle&, unsigned&, WParam&, LParam&)>;

constexpr unsigned LowWord(uintptr_t v) { return static_cast<unsigned>(v & 0xFFFF); }
constexpr unsigned HighWord(uintptr_t v) { return static_cast<unsigned>((v >> 16) & 0xFFFF); }
constexpr WParam MakeWParam(unsigned low, unsigned high)
{
    return static_cast<WParam>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
constexpr LParam MakeLParam(unsigned low, unsigned high)
{
    return static_cast<LParam>(static_cast<uint32_t>((low & 0xFFFF) | ((high & 0xFFFF) << 16)));
}
constexpr ColorRef Rgb(unsigned r, unsigned g, unsigned b)
{
    return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

}  // namespace qarvo::ui
