#pragma once
// The colour-choice dialog.
#include "toolkit/graphics/Colors.h"
#include "toolkit/system/Classes.h"

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = unsigned;

class TColorDialog : public TComponent {
    TK_CLASS(TColorDialog)
public:
    explicit TColorDialog(TComponent* AOwner);
    // Runs the dialog modally; true when a colour was chosen (then Color holds it).
    bool Execute();
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    TColorDialogOptions Options() const { return FOptions; }
    void SetOptions(TColorDialogOptions value) { FOptions = value; }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value) { FCtl3D = value; }

private:
    TColor FColor = clBlack;
    TColorDialogOptions FOptions = 0;
    bool FCtl3D = true;
};
