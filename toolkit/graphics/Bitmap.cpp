#include "toolkit/graphics/Bitmap.h"

#include "toolkit/system/Published.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QImage>
#include <QPainter>

class TBitmapPrivate {
public:
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ stock = nullptr;
    TCanvas canvas;

    QImage* Image() const
    {
        auto* b = GdiAs<TGdiBitmap>(bitmap, TGdiKind::Bitmap);
        return b ? b->Image.get() : nullptr;
    }
    void ReleaseDC()
    {
        if (!dc) return;
        SelectObject(dc, stock);
        DeleteDC(dc);
        dc = nullptr;
        canvas.SetHandle(nullptr);
    }
};

TK_CLASS_IMPL(TGraphic, TPersistent, {})
TK_CLASS_IMPL(TBitmap, TGraphic, {})

namespace {
QImage::Format FormatOf(TPixelFormat f) { return f == pf24bit ? QImage::Format_BGR888 : QImage::Format_RGB32; }
}  // namespace

TBitmap::TBitmap() : d(std::make_unique<TBitmapPrivate>()) { Recreate(0, 0, pfDevice); }

TBitmap::~TBitmap()
{
    d->ReleaseDC();
    DeleteObject(d->bitmap);
}

int TBitmap::Width() const { return d->Image() ? d->Image()->width() : 0; }
int TBitmap::Height() const { return d->Image() ? d->Image()->height() : 0; }
HBITMAP TBitmap::Handle() const { return d->bitmap; }

void TBitmap::Recreate(int width, int height, TPixelFormat format)
{
    if (width < 0 || height < 0) throw EInvalidOperation(AnsiString("Invalid bitmap size"));
    QImage* old = d->Image();
    QImage next(width, height, FormatOf(format));
    if (width > 0 && height > 0 && next.isNull()) throw EOutOfResources(AnsiString("Out of memory for a bitmap"));
    next.fill(Qt::black);
    if (old && !old->isNull() && !next.isNull()) {
        QPainter p(&next);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, *old);
    }
    bool hadDC = d->dc != nullptr;
    d->ReleaseDC();
    if (d->bitmap) DeleteObject(d->bitmap);
    d->bitmap = CreateCompatibleBitmap(nullptr, 0, 0);
    *GdiAs<TGdiBitmap>(d->bitmap, TGdiKind::Bitmap)->Image = std::move(next);
    FPixelFormat = format;
    if (hadDC) Canvas();
}

void TBitmap::SetSize(int width, int height)
{
    if (width == Width() && height == Height()) return;
    Recreate(width, height, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == FPixelFormat) return;
    Recreate(Width(), Height(), value);
}

TCanvas* TBitmap::Canvas()
{
    if (!d->dc) {
        d->dc = CreateCompatibleDC(nullptr);
        d->stock = SelectObject(d->dc, d->bitmap);
        d->canvas.SetHandle(d->dc);
    }
    return &d->canvas;
}

uint8_t* TBitmap::ScanLine(int row)
{
    QImage* img = d->Image();
    if (!img || row < 0 || row >= img->height()) throw EInvalidOperation(AnsiString("Scan line index out of range"));
    return img->scanLine(row);
}

int TBitmap::BytesPerRow() const { return d->Image() ? static_cast<int>(d->Image()->bytesPerLine()) : 0; }

void TBitmap::Draw(TCanvas* canvas, const TRect& r)
{
    if (!canvas || Empty()) return;
    BitBlt(canvas->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TBitmap::Assign(TPersistent* source)
{
    auto* b = dynamic_cast<TBitmap*>(source);
    if (!b) return TPersistent::Assign(source);
    if (b == this) return;
    Recreate(0, 0, b->FPixelFormat);
    QImage copy = *b->d->Image();
    bool hadDC = d->dc != nullptr;
    d->ReleaseDC();
    *GdiAs<TGdiBitmap>(d->bitmap, TGdiKind::Bitmap)->Image = std::move(copy);
    if (hadDC) Canvas();
}
