#pragma once
// C_WFont: a font with the metrics of the face that was really used. A face that is not
// installed falls back along a fixed chain, and GetFontFace tells which face won, so that
// callers can compare it with the face they asked for.

#include <memory>

#include "qarvo/text/string.h"

namespace qarvo::ui {

class C_WFont {
public:
    // Tried in this order when the requested face is not installed; then the default font.
    static constexpr const char16_t* kFallbackFaces[] = {u"ＭＳＰ ゴシック", u"Noto Sans CJK JP"};

    C_WFont();
    // Same as MakeFont(face, height).
    C_WFont(const C_WString& face, int height);
    C_WFont(const C_WFont& other);
    C_WFont& operator=(const C_WFont& other);
    C_WFont(C_WFont&& other) noexcept;
    C_WFont& operator=(C_WFont&& other) noexcept;
    ~C_WFont();

    // height is the logical height in pixels: positive = cell height (ascent + descent, the
    // value GetFontHeight gives back), negative = character height without the leading.
    // weight 0 means normal (400); 1..1000 as given. Returns 1, or 0 when no font can be made
    // (no application object yet, or height 0 is not a reason: 0 picks the default size).
    int MakeFontEx(const C_WString& face, int height, int weight, bool italic, bool underline, bool strikeOut);
    int MakeFont(const C_WString& face, int height) { return MakeFontEx(face, height, 400, false, false, false); }
    void DeleteFont();
    bool IsNull() const;

    // Sum of the advances of the characters (no kerning); 0 for an empty text or no font.
    // Safe on any thread.
    int GetStringWidth(const C_WString& text) const;

    int GetFontHeight() const;
    int GetFontAscent() const;
    int GetFontDescent() const;
    int GetFontWeight() const;
    bool IsItaric() const;
    bool IsUnderlined() const;
    bool IsDellined() const;
    // The face really used, which differs from the requested one after a fallback.
    C_WString GetFontFace() const;

    // The application's default font (0 height metrics when there is no application yet).
    static C_WFont GetDefaultFont();

    struct Impl;
    const Impl* GetImpl() const { return m_impl.get(); }

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace qarvo::ui
