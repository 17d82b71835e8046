// GDI over Qt's raster painting: device contexts, bitmaps, brushes, blits.
#include "toolkit/winapi/GdiObjects.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>
#include <vector>

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

double ScaleOf(const TDeviceContext* dc) { return dc->Target ? dc->Target->devicePixelRatio() : dc->ScreenScale; }

// The device pixels of a logical rectangle in a context. The origin lands on a whole device
// pixel first, so that a control's pixels come out the same wherever it sits, and an
// off-screen copy of it (origin 0) matches it pixel for pixel.
QRect DeviceEdges(const TDeviceContext* dc, long long left, long long top, long long right, long long bottom)
{
    const double s = ScaleOf(dc);
    const int ox = ToDevicePixels(dc->OriginX, s), oy = ToDevicePixels(dc->OriginY, s);
    return QRect(QPoint(ox + ToDevicePixels(left, s), oy + ToDevicePixels(top, s)),
                 QPoint(ox + ToDevicePixels(right, s) - 1, oy + ToDevicePixels(bottom, s) - 1));
}
QRect DeviceRect(const TDeviceContext* dc, int x, int y, int w, int h)
{
    return DeviceEdges(dc, x, y, static_cast<long long>(x) + w, static_cast<long long>(y) + h);
}

// The device-pixel rectangle a context may touch. The clip stays on the target's own grid, so
// that a control never draws past its logical edges; at a fractional ratio its last device row
// or column may fall outside it.
QRect DeviceClip(const TDeviceContext* dc)
{
    QRect whole = dc->Target ? dc->Target->rect() : QRect();
    if (!dc->HasClip) return whole;
    const RECT& c = dc->Clip;
    const double s = ScaleOf(dc);
    return whole.intersected(QRect(QPoint(ToDevicePixels(c.left, s), ToDevicePixels(c.top, s)),
                                   QPoint(ToDevicePixels(c.right, s) - 1, ToDevicePixels(c.bottom, s) - 1)));
}

// Runs f with a painter on the context's device pixels (no scale, no origin), clipped.
template <class F>
bool PaintDevicePixels(TDeviceContext* dc, F&& f)
{
    if (!dc || !dc->Target || dc->Target->isNull()) return false;
    QRect clip = DeviceClip(dc);
    if (clip.isEmpty()) return false;
    // The same pixels seen at ratio 1, so that the painter's coordinates are device pixels.
    QImage& target = *dc->Target;
    QImage view(target.bits(), target.width(), target.height(), target.bytesPerLine(), target.format());
    QPainter p(&view);
    p.setClipRect(clip);
    f(p);
    return true;
}

// A copy of device pixels, to be drawn by a device-pixel painter.
QImage DevicePixels(const QImage& image, const QRect& r)
{
    QImage piece = image.copy(r);
    piece.setDevicePixelRatio(1);
    return piece;
}

// The source's pixels laid on the destination's grid where the two differ (another ratio, or
// blocks placed otherwise at a fractional one): each logical pixel's block takes the colour at
// the corner of the source's block for the same logical pixel, so that blocks stay whole and a
// picture keeps its pixels. Destination pixels whose source lies outside `allowed` keep theirs.
QImage OnDestinationGrid(const TDeviceContext* src, QPoint from, const TDeviceContext* dest, QPoint at, QSize logical,
                         const QRect& to, const QRect& allowed)
{
    auto map = [](int count, int devices, auto&& destBlock, auto&& sourceCorner) {
        std::vector<int> source(static_cast<std::size_t>(devices), -1);
        for (int u = 0; u < count; ++u) {
            const auto [first, last] = destBlock(u);
            for (int i = std::max(first, 0); i <= std::min(last, devices - 1); ++i)
                source[static_cast<std::size_t>(i)] = sourceCorner(u);
        }
        return source;
    };
    const std::vector<int> columns = map(
        logical.width(), to.width(),
        [&](int u) {
            QRect b = DeviceRect(dest, at.x() + u, at.y(), 1, 1);
            return std::pair{b.left() - to.left(), b.right() - to.left()};
        },
        [&](int u) { return DeviceRect(src, from.x() + u, from.y(), 1, 1).left(); });
    const std::vector<int> rows = map(
        logical.height(), to.height(),
        [&](int v) {
            QRect b = DeviceRect(dest, at.x(), at.y() + v, 1, 1);
            return std::pair{b.top() - to.top(), b.bottom() - to.top()};
        },
        [&](int v) { return DeviceRect(src, from.x(), from.y() + v, 1, 1).top(); });
    QImage out = dest->Target->copy(to).convertToFormat(QImage::Format_RGB32);
    out.setDevicePixelRatio(1);
    const QImage piece = src->Target->copy(allowed).convertToFormat(QImage::Format_RGB32);
    for (int j = 0; j < out.height(); ++j) {
        const int sy = rows[static_cast<std::size_t>(j)];
        if (sy < allowed.top() || sy > allowed.bottom()) continue;
        const auto* in = reinterpret_cast<const QRgb*>(piece.constScanLine(sy - allowed.top()));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(j));
        for (int i = 0; i < out.width(); ++i) {
            const int sx = columns[static_cast<std::size_t>(i)];
            if (sx >= allowed.left() && sx <= allowed.right()) line[i] = in[sx - allowed.left()];
        }
    }
    return out;
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

