#pragma once
// TGraphic and TBitmap: an image with a canvas (a memory device context) and row access.
#include "toolkit/graphics/Graphics.h"

#include <cstdint>

class TStream;

class TGraphic : public TPersistent {
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Draws the graphic into r of the canvas.
    virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
};

enum TPixelFormat { pfDevice, pf24bit, pf32bit };

class TBitmapPrivate;

class TBitmap : public TGraphic {
    TK_CLASS(TBitmap)
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    bool Empty() const override { return Width() == 0 || Height() == 0; }
    int Width() const override;
    int Height() const override;
    void SetWidth(int value) { SetSize(value, Height()); }
    void SetHeight(int value) { SetSize(Width(), value); }
    // Keeps the pixels that still fit; new pixels are black.
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat value);

    // A canvas over the bitmap; its handle is a memory device context with the bitmap selected.
    TCanvas* Canvas();
    HBITMAP Handle() const;
    // Bytes of one row: B, G, R per pixel at pf24bit; B, G, R, X at pf32bit and pfDevice.
    uint8_t* ScanLine(int row);
    int BytesPerRow() const;

    void Draw(TCanvas* canvas, const TRect& r) override;
    void Assign(TPersistent* source) override;

private:
    void Recreate(int width, int height, TPixelFormat format);
    TPixelFormat FPixelFormat = pfDevice;
    TBitmapPrivate* d;
};
