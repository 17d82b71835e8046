#include "components/alphabutton/AlphaBtn.h"

#include "toolkit/graphics/Bitmap.h"
#include "toolkit/system/Published.h"
#include "toolkit/system/SysUtils.h"
#include "toolkit/system/UnitCount.h"

#include <string>

TK_CLASS_IMPL(TAlphaSpeedButton, TSpeedButton, {
    info.Create = CreatorOf<TAlphaSpeedButton>();
    // No default: every form description states the opacity.
    info.Props.push_back(Prop::Integer<TAlphaSpeedButton>(
        "Alpha", [](TAlphaSpeedButton& b) { return b.Alpha(); },
        [](TAlphaSpeedButton& b, int64_t v) {
            if (v < 0 || v > 255) throw EConvertError(AnsiString("Alpha " + std::to_string(v) + " is not within 0 to 255"));
            b.SetAlpha(static_cast<uint8_t>(v));
        }));
})

// ---- Unit state ------------------------------------------------------------------------------

namespace {

struct TAlphaBtnUnit;
using TUsers = TUnitCount<TAlphaBtnUnit>;

// Constant-initialised, so valid before any file's initialiser runs.
HMODULE Msimg32 = nullptr;
TAlphaBlendFunc BlendRoutine = nullptr;

constexpr BOOL SoftBlendSuccess = ~0;  // all bits set

}  // namespace

TAlphaBlendFunc AlphaBlendRoutine() { return BlendRoutine; }
HMODULE AlphaBlendLibrary() { return Msimg32; }
int AlphaBtnInitCount() { return -TUsers::Users(); }

void AlphaBtnInitialization()
{
    if (!TUsers::Enter()) return;
    Msimg32 = LoadLibraryA("msimg32.dll");
    BlendRoutine = nullptr;
    if (Msimg32) {
        // Through void(*)(), the one function type any other converts to without a warning.
        auto proc = reinterpret_cast<void (*)()>(GetProcAddress(Msimg32, "AlphaBlend"));
        BlendRoutine = reinterpret_cast<TAlphaBlendFunc>(proc);
    }
    if (!BlendRoutine) BlendRoutine = SoftAlphaBlend;
}

void AlphaBtnFinalization()
{
    if (!TUsers::Leave()) return;  // not the last user, or not initialised: nothing to release
    if (Msimg32) FreeLibrary(Msimg32);
    Msimg32 = nullptr;
    BlendRoutine = nullptr;  // it may have lived in the library just freed
}

// ---- SoftAlphaBlend --------------------------------------------------------------------------

BOOL SoftAlphaBlend(HDC hdcDest, int, int, int wDest, int hDest, HDC hdcSrc, int, int, int, int, BLENDFUNCTION ftn)
{
    if (wDest < 0 || hDest < 0) return FALSE;
    if (wDest == 0 || hDest == 0) return SoftBlendSuccess;
    const unsigned a = ftn.SourceConstantAlpha;
    try {
        // Row 0 holds the destination's row, row 1 the source's.
        TBitmap work;
        work.SetPixelFormat(pf24bit);
        work.SetSize(wDest, 2);
        HDC workDC = work.Canvas()->Handle();
        const int bytes = wDest * 3;
        for (int y = 0; y < hDest; ++y) {
            // A row that cannot be read is left alone rather than blended with stale bytes.
            // The destination row, copied in first, is what the source is blended over.
            // NOLINTNEXTLINE(readability-suspicious-call-argument)
            if (!BitBlt(workDC, 0, 0, wDest, 1, hdcDest, 0, y, SRCCOPY)) return FALSE;
            if (!BitBlt(workDC, 0, 1, wDest, 1, hdcSrc, 0, y, SRCCOPY)) return FALSE;
            uint8_t* dst = work.ScanLine(0);
            const uint8_t* src = work.ScanLine(1);
            for (int i = 0; i < bytes; ++i) dst[i] = static_cast<uint8_t>((a * src[i] + (255 - a) * dst[i]) / 255);
            BitBlt(hdcDest, 0, y, wDest, 1, workDC, 0, 0, SRCCOPY);
        }
    } catch (const Exception&) {
        return FALSE;  // no memory for the work rows
    }
    return SoftBlendSuccess;
}

// ---- TAlphaSpeedButton -----------------------------------------------------------------------

TAlphaSpeedButton::TAlphaSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner), FAlpha(255) {}

void TAlphaSpeedButton::SetAlpha(uint8_t value)
{
    if (value == FAlpha) return;
    FAlpha = value;
    Invalidate();
}

void TAlphaSpeedButton::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    default: TSpeedButton::Dispatch(Message);
    }
}

void TAlphaSpeedButton::WMPaint(TMessage& Message)
{
    HDC paintDC = PaintDC(Message);
    if (!paintDC) return TSpeedButton::Dispatch(Message);
    const TRect r = ClientRect();
    const int w = r.right, h = r.bottom;

    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    if (!bitmap) return TSpeedButton::Dispatch(Message);  // too large to copy: paint it plainly
    HDC memDC = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(memDC, bitmap);
    // The off-screen image starts as what the parent painted behind the button.
    BitBlt(memDC, 0, 0, w, h, paintDC, 0, 0, SRCCOPY);

    auto release = [&] {
        SetPaintDC(Message, paintDC);  // the caller never sees the freed context
        SelectObject(memDC, oldBitmap);
        DeleteDC(memDC);
        DeleteObject(bitmap);
    };
    try {
        SetPaintDC(Message, memDC);
        TSpeedButton::Dispatch(Message);
        SetPaintDC(Message, paintDC);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, FAlpha, 0};
        TAlphaBlendFunc routine = BlendRoutine ? BlendRoutine : SoftAlphaBlend;  // unit already finalised
        routine(paintDC, 0, 0, w, h, memDC, 0, 0, w, h, blend);
    } catch (...) {
        release();
        throw;
    }
    release();
}
