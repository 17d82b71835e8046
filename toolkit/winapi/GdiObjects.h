#pragma once
// Toolkit-internal: what the GDI handles stand for. Only toolkit .cpp files use this.
#include "toolkit/winapi/Windows.h"

#include <functional>
#include <memory>

class QImage;
class QPainter;
class QFont;

enum class TGdiKind { Bitmap, Brush, Pen, Font };

struct TGdiObject {
    explicit TGdiObject(TGdiKind kind) : Kind(kind) {}
    virtual ~TGdiObject() = default;
    TGdiKind Kind;
};

struct TGdiBitmap : TGdiObject {
    TGdiBitmap();
    ~TGdiBitmap() override;
    std::unique_ptr<QImage> Image;  // 32-bit RGB
    HDC SelectedInto = nullptr;
};

struct TGdiBrush : TGdiObject {
    TGdiBrush() : TGdiObject(TGdiKind::Brush) {}
    COLORREF Color = 0xFFFFFF;
    bool Clear = false;
};

struct TGdiPen : TGdiObject {
    TGdiPen() : TGdiObject(TGdiKind::Pen) {}
    COLORREF Color = 0;
    int Width = 1;
    bool Clear = false;
};

struct TGdiFont : TGdiObject {
    TGdiFont() : TGdiObject(TGdiKind::Font) {}
    LOGFONTA Log{};
};

// A device context: a target image (none for the screen), an origin and a clip rectangle, and
// the selected objects. Coordinates are logical pixels; the target holds device pixels, its
// device pixel ratio more in each direction (QImage::devicePixelRatio), so that text and
// lines come out at the screen's full resolution.
struct TDeviceContext {
    QImage* Target = nullptr;
    int OriginX = 0, OriginY = 0;  // in the target
    RECT Clip{};                   // in the target
    bool HasClip = false;
    double ScreenScale = 1;  // the device pixel ratio of a context without a target (the screen)
    bool Memory = false;
    HBITMAP Bitmap = nullptr;       // selected into a memory context
    HBITMAP StockBitmap = nullptr;  // the 1x1 bitmap a memory context starts with
    HFONT Font = nullptr;
    HBRUSH Brush = nullptr;
    HPEN Pen = nullptr;
    COLORREF TextColor = 0;
    int BkMode = OPAQUE;
    COLORREF BkColor = 0xFFFFFF;
};

// Makes a new object a live handle.
HGDIOBJ RegisterGdiObject(TGdiObject* o);
// Null for a handle that is null, deleted or of another kind.
TDeviceContext* DCFromHandle(HDC dc);
TGdiObject* GdiFromHandle(HGDIOBJ h);
template <class T>
T* GdiAs(HGDIOBJ h, TGdiKind kind)
{
    TGdiObject* o = GdiFromHandle(h);
    return o && o->Kind == kind ? static_cast<T*>(o) : nullptr;
}

// Window handles are QWidgets the toolkit registered; others are refused.
class QWidget;
void RegisterWindowHandle(QWidget* w);
void UnregisterWindowHandle(QWidget* w);
QWidget* WidgetFromHandle(HWND h);
inline HWND HandleOfWidget(QWidget* w) { return reinterpret_cast<HWND>(w); }

// A logical coordinate in device pixels at a device pixel ratio, rounded as Qt's painter rounds
// the edges of what it fills, so that what the contexts fill meets what the painter draws.
int ToDevicePixels(long long logical, double scale);
// A context over an image the caller keeps alive (a window's backing image while it paints);
// its device pixel ratio is the image's.
HDC CreateImageDC(QImage* image, int originX, int originY, const RECT* clip);
// Runs f with a painter set up for the context: logical coordinates from the origin, scaled to
// the target's device pixels, clipped; false when the context has nothing to draw on.
bool WithPainter(HDC hdc, const std::function<void(QPainter&)>& f);
// Fills a logical rectangle with a colour (0x00BBGGRR) on exactly the device pixels that
// FillRect and the blits give it, so that neighbouring rectangles neither gap nor overlap at
// fractional ratios.
void FillSolidRect(HDC hdc, const RECT& r, COLORREF color);
QFont QFontFromLog(const LOGFONTA& log);
// The stock objects a fresh context selects.
HFONT StockFont();
