#pragma once
// TButton: the system's push button. It takes the focus, clicks on Space and on a mouse
// release inside, and fires OnClick.
#include "toolkit/controls/Controls.h"

#include <memory>

class TButtonPrivate;

class TButton : public TWinControl {
    TK_CLASS(TButton)
public:
    explicit TButton(TComponent* AOwner);
    ~TButton() override;

    // The button that Enter presses in its window.
    bool Default() const { return FDefault; }
    void SetDefault(bool value);

    void Dispatch(TMessage& Message) override;

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    friend class TButtonPrivate;
    bool FDefault = false;
    std::unique_ptr<TButtonPrivate> d;
};
