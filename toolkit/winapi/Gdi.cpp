// GDI over Qt's raster painting: device contexts, bitmaps, brushes, blits.
#include "toolkit/winapi/GdiObjects.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <unordered_set>

namespace {

std::unordered_set<const void*>& LiveDCs()
{
    static std::unordered_set<const void*> s;
    return s;
}
std::unordered_set<const void*>& LiveObjects()
{
    static std::unordered_set<const void*> s;
    return s;
}

HDC RegisterDC(TDeviceContext* dc)
{
    LiveDCs().insert(dc);
    return reinterpret_cast<HDC>(dc);
}

QRgb ToQRgb(COLORREF c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
COLORREF FromQRgb(QRgb c) { return static_cast<COLORREF>(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16)); }

// The device-pixel rectangle a context may touch.
QRect DeviceClip(const TDeviceContext* dc)
{
    QRect whole = dc->Target ? dc->Target->rect() : QRect();
    if (!dc->HasClip) return whole;
    return whole.intersected(QRect(QPoint(dc->Clip.left, dc->Clip.top), QPoint(dc->Clip.right - 1, dc->Clip.bottom - 1)));
}

}  // namespace

HGDIOBJ RegisterGdiObject(TGdiObject* o)
{
    LiveObjects().insert(o);
    return reinterpret_cast<HGDIOBJ>(o);
}

namespace {
std::unordered_set<const void*>& LiveWindows()
{
    static std::unordered_set<const void*> s;
    return s;
}
}  // namespace

void RegisterWindowHandle(QWidget* w) { LiveWindows().insert(w); }
void UnregisterWindowHandle(QWidget* w) { LiveWindows().erase(w); }
QWidget* WidgetFromHandle(HWND h)
{
    if (!h || !LiveWindows().contains(h)) return nullptr;
    return reinterpret_cast<QWidget*>(h);
}

TGdiBitmap::TGdiBitmap() : TGdiObject(TGdiKind::Bitmap) {}
TGdiBitmap::~TGdiBitmap() = default;

TDeviceContext* DCFromHandle(HDC dc)
{
    if (!dc || !LiveDCs().contains(dc)) return nullptr;
    return reinterpret_cast<TDeviceContext*>(dc);
}

TGdiObject* GdiFromHandle(HGDIOBJ h)
{
    if (!h || !LiveObjects().contains(h)) return nullptr;
    return reinterpret_cast<TGdiObject*>(h);
}

int GdiLiveObjectCount() { return static_cast<int>(LiveObjects().size() + LiveDCs().size()); }

HDC CreateImageDC(QImage* image, int originX, int originY, const RECT* clip)
{
    auto* dc = new TDeviceContext;
    dc->Target = image;
    dc->OriginX = originX;
    dc->OriginY = originY;
    if (clip) {
        dc->Clip = *clip;
        dc->HasClip = true;
    }
    return RegisterDC(dc);
}

bool WithPainter(HDC hdc, const std::function<void(QPainter&)>& f)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || !dc->Target || dc->Target->isNull()) return false;
    QRect clip = DeviceClip(dc);
    if (clip.isEmpty()) return false;
    QPainter p(dc->Target);
    p.setClipRect(clip);
    p.translate(dc->OriginX, dc->OriginY);
    f(p);
    return true;
}

HDC GetDC(HWND)
{
    // Only the screen's context is asked for; it has no pixels of its own here.
    return RegisterDC(new TDeviceContext);
}

int ReleaseDC(HWND, HDC hDC)
{
    TDeviceContext* dc = DCFromHandle(hDC);
    if (!dc || dc->Memory) return 0;
    LiveDCs().erase(hDC);
    delete dc;
    return 1;
}

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc && !DCFromHandle(hdc)) return nullptr;
    auto* dc = new TDeviceContext;
    dc->Memory = true;
    dc->StockBitmap = CreateCompatibleBitmap(nullptr, 1, 1);
    auto* bmp = GdiAs<TGdiBitmap>(dc->StockBitmap, TGdiKind::Bitmap);
    bmp->SelectedInto = reinterpret_cast<HDC>(dc);
    dc->Bitmap = dc->StockBitmap;
    dc->Target = bmp->Image.get();
    HDC handle = RegisterDC(dc);
    bmp->SelectedInto = handle;
    return handle;
}

BOOL DeleteDC(HDC hdc)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc) return FALSE;
    if (auto* bmp = GdiAs<TGdiBitmap>(dc->Bitmap, TGdiKind::Bitmap)) bmp->SelectedInto = nullptr;
    LiveDCs().erase(hdc);
    if (dc->StockBitmap) {
        LiveObjects().erase(dc->StockBitmap);
        delete reinterpret_cast<TGdiObject*>(dc->StockBitmap);
    }
    delete dc;
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    if (hdc && !DCFromHandle(hdc)) return nullptr;
    if (cx < 0 || cy < 0 || static_cast<long long>(cx) * cy > (1LL << 28)) return nullptr;
    auto* bmp = new TGdiBitmap;
    bmp->Image = std::make_unique<QImage>(std::max(cx, 0), std::max(cy, 0), QImage::Format_RGB32);
    if (!bmp->Image->isNull()) bmp->Image->fill(Qt::black);
    return RegisterGdiObject(bmp);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    TGdiObject* o = GdiFromHandle(h);
    if (!dc || !o) return nullptr;
    HGDIOBJ previous = nullptr;
    switch (o->Kind) {
    case TGdiKind::Bitmap: {
        if (!dc->Memory) return nullptr;
        auto* bmp = static_cast<TGdiBitmap*>(o);
        if (bmp->SelectedInto && bmp->SelectedInto != hdc) return nullptr;  // one context at a time
        previous = dc->Bitmap;
        if (auto* old = GdiAs<TGdiBitmap>(dc->Bitmap, TGdiKind::Bitmap)) old->SelectedInto = nullptr;
        bmp->SelectedInto = hdc;
        dc->Bitmap = h;
        dc->Target = bmp->Image.get();
        break;
    }
    // clang-format off
    case TGdiKind::Brush: previous = dc->Brush; dc->Brush = h; break;
    case TGdiKind::Pen: previous = dc->Pen; dc->Pen = h; break;
    case TGdiKind::Font: previous = dc->Font; dc->Font = h; break;
        // clang-format on
    }
    return previous;
}

