#pragma once
// TGraphic and TBitmap: an image with a canvas (a memory device context) and row access,
// read from and written as Windows bitmap files.
#include "toolkit/graphics/Graphics.h"

#include <cstdint>
#include <memory>
#include <string>

class TStream;

// Data that is not a graphic the toolkit can read.
TK_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

class TGraphic : public TPersistent {
    TK_CLASS(TGraphic)
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Draws the graphic into r of the canvas.
    virtual void Draw(TCanvas* canvas, const TRect& r) = 0;

    // The graphic's file format. Loading raises EInvalidGraphic on bad data and then leaves
    // the graphic as it was.
    virtual void LoadFromData(const std::string& data) = 0;
    virtual std::string SaveToData() const = 0;
    // The stream from its position to its end.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream) const;
    void LoadFromFile(const std::string& fileName);  // UTF-8 path; EFOpenError when unreadable
    void SaveToFile(const std::string& fileName) const;
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
    const uint8_t* ScanLine(int row) const { return const_cast<TBitmap*>(this)->ScanLine(row); }
    int BytesPerRow() const;

    void Draw(TCanvas* canvas, const TRect& r) override;
    void Assign(TPersistent* source) override;

    // A Windows bitmap file: uncompressed 1, 4, 8, 24 or 32 bits per pixel, rows bottom-up
    // or top-down. Written back as 24 bits (pf24bit) or 32 bits per pixel, bottom-up.
    void LoadFromData(const std::string& data) override;
    std::string SaveToData() const override;

private:
    void Recreate(int width, int height, TPixelFormat format);
    TPixelFormat FPixelFormat = pfDevice;
    std::unique_ptr<TBitmapPrivate> d;
};
