#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <map>
#include <mutex>

#include "viewer/ui/qt/font_impl.h"
#include "viewer/ui/qt/qt_string.h"

namespace qarvo::ui {
namespace {

// Requested face -> the family that is really used for it. Finding out costs a font lookup
// per candidate, and the display thread makes its font while the GUI thread makes others.
std::mutex g_faceMutex;
std::map<QString, QString>& faceCache()
{
    static std::map<QString, QString> cache;
    return cache;
}

bool isInstalled(const QString& family)
{
    if (family.isEmpty())
        return false;
    // A face that is not installed still yields a font (fontconfig substitutes one); only the
    // family of the font really used tells whether the face exists.
    return QFontInfo(QFont(family)).family().compare(family, Qt::CaseInsensitive) == 0;
}

QString resolveFace(const QString& requested)
{
    {
        std::lock_guard<std::mutex> lock(g_faceMutex);
        auto it = faceCache().find(requested);
        if (it != faceCache().end())
            return it->second;
    }
    QString chosen;
    if (isInstalled(requested))
        chosen = requested;
    for (const char16_t* fallback : C_WFont::kFallbackFaces)
        if (chosen.isEmpty() && isInstalled(detail::ToQString(fallback)))
            chosen = detail::ToQString(fallback);
    if (chosen.isEmpty())
        chosen = QGuiApplication::font().family();
    std::lock_guard<std::mutex> lock(g_faceMutex);
    faceCache()[requested] = chosen;
    return chosen;
}

int cellHeight(QFont font, int pixelSize)
{
    font.setPixelSize(pixelSize);
    return QFontMetrics(font).height();
}

void cacheMetrics(C_WFont::Impl& impl)
{
    const QFontMetrics metrics(impl.font);
    impl.height = metrics.height();
    impl.ascent = metrics.ascent();
    impl.descent = metrics.descent();
    impl.face = QFontInfo(impl.font).family();
}

}  // namespace

C_WFont::C_WFont() = default;

C_WFont::C_WFont(const C_WString& face, int height)
{
    MakeFont(face, height);
}

C_WFont::C_WFont(const C_WFont& other) : m_impl(other.m_impl ? std::make_unique<Impl>(*other.m_impl) : nullptr)
{
}

C_WFont& C_WFont::operator=(const C_WFont& other)
{
    if (this != &other)
        m_impl = other.m_impl ? std::make_unique<Impl>(*other.m_impl) : nullptr;
    return *this;
}

C_WFont::C_WFont(C_WFont&& other) noexcept = default;
C_WFont& C_WFont::operator=(C_WFont&& other) noexcept = default;
C_WFont::~C_WFont() = default;

int C_WFont::MakeFontEx(const C_WString& face, int height, int weight, bool italic, bool underline, bool strikeOut)
{
    DeleteFont();
    // Fonts need the font database, which the application object brings.
    if (!QGuiApplication::instance())
        return 0;
    auto impl = std::make_unique<Impl>();
    QFont font(resolveFace(detail::ToQString(face)));
    if (height > 0) {
        // A positive height is the cell height: the largest size whose ascent + descent fits.
        int pixels = height;
        while (pixels > 1 && cellHeight(font, pixels) > height)
            --pixels;
        font.setPixelSize(pixels);
    } else if (height < 0) {
        font.setPixelSize(-height);
    } else {
        font.setPixelSize(QFontInfo(QGuiApplication::font()).pixelSize());
    }
    impl->weight = weight <= 0 ? 400 : (weight > 1000 ? 1000 : weight);
    font.setWeight(static_cast<QFont::Weight>(impl->weight));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    impl->font = font;
    impl->italic = italic;
    impl->underline = underline;
    impl->strikeOut = strikeOut;
    cacheMetrics(*impl);
    m_impl = std::move(impl);
    return 1;
}

void C_WFont::DeleteFont()
{
    m_impl.reset();
}

bool C_WFont::IsNull() const
{
    return !m_impl;
}

int C_WFont::GetStringWidth(const C_WString& text) const
{
    if (!m_impl || text.IsEmpty())
        return 0;
    // Character by character, without kerning between them, so that a width computed for a
    // label is the same whatever text follows it.
    const QFontMetrics metrics(m_impl->font);
    const QString q = detail::ToQString(text);
    int width = 0;
    for (qsizetype i = 0; i < q.size(); ++i) {
        if (q[i].isHighSurrogate() && i + 1 < q.size() && q[i + 1].isLowSurrogate()) {
            width += metrics.horizontalAdvance(q.mid(i, 2));
            ++i;
        } else {
            width += metrics.horizontalAdvance(q[i]);
        }
    }
    return width;
}

int C_WFont::GetFontHeight() const
{
    return m_impl ? m_impl->height : 0;
}

int C_WFont::GetFontAscent() const
{
    return m_impl ? m_impl->ascent : 0;
}

int C_WFont::GetFontDescent() const
{
    return m_impl ? m_impl->descent : 0;
}

int C_WFont::GetFontWeight() const
{
    return m_impl ? m_impl->weight : 0;
}

bool C_WFont::IsItaric() const
{
    return m_impl && m_impl->italic;
}

bool C_WFont::IsUnderlined() const
{
    return m_impl && m_impl->underline;
}

bool C_WFont::IsDellined() const
{
    return m_impl && m_impl->strikeOut;
}

C_WString C_WFont::GetFontFace() const
{
    return m_impl ? detail::FromQString(m_impl->face) : C_WString();
}

C_WFont C_WFont::GetDefaultFont()
{
    C_WFont out;
    if (!QGuiApplication::instance())
        return out;
    auto impl = std::make_unique<Impl>();
    impl->font = QGuiApplication::font();
    impl->weight = impl->font.weight();
    cacheMetrics(*impl);
    out.m_impl = std::move(impl);
    return out;
}

namespace detail {

QFont QFontOf(const C_WFont& font)
{
    return font.GetImpl() ? font.GetImpl()->font : QGuiApplication::font();
}

}  // namespace detail
}  // namespace qarvo::ui
