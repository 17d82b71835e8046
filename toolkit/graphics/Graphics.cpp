#include "toolkit/graphics/Graphics.h"

#include "toolkit/graphics/Bitmap.h"
#include "toolkit/system/Published.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QPainter>
#include <QPen>

#include <cmath>
#include <cstring>

namespace {
COLORREF Ref(TColor c) { return ColorToRGB(c); }
QColor Q(TColor c)
{
    uint32_t rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
}  // namespace

void TGraphicsObject::Changed() { OnChange(this); }

// ---- TFont ----------------------------------------------------------------------------------

TK_CLASS_IMPL(TFont, TPersistent, {
    info.Props.push_back(Prop::Integer("Charset", &TFont::Charset, &TFont::SetCharset));
    info.Props.back().Idents = {
        {"ANSI_CHARSET", ANSI_CHARSET}, {"DEFAULT_CHARSET", DEFAULT_CHARSET}, {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}};
    info.Props.push_back(Prop::Color("Color", &TFont::Color, &TFont::SetColor));
    info.Props.push_back(Prop::Integer("Height", &TFont::Height, &TFont::SetHeight));
    info.Props.push_back(Prop::Text("Name", &TFont::Name, &TFont::SetName));
    info.Props.push_back(
        Prop::Set("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, &TFont::Style, &TFont::SetStyle));
    info.Props.back().Stored = TStoredRule::Always;
})

TFont::TFont() : FName(AnsiString::FromUtf8("ＭＳ Ｐゴシック")) {}

TFont::~TFont()
{
    if (FHandle) DeleteObject(FHandle);
}

void TFont::Modified()
{
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
    Changed();
}

void TFont::SetName(const AnsiString& value)
{
    if (value == FName) return;
    FName = value;
    Modified();
}

void TFont::SetHeight(int value)
{
    if (value == FHeight) return;
    FHeight = value;
    Modified();
}

int TFont::Size() const { return static_cast<int>(std::lround(-FHeight * 72.0 / ScreenPixelsPerInch)); }

void TFont::SetSize(int points) { SetHeight(-static_cast<int>(std::lround(points * double(ScreenPixelsPerInch) / 72.0))); }

void TFont::SetCharset(int value)
{
    if (value == FCharset) return;
    FCharset = value;
    Modified();
}

void TFont::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();  // colour is not part of the handle
}

void TFont::SetStyle(TFontStyles value)
{
    if (value == FStyle) return;
    FStyle = value;
    Modified();
}

HFONT TFont::Handle()
{
    if (!FHandle) {
        LOGFONTA lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & StyleBit(fsBold)) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & StyleBit(fsItalic)) ? 1 : 0;
        lf.lfUnderline = (FStyle & StyleBit(fsUnderline)) ? 1 : 0;
        lf.lfStrikeOut = (FStyle & StyleBit(fsStrikeOut)) ? 1 : 0;
        lf.lfCharSet = static_cast<BYTE>(FCharset);
        std::memcpy(lf.lfFaceName, FName.c_str(), std::min<std::size_t>(FName.str().size(), LF_FACESIZE - 1));
        FHandle = CreateFontIndirectA(&lf);
    }
    return FHandle;
}

void TFont::SetHandle(HFONT value)
{
    if (value == FHandle) return;
    if (FHandle) DeleteObject(FHandle);
    FHandle = value;
    // The properties follow the handle's logical font.
    LOGFONTA lf{};
    if (value && GetObjectA(value, sizeof lf, &lf) == sizeof lf) {
        char face[LF_FACESIZE + 1] = {};
        std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
        FName = AnsiString(face);
        FHeight = lf.lfHeight;
        FCharset = lf.lfCharSet;
        FStyle = (lf.lfWeight >= 600 ? StyleBit(fsBold) : 0u) | (lf.lfItalic ? StyleBit(fsItalic) : 0u) |
                 (lf.lfUnderline ? StyleBit(fsUnderline) : 0u) | (lf.lfStrikeOut ? StyleBit(fsStrikeOut) : 0u);
    }
    Changed();
}

void TFont::Assign(TPersistent* source)
{
    auto* f = dynamic_cast<TFont*>(source);
    if (!f) return TPersistent::Assign(source);
    if (f == this) return;
    FName = f->FName;
    FHeight = f->FHeight;
    FCharset = f->FCharset;
    FColor = f->FColor;
    FStyle = f->FStyle;
    Modified();
}

// ---- TBrush / TPen --------------------------------------------------------------------------

TK_CLASS_IMPL(TBrush, TPersistent, {
    info.Props.push_back(Prop::Color("Color", &TBrush::Color, &TBrush::SetColor, clWhite));
    info.Props.push_back(Prop::Enumeration("Style", {"bsSolid", "bsClear"}, &TBrush::Style, &TBrush::SetStyle, bsSolid));
})

TBrush::~TBrush()
{
    if (FHandle) DeleteObject(FHandle);
}

void TBrush::Modified()
{
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
    Changed();
}

void TBrush::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Modified();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Modified();
}

