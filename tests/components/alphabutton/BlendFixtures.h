#pragma once
// Helpers for the blend tests: memory images made with the Win32 calls, and the unit's real
// initialisation run again with parts of the system hidden.
#include "components/alphabutton/AlphaBtn.h"
#include "toolkit/winapi/SystemLibraries.h"

#include <functional>

// A memory device context with a w x h bitmap of its own.
class TMemoryImage {
public:
    TMemoryImage(int w, int h, const std::function<COLORREF(int x, int y)>& fill = {}) : W(w), H(h)
    {
        DC = CreateCompatibleDC(nullptr);
        Bitmap = CreateCompatibleBitmap(nullptr, w, h);
        Old = SelectObject(DC, Bitmap);
        if (fill)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) SetPixel(DC, x, y, fill(x, y));
    }
    ~TMemoryImage()
    {
        SelectObject(DC, Old);
        DeleteDC(DC);
        DeleteObject(Bitmap);
    }
    TMemoryImage(const TMemoryImage&) = delete;
    TMemoryImage& operator=(const TMemoryImage&) = delete;
    COLORREF Pixel(int x, int y) const { return GetPixel(DC, x, y); }

    int W, H;
    HDC DC = nullptr;
    HBITMAP Bitmap = nullptr;
    HGDIOBJ Old = nullptr;
};

// While it lives, the unit is initialised as if it were the only user, with msimg32 or its
// AlphaBlend export hidden as asked; afterwards the unit is as it was.
class TUnitReinitialised {
public:
    enum THide { hideNothing, hideExport, hideLibrary };
    explicit TUnitReinitialised(THide hide) : FHide(hide)
    {
        while (AlphaBtnInitCount() != 0) {
            AlphaBtnFinalization();
            ++FUsers;
        }
        Hide(true);
        AlphaBtnInitialization();
    }
    ~TUnitReinitialised()
    {
        AlphaBtnFinalization();
        Hide(false);
        for (int i = 0; i < FUsers; ++i) AlphaBtnInitialization();
    }
    TUnitReinitialised(const TUnitReinitialised&) = delete;
    TUnitReinitialised& operator=(const TUnitReinitialised&) = delete;

private:
    void Hide(bool on)
    {
        if (FHide == hideExport) SetSystemExportHidden("msimg32.dll", "AlphaBlend", on);
        if (FHide == hideLibrary) SetSystemLibraryHidden("msimg32.dll", on);
    }
    THide FHide;
    int FUsers = 0;
};

inline int Channel(COLORREF c, int i) { return static_cast<int>((c >> (8 * i)) & 0xFF); }

// The software blend's arithmetic, one colour at a time.
inline COLORREF Blended(COLORREF src, COLORREF dst, unsigned a)
{
    COLORREF out = 0;
    for (int i = 0; i < 3; ++i)
        out |= static_cast<COLORREF>((a * Channel(src, i) + (255 - a) * Channel(dst, i)) / 255) << (8 * i);
    return out;
}
