#pragma once
// C_Bitmap: a decoded picture (PNG, JPEG or GIF). Decoding works on any thread, so a loader
// thread can turn downloaded bytes into a picture and hand it to a picture control.
// Copies share the decoded pixels.

#include <cstddef>
#include <memory>

namespace qarvo::ui {

class C_Bitmap {
public:
    C_Bitmap();
    ~C_Bitmap();
    C_Bitmap(const C_Bitmap&);
    C_Bitmap& operator=(const C_Bitmap&);

    // Replaces the picture; false (and an empty bitmap) when the bytes are not a picture.
    bool LoadFromMemory(const void* data, size_t size);
    void Clear();
    bool IsNull() const;
    int GetWidth() const;
    int GetHeight() const;

    struct Impl;
    const Impl* GetImpl() const { return m_impl.get(); }

private:
    std::shared_ptr<const Impl> m_impl;
};

}  // namespace qarvo::ui
