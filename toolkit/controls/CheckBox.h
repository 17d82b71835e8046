#pragma once
// TCheckBox: the system's check box with its caption beside the box. OnClick fires whenever
// Checked changes, by the user or by the program.
#include "toolkit/controls/Controls.h"

#include <memory>

class TCheckBoxPrivate;

class TCheckBox : public TWinControl {
    TK_CLASS(TCheckBox)
public:
    explicit TCheckBox(TComponent* AOwner);
    ~TCheckBox() override;

    bool Checked() const { return FChecked; }
    void SetChecked(bool value);

    void Dispatch(TMessage& Message) override;

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    friend class TCheckBoxPrivate;
    bool FChecked = false;
    std::unique_ptr<TCheckBoxPrivate> d;
};
