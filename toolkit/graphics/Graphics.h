#pragma once
// Drawing objects and the canvas. A canvas draws through a device context (HDC), so there
// is one drawing path for the toolkit and for the Win32 calls the components make.
#include "toolkit/graphics/Colors.h"
#include "toolkit/system/Classes.h"
#include "toolkit/winapi/Windows.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned;  // bit i = TFontStyle i
constexpr TFontStyles StyleBit(TFontStyle s) { return 1u << s; }

constexpr int ScreenPixelsPerInch = 96;

// Shared base: notifies OnChange after a change.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
};

class TFont : public TGraphicsObject {
    TK_CLASS(TFont)
public:
    TFont();
    ~TFont() override;

    const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    int Size() const;  // points at 96 pixels per inch
    void SetSize(int points);
    int Charset() const { return FCharset; }
    void SetCharset(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);

    // The font handle, made on demand from the properties. A handle set from outside is
    // owned by the font and freed when replaced.
    HFONT Handle();
    void SetHandle(HFONT value);

    void Assign(TPersistent* source) override;

private:
    void Modified();
    AnsiString FName;
    int FHeight = -12;
    int FCharset = DEFAULT_CHARSET;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    HFONT FHandle = nullptr;
};

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
    TK_CLASS(TBrush)
public:
    ~TBrush() override;
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    HBRUSH Handle();
    void Assign(TPersistent* source) override;

private:
    void Modified();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    HBRUSH FHandle = nullptr;
};

enum TPenStyle { psSolid, psClear };

class TPen : public TGraphicsObject {
    TK_CLASS(TPen)
public:
    ~TPen() override;
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Width() const { return FWidth; }
    void SetWidth(int value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);
    void Assign(TPersistent* source) override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
};

class TGraphic;

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The device context drawn on; not owned. A canvas without one may make one on demand.
    // Win32 calls on the handle find the canvas's font, text colour and brush made current,
    // as they were last changed on the canvas.
    HDC Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void SetHandle(HDC value);

    TFont* Font() { return &FFont; }
    TBrush* Brush() { return &FBrush; }
    TPen* Pen() { return &FPen; }

    void FillRect(const TRect& r);                   // right and bottom edges excluded
    void Rectangle(int x1, int y1, int x2, int y2);  // pen frame, brush inside
    void MoveTo(int x, int y) { FPenPos = {x, y}; }
    void LineTo(int x, int y);
    void TextOut(int x, int y, const AnsiString& text);
    SIZE TextExtent(const AnsiString& text);
    int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
    int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);
    // Draws a whole graphic with its top-left corner at (x, y), clipped to the context.
    void Draw(int x, int y, TGraphic* graphic);

protected:
    virtual void CreateHandle() {}

private:
    void SelectFont();
    void SelectBrush();
    void FontChanged(TObject*) { FFontValid = false; }
    void BrushChanged(TObject*) { FBrushValid = false; }
    HDC FHandle = nullptr;
    bool FFontValid = false;
    bool FBrushValid = false;
    TFont FFont;
    TBrush FBrush;
    TPen FPen;
    TPoint FPenPos{};
};

// Lends a device context to a canvas for one paint; the canvas lets go of it even when
// painting throws, so it never keeps a context that is about to be deleted.
class TCanvasPaintScope {
public:
    TCanvasPaintScope(TCanvas& canvas, HDC dc) : FCanvas(canvas) { FCanvas.SetHandle(dc); }
    ~TCanvasPaintScope() { FCanvas.SetHandle(nullptr); }
    TCanvasPaintScope(const TCanvasPaintScope&) = delete;
    TCanvasPaintScope& operator=(const TCanvasPaintScope&) = delete;

private:
    TCanvas& FCanvas;
};

// Device-context drawing the canvas and the Win32 calls share.
void DrawFrame(HDC dc, const TRect& r, TColor topLeft, TColor bottomRight);
void DrawLine(HDC dc, int x1, int y1, int x2, int y2, TColor color, int width);