BOOL DeleteObject(HGDIOBJ ho)
{
    TGdiObject* o = GdiFromHandle(ho);
    if (!o) return FALSE;
    if (o->Kind == TGdiKind::Bitmap && static_cast<TGdiBitmap*>(o)->SelectedInto) return FALSE;  // still in use
    // Contexts that still hold a deleted brush, pen or font fall back to none.
    for (const void* p : LiveDCs()) {
        auto* dc = const_cast<TDeviceContext*>(static_cast<const TDeviceContext*>(p));
        if (dc->Brush == ho) dc->Brush = nullptr;
        if (dc->Pen == ho) dc->Pen = nullptr;
        if (dc->Font == ho) dc->Font = nullptr;
    }
    LiveObjects().erase(ho);
    delete o;
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    TDeviceContext* src = DCFromHandle(hdcSrc);
    if (rop != SRCCOPY || !src || !DCFromHandle(hdc) || cx < 0 || cy < 0) return FALSE;
    if (!src->Target || src->Target->isNull()) return FALSE;
    // Copy what the source may show (its clip) so that neighbours outside a control stay out.
    QRect srcRect(x1 + src->OriginX, y1 + src->OriginY, cx, cy);
    QRect allowed = DeviceClip(src).intersected(srcRect);
    QImage piece = src->Target->copy(srcRect);
    bool ok = WithPainter(hdc, [&](QPainter& p) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        QRect part = allowed.translated(-srcRect.topLeft());
        p.drawImage(QPoint(x + part.left(), y + part.top()), piece, part);
    });
    return ok || DCFromHandle(hdc)->Target == nullptr ? TRUE : FALSE;
}

BOOL AlphaBlend(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc, int xoriginSrc, int yoriginSrc,
                int wSrc, int hSrc, BLENDFUNCTION ftn)
{
    TDeviceContext* src = DCFromHandle(hdcSrc);
    TDeviceContext* dest = DCFromHandle(hdcDest);
    if (!src || !dest || wDest < 0 || hDest < 0 || wSrc < 0 || hSrc < 0) return FALSE;
    if (ftn.BlendOp != AC_SRC_OVER || ftn.BlendFlags != 0 || ftn.AlphaFormat != 0) return FALSE;
    if (!src->Target || src->Target->isNull()) return FALSE;
    if (wDest == 0 || hDest == 0 || wSrc == 0 || hSrc == 0) return TRUE;
    QRect srcRect(xoriginSrc + src->OriginX, yoriginSrc + src->OriginY, wSrc, hSrc);
    if (!DeviceClip(src).contains(srcRect)) return FALSE;  // never reads past the source
    QImage piece = src->Target->copy(srcRect);             // the source may be the destination's own image
    // Qt turns the opacity into a 0..256 weight and that into a 0..255 one with a shift;
    // A+1 over 256 comes out as exactly A, where A/255 would lose one for small A.
    const int a = ftn.SourceConstantAlpha;
    const double opacity = a == 255 ? 1.0 : a == 0 ? 0.0 : (a + 1) / 256.0;
    WithPainter(hdcDest, [&](QPainter& p) {
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(opacity);
        p.drawImage(QRect(xoriginDest, yoriginDest, wDest, hDest), piece);
    });
    return TRUE;
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto* b = new TGdiBrush;
    b->Color = color & 0xFFFFFF;
    return RegisterGdiObject(b);
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    auto* brush = GdiAs<TGdiBrush>(hbr, TGdiKind::Brush);
    if (!lprc || !brush || !DCFromHandle(hDC)) return 0;
    if (brush->Clear) return 1;
    QRect r(QPoint(lprc->left, lprc->top), QPoint(lprc->right - 1, lprc->bottom - 1));
    if (r.isEmpty()) return 1;
    WithPainter(hDC, [&](QPainter& p) { p.fillRect(r, QColor(ToQRgb(brush->Color))); });
    return 1;
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc) return 0xFFFFFFFF;
    COLORREF old = dc->TextColor;
    dc->TextColor = color & 0xFFFFFF;
    return old;
}

int SetBkMode(HDC hdc, int mode)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc) return 0;
    int old = dc->BkMode;
    dc->BkMode = mode;
    return old;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || !dc->Target) return 0xFFFFFFFF;
    QPoint p(x + dc->OriginX, y + dc->OriginY);
    if (!DeviceClip(dc).contains(p)) return 0xFFFFFFFF;
    return FromQRgb(dc->Target->pixel(p));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || !dc->Target) return 0xFFFFFFFF;
    QPoint p(x + dc->OriginX, y + dc->OriginY);
    if (!DeviceClip(dc).contains(p)) return 0xFFFFFFFF;
    dc->Target->setPixel(p, ToQRgb(color));
    return color & 0xFFFFFF;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL)
{
    QWidget* w = WidgetFromHandle(hWnd);
    if (!w) return FALSE;
    if (lpRect) w->update(QRect(QPoint(lpRect->left, lpRect->top), QPoint(lpRect->right - 1, lpRect->bottom - 1)));
    else w->update();
    return TRUE;
}

BOOL OffsetRect(RECT* lprc, int dx, int dy)
{
    if (!lprc) return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}
