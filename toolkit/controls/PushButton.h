#pragma once
// TButton: the system's push button. It takes the focus, clicks on Space and on a mouse
// release inside, and fires OnClick.
#include "toolkit/controls/Controls.h"

class TButton : public TWinControl {
    TK_CLASS(TButton)
public:
    explicit TButton(TComponent* AOwner);

    // The button that Enter presses in its window.
    bool Default() const { return FDefault; }
    void SetDefault(bool value);

    void Dispatch(TMessage& Message) override;

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    bool FDefault = false;
};
