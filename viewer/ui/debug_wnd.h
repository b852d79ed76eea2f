#pragma once
// C_Wnd: a window of the layer held by handle. C_DebugWnd: the monitor window, a stand-alone
// trace viewer that collects the lines a program writes (D_Out, D_Outf) and shows them in a
// scrolling, back-buffered view with optional line numbers, a context menu (clear, copy the
// selected line, copy all lines, line numbers, font) and a font choice.
//
// Threads: D_Out and the other output calls may come from any thread; they do nothing while
// the window does not exist. The window itself lives on the GUI thread.

#include <cstdarg>
#include <memory>

#include "qarvo/text/string.h"
#include "viewer/ui/font.h"
#include "viewer/ui/main_wnd.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

class C_Wnd : public I_Wnd {
public:
    C_Wnd() = default;
    ~C_Wnd() override;
    C_Wnd(const C_Wnd&) = delete;
    C_Wnd& operator=(const C_Wnd&) = delete;

    WindowHandle GetHWnd() const override { return m_hWnd; }
    void SetHWnd(WindowHandle window) { m_hWnd = window; }
    // Destroys the window (the object stays and may make another).
    void KillWindow();

protected:
    WindowHandle m_hWnd = 0;
};

// Context menu commands of the monitor window.
enum DebugMenuId {
    kDebugMenuClear = 2500,
    kDebugMenuCopyLine = 2502,
    kDebugMenuCopyAll = 2503,
    kDebugMenuLineNumbers = 2504,
    kDebugMenuFont = 2505,
};

class C_DebugWnd : public C_Wnd {
public:
    C_DebugWnd();
    ~C_DebugWnd() override;

    // A top-level window with a vertical scroll bar whose client area is width x height at
    // (x, y), titled `title` ("デバッグ Ver1.07" when empty). 1, or 0 when it cannot be made.
    int D_Create(const C_WString& className, int width, int height, int x, int y, const C_WString& title, bool visible);
    bool D_Exists() const;

    void D_Out(const C_WString& text);
    void D_OutW(const C_WString& text) { D_Out(text); }
    // Narrow text is UTF-8.
    void D_OutA(const C_String& text);
    void D_Outf(const char16_t* format, ...);
    void D_OutfW(const char16_t* format, ...);
    void D_OutfA(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Append only: no scroll bar update, no repaint (until the next ordinary output).
    void D_FastOut(const C_WString& text);
    void D_FastOutf(const char16_t* format, ...);

    void D_Clear();
    // Every line followed by CR LF, as Unicode text; or one line. false when the clipboard
    // cannot be taken or there is nothing to copy.
    bool D_CopyToClipboard();
    bool D_CopyToClipboard(int line);

    void D_SetNewLine(bool split);
    void D_SetTabCharaCount(int count);
    int D_GetTabCharaCount() const;
    void D_SetTextColor(ColorRef color);
    ColorRef D_GetTextColor() const;
    void D_SetBackground(ColorRef color);
    void D_SetFont(const C_WFont& font);
    C_WFont D_GetFont() const;
    void D_SetTitle(const C_WString& title);
    void D_Move(int x, int y);
    void D_Size(int width, int height);
    void D_Visible(bool visible);
    void D_SelectLine(int index);
    int D_GetSelectedLine() const;
    void D_SetDrawLine(bool lineNumbers);
    void D_Scroll(int line);
    int D_GetCount() const;
    Point D_GetClientSize() const;
    // The system's font dialog from the current font; the chosen font is applied.
    void D_ShowMenuSetFont();
    void D_Destroy();
    // Runs a context menu command as the menu does.
    void D_Command(int id);

    struct State;

private:
    void append(const C_WString& text, bool repaint);
    std::shared_ptr<State> m_state;
};

}  // namespace qarvo::ui
