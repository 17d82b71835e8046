#pragma once
// TSpeedButton: a graphic control that never takes the focus; up and down faces; a click on
// release inside.
#include "toolkit/controls/Controls.h"

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
    TK_CLASS(TSpeedButton)
public:
    explicit TSpeedButton(TComponent* AOwner);

    TButtonState State() const { return FState; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override;

private:
    TButtonState FState = bsUp;
    bool FFlat = false;
};
