#pragma once
// TTateLabel: a label that can write its caption vertically, top to bottom, with a font
// turned by 270 degrees; automatic size and alignment follow the writing direction.
#include "toolkit/controls/StdCtrls.h"

#include <cstdint>

class TTateLabel : public TCustomLabel {
    TK_CLASS(TTateLabel)
public:
    explicit TTateLabel(TComponent* AOwner);

    bool Tategaki() const { return FTategaki; }
    // Also an unchanged value rebuilds the font and adjusts the bounds.
    void SetTategaki(bool Value);
    // The label's own flag; the base label's stays unused.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value) override;

    // Builds the canvas font from Font, turned when writing vertically.
    void TateFontSakusei();
    // Fits the label to its caption (when auto size is on and it is not being read), then
    // repaints. Needs a parent window to measure.
    void AdjustBounds() override;

protected:
    void Paint() override;
    // Any change of Font rebuilds the turned font.
    void FontChanged(TObject* Sender) override;
    // Sets the drawing flags from Alignment and Layout and moves R so that turned text,
    // which the text routine hangs left of and below its start point, lands inside.
    void OffsetText(TRect& R, uint32_t& AlignFlags, uint32_t& LayoutFlags);

private:
    // The caption's extent with the canvas font: along the baseline and the cell height.
    SIZE MeasureCaption();

    bool FTategaki = false;
    bool FAutoSize = true;
};

namespace Tatelabel {
// Palette registration on page "Standard", for a form designer.
void Register();
}  // namespace Tatelabel