int ToDevicePixels(long long logical, double scale)
{
    // Far-off coordinates (a rectangle "to the end") stay far off rather than overflow, also
    // with an origin added.
    constexpr double kFar = 1 << 29;
    return static_cast<int>(std::clamp(std::floor(logical * scale + 0.5), -kFar, kFar));
}

bool WithPainter(HDC hdc, const std::function<void(QPainter&)>& f)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    return PaintDevicePixels(dc, [&](QPainter& p) {
        const double s = ScaleOf(dc);
        p.translate(ToDevicePixels(dc->OriginX, s), ToDevicePixels(dc->OriginY, s));
        p.scale(s, s);
        f(p);
    });
}

void FillSolidRect(HDC hdc, const RECT& r, COLORREF color)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || r.right <= r.left || r.bottom <= r.top) return;
    const QRect pixels = DeviceEdges(dc, r.left, r.top, r.right, r.bottom);
    PaintDevicePixels(dc, [&](QPainter& p) { p.fillRect(pixels, QColor(ToQRgb(color))); });
}

HDC GetDC(HWND hWnd)
{
    // The screen's context has no pixels of its own; bitmaps made for it get the finest ratio
    // of the screens (or the window's), so that what is drawn in them is as sharp as the screen.
    auto* dc = new TDeviceContext;
    if (QWidget* w = WidgetFromHandle(hWnd)) dc->ScreenScale = w->devicePixelRatioF();
    else if (qGuiApp) dc->ScreenScale = qGuiApp->devicePixelRatio();
    return RegisterDC(dc);
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
    TDeviceContext* dc = DCFromHandle(hdc);
    if (hdc && !dc) return nullptr;
    if (cx < 0 || cy < 0 || static_cast<long long>(cx) * cy > (1LL << 28)) return nullptr;
    // Compatible with a context: its device pixels. Without one: one pixel per logical pixel,
    // as bitmaps whose rows are read and written are.
    const double s = dc ? ScaleOf(dc) : 1.0;
    auto* bmp = new TGdiBitmap;
    bmp->Image = std::make_unique<QImage>(ToDevicePixels(cx, s), ToDevicePixels(cy, s), QImage::Format_RGB32);
    if (!bmp->Image->isNull()) {
        bmp->Image->setDevicePixelRatio(s);
        bmp->Image->fill(Qt::black);
    }
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
    TDeviceContext* dest = DCFromHandle(hdc);
    if (rop != SRCCOPY || !src || !dest || cx < 0 || cy < 0) return FALSE;
    if (!src->Target || src->Target->isNull()) return FALSE;
    // Copy what the source may show (its clip) so that neighbours outside a control stay out.
    const QRect from = DeviceRect(src, x1, y1, cx, cy);
    const QRect allowed = DeviceClip(src).intersected(from);
    const QRect to = DeviceRect(dest, x, y, cx, cy);
    bool ok = PaintDevicePixels(dest, [&](QPainter& p) {
        if (allowed.isEmpty() || to.isEmpty()) return;
        p.setCompositionMode(QPainter::CompositionMode_Source);
        if (from.size() == to.size()) {
            // Pixel for pixel.
            p.drawImage(to.topLeft() + (allowed.topLeft() - from.topLeft()), DevicePixels(*src->Target, allowed));
            return;
        }
        p.drawImage(to.topLeft(), OnDestinationGrid(src, {x1, y1}, dest, {x, y}, {cx, cy}, to, allowed));
    });
    return ok || dest->Target == nullptr ? TRUE : FALSE;
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
    const QRect from = DeviceRect(src, xoriginSrc, yoriginSrc, wSrc, hSrc);
    // Never reads past the source: the rectangle lies within its clip, its pixels in its image.
    const RECT& c = src->Clip;
    const int left = xoriginSrc + src->OriginX, top = yoriginSrc + src->OriginY;
    if (src->HasClip && (left < c.left || top < c.top || left + wSrc > c.right || top + hSrc > c.bottom)) return FALSE;
    if (!src->Target->rect().contains(from)) return FALSE;
    const QImage piece = DevicePixels(*src->Target, from);  // the source may be the destination's own image
    const QRect to = DeviceRect(dest, xoriginDest, yoriginDest, wDest, hDest);
    // Qt turns the opacity into a 0..256 weight and that into a 0..255 one with a shift;
    // A+1 over 256 comes out as exactly A, where A/255 would lose one for small A.
    const int a = ftn.SourceConstantAlpha;
    const double opacity = a == 255 ? 1.0 : a == 0 ? 0.0 : (a + 1) / 256.0;
    PaintDevicePixels(dest, [&](QPainter& p) {
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(opacity);
        p.drawImage(to, piece);
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
    FillSolidRect(hDC, *lprc, brush->Color);
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

// A logical pixel is the block of device pixels it covers: read at its corner, written whole.
COLORREF GetPixel(HDC hdc, int x, int y)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || !dc->Target) return 0xFFFFFFFF;
    QPoint p = DeviceRect(dc, x, y, 1, 1).topLeft();
    if (!DeviceClip(dc).contains(p)) return 0xFFFFFFFF;
    return FromQRgb(dc->Target->pixel(p));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || !dc->Target) return 0xFFFFFFFF;
    const QRect block = DeviceRect(dc, x, y, 1, 1);
    if (!DeviceClip(dc).contains(block.topLeft())) return 0xFFFFFFFF;
    PaintDevicePixels(dc, [&](QPainter& p) { p.fillRect(block, QColor(ToQRgb(color))); });
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
