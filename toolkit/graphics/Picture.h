#pragma once
// TPicture: holds one graphic of any registered class. Its stored form (property Data) is the
// graphic's class name as a length-prefixed text, a 32-bit little-endian length, then the
// graphic's file data.
#include "toolkit/graphics/Bitmap.h"

#include <functional>
#include <memory>
#include <string>

class TPicture : public TPersistent {
    TK_CLASS(TPicture)
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The graphic, or null when the picture is empty.
    TGraphic* Graphic() const { return FGraphic.get(); }
    // Stores a copy of value (null empties the picture).
    void SetGraphic(TGraphic* value);
    // The graphic as a bitmap; a picture without one gets a new, empty bitmap.
    TBitmap* Bitmap();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Copies a picture or a graphic; null empties the picture.
    void Assign(TPersistent* source) override;

    // The stored form; empty for an empty picture. SetData raises EInvalidGraphic on bad data
    // and then leaves the picture as it was.
    std::string Data() const;
    void SetData(const std::string& data);

    TNotifyEvent OnChange;

private:
    void Changed() { OnChange(this); }
    std::unique_ptr<TGraphic> FGraphic;
};

// Graphic classes a picture can create by name ("TBitmap" is registered).
void RegisterGraphicClass(const std::string& className, std::function<TGraphic*()> create);
