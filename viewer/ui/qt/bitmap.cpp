#include <QByteArray>
#include <limits>

#include "viewer/ui/qt/bitmap_impl.h"

namespace qarvo::ui {

C_Bitmap::C_Bitmap() = default;
C_Bitmap::~C_Bitmap() = default;
C_Bitmap::C_Bitmap(const C_Bitmap&) = default;
C_Bitmap& C_Bitmap::operator=(const C_Bitmap&) = default;

bool C_Bitmap::LoadFromMemory(const void* data, size_t size)
{
    m_impl.reset();
    if (!data || size == 0 || size > static_cast<size_t>(std::numeric_limits<int>::max()))
        return false;
    // QImage decodes on any thread; the image readers refuse pictures beyond their memory limit.
    auto impl = std::make_shared<Impl>();
    if (!impl->image.loadFromData(static_cast<const uchar*>(data), static_cast<int>(size)) || impl->image.isNull())
        return false;
    m_impl = std::move(impl);
    return true;
}

void C_Bitmap::Clear()
{
    m_impl.reset();
}

bool C_Bitmap::IsNull() const
{
    return !m_impl || m_impl->image.isNull();
}

int C_Bitmap::GetWidth() const
{
    return m_impl ? m_impl->image.width() : 0;
}

int C_Bitmap::GetHeight() const
{
    return m_impl ? m_impl->image.height() : 0;
}

}  // namespace qarvo::ui
