#pragma once
// TCheckBox: the system's check box with its caption beside the box. OnClick fires whenever
// Checked changes, by the user or by the program.
#include "toolkit/controls/Controls.h"

class TCheckBox : public TWinControl {
    TK_CLASS(TCheckBox)
public:
    explicit TCheckBox(TComponent* AOwner);

    bool Checked() const { return FChecked; }
    void SetChecked(bool value);

    void Dispatch(TMessage& Message) override;

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    bool FChecked = false;
};
