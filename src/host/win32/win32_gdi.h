// GDI pieces that drawing and the picture operations share: the raster
// operation of a copy mode, a memory DC that holds a bitmap for one
// operation, and the transparent copy.
#pragma once

#include <windows.h>

#include "host/drawing_host.h"

namespace talven {

inline DWORD raster_operation(CopyMode mode)
{
    switch (mode) {
    case CopyMode::And: return SRCAND;
    case CopyMode::Paint: return SRCPAINT;
    case CopyMode::Invert: return SRCINVERT;
    case CopyMode::DestInvert: return DSTINVERT;
    case CopyMode::Copy:
    case CopyMode::Transparent: break;
    }
    return SRCCOPY;
}

// A memory DC holding a bitmap for the length of one operation.
class MemorySurface {
public:
    MemorySurface(HDC reference, HBITMAP bitmap) : m_dc(CreateCompatibleDC(reference)), m_bitmap(bitmap)
    {
        if (m_dc && m_bitmap)
            m_old = SelectObject(m_dc, m_bitmap);
    }
    ~MemorySurface()
    {
        if (m_dc) {
            if (m_old)
                SelectObject(m_dc, m_old);
            DeleteDC(m_dc);
        }
        if (m_bitmap)
            DeleteObject(m_bitmap);
    }
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;
    bool ok() const { return m_dc && m_bitmap && m_old; }
    HDC dc() const { return m_dc; }
    // Takes the bitmap out of the DC and out of this surface's keeping: for
    // a bitmap that belongs to someone else.
    HBITMAP take()
    {
        HBITMAP bitmap = release_selection();
        m_bitmap = nullptr;
        return bitmap;
    }
    // Takes the bitmap out of the DC (GetDIBits wants it unselected).
    HBITMAP release_selection()
    {
        if (m_old) {
            SelectObject(m_dc, m_old);
            m_old = nullptr;
        }
        return m_bitmap;
    }

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old = nullptr;
};

// The transparent copy of a w x h source: the colour of its pixel (1, h - 1)
// is kept from the destination. The source bitmap is changed on the way.
inline void transparent_copy(HDC destination, int x, int y, int w, int h, HDC source)
{
    COLORREF key = GetPixel(source, 1, h - 1);
    MemorySurface mask(destination, CreateBitmap(w, h, 1, 1, nullptr));
    MemorySurface inverse(destination, CreateBitmap(w, h, 1, 1, nullptr));
    MemorySurface work(destination, CreateCompatibleBitmap(destination, w, h));
    if (!mask.ok() || !inverse.ok() || !work.ok())
        return;
    COLORREF old_background = SetBkColor(source, key);
    BitBlt(mask.dc(), 0, 0, w, h, source, 0, 0, SRCCOPY);
    SetBkColor(source, old_background);
    BitBlt(inverse.dc(), 0, 0, w, h, mask.dc(), 0, 0, NOTSRCCOPY);
    BitBlt(work.dc(), 0, 0, w, h, destination, x, y, SRCCOPY);
    BitBlt(work.dc(), 0, 0, w, h, mask.dc(), 0, 0, SRCAND);
    BitBlt(source, 0, 0, w, h, inverse.dc(), 0, 0, SRCAND);
    BitBlt(work.dc(), 0, 0, w, h, source, 0, 0, SRCPAINT);
    BitBlt(destination, x, y, w, h, work.dc(), 0, 0, SRCCOPY);
}

} // namespace talven