HBRUSH TBrush::Handle()
{
    if (!FHandle) {
        FHandle = CreateSolidBrush(Ref(FColor));
        if (auto* b = GdiAs<TGdiBrush>(FHandle, TGdiKind::Brush)) b->Clear = FStyle == bsClear;
    }
    return FHandle;
}

void TBrush::Assign(TPersistent* source)
{
    auto* b = dynamic_cast<TBrush*>(source);
    if (!b) return TPersistent::Assign(source);
    FColor = b->FColor;
    FStyle = b->FStyle;
    Modified();
}

TK_CLASS_IMPL(TPen, TPersistent, {
    info.Props.push_back(Prop::Color("Color", &TPen::Color, &TPen::SetColor, clBlack));
    info.Props.push_back(Prop::Integer("Width", &TPen::Width, &TPen::SetWidth, 1));
})

TPen::~TPen() = default;

void TPen::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TPen::SetWidth(int value)
{
    if (value == FWidth) return;
    FWidth = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

void TPen::Assign(TPersistent* source)
{
    auto* p = dynamic_cast<TPen*>(source);
    if (!p) return TPersistent::Assign(source);
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    Changed();
}

// ---- TCanvas --------------------------------------------------------------------------------

TCanvas::TCanvas()
{
    FFont.OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
    FBrush.OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas() = default;

HDC TCanvas::Handle()
{
    if (!FHandle) CreateHandle();
    if (FHandle && !FFontValid) SelectFont();
    if (FHandle && !FBrushValid) SelectBrush();
    return FHandle;
}

void TCanvas::SetHandle(HDC value)
{
    FHandle = value;
    FFontValid = false;
    FBrushValid = false;
}

void TCanvas::FillRect(const TRect& r)
{
    if (FBrush.Style() == bsClear) return;
    ::FillRect(Handle(), &r, FBrush.Handle());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    WithPainter(Handle(), [&](QPainter& p) {
        QRect r(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
        if (FBrush.Style() != bsClear) p.fillRect(r, Q(FBrush.Color()));
        if (FPen.Style() != psClear && FPen.Width() > 0) {
            int w = FPen.Width();
            QColor c = Q(FPen.Color());
            p.fillRect(QRect(r.left(), r.top(), r.width(), w), c);
            p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), c);
            p.fillRect(QRect(r.left(), r.top(), w, r.height()), c);
            p.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), c);
        }
    });
}

void TCanvas::LineTo(int x, int y)
{
    if (FPen.Style() != psClear) DrawLine(Handle(), FPenPos.x, FPenPos.y, x, y, FPen.Color(), FPen.Width());
    FPenPos = {x, y};
}

void TCanvas::SelectFont()
{
    if (!FHandle) CreateHandle();
    SelectObject(FHandle, FFont.Handle());
    SetTextColor(FHandle, Ref(FFont.Color()));
    FFontValid = true;
    SelectBrush();
}

// Text drawn over a solid brush gets the brush's colour behind it; over a clear one, none.
void TCanvas::SelectBrush()
{
    if (!FHandle) CreateHandle();
    SelectObject(FHandle, FBrush.Handle());
    SetBkMode(FHandle, FBrush.Style() == bsClear ? TRANSPARENT : OPAQUE);
    if (TDeviceContext* context = DCFromHandle(FHandle)) context->BkColor = Ref(FBrush.Color());
    FBrushValid = true;
}

void TCanvas::TextOut(int x, int y, const AnsiString& text)
{
    SelectFont();
    TextOutA(Handle(), x, y, text.c_str(), text.Length());
}

SIZE TCanvas::TextExtent(const AnsiString& text)
{
    SIZE s{};
    SelectFont();
    GetTextExtentPoint32A(Handle(), text.c_str(), text.Length(), &s);
    return s;
}

TColor TCanvas::Pixel(int x, int y) { return static_cast<TColor>(GetPixel(Handle(), x, y)); }

void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixel(Handle(), x, y, Ref(color)); }

void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(this, Rect(x, y, x + graphic->Width(), y + graphic->Height()));
}

void DrawFrame(HDC dc, const TRect& r, TColor topLeft, TColor bottomRight)
{
    DrawLine(dc, r.left, r.top, r.right - 1, r.top, topLeft, 1);
    DrawLine(dc, r.left, r.top, r.left, r.bottom - 1, topLeft, 1);
    DrawLine(dc, r.right - 1, r.top, r.right - 1, r.bottom, bottomRight, 1);
    DrawLine(dc, r.left, r.bottom - 1, r.right, r.bottom - 1, bottomRight, 1);
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2, TColor color, int width)
{
    WithPainter(dc, [&](QPainter& p) {
        // GDI lines leave out their last pixel; axis-aligned lines are filled exactly.
        QColor c = Q(color);
        if (y1 == y2) p.fillRect(QRect(std::min(x1, x2), y1, std::abs(x2 - x1), width), c);
        else if (x1 == x2) p.fillRect(QRect(x1, std::min(y1, y2), width, std::abs(y2 - y1)), c);
        else {
            p.setPen(QPen(c, width));
            p.drawLine(x1, y1, x2, y2);
        }
    });
}
