#pragma once
// TWinControl: a control with a window of its own (one widget), parent of other controls.
#include "toolkit/controls/Controls.h"

#include <memory>
#include <vector>

class TWinControlPrivate;

class TWinControl : public TControl {
    TK_CLASS(TWinControl)
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window handle, made on demand.
    HWND Handle();
    bool HandleAllocated() const;

    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Invalidate() override;
    void Dispatch(TMessage& Message) override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(static_cast<std::size_t>(index)); }
    // The topmost visible graphic child at a client point, or null.
    TControl* GraphicControlAt(int x, int y) const;
    // Sends a message to every child.
    void Broadcast(TMessage& Message);
    // Lays out the aligned children: in order of creation, alTop, alBottom, alLeft, alRight
    // and alClient controls each take their edge of the client area the earlier ones leave.
    void AlignControls();

    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }
    bool Focused() const;
    void SetFocus();

    // Called by the toolkit's window events.
    virtual void PaintHandler();
    virtual void Resized(int width, int height);
    // The window system asks to close the window; false keeps it open.
    virtual bool CloseRequested() { return true; }
    void MouseEntered();
    void MouseLeft();

protected:
    // Creates the window (a plain widget by default). Called once, when the handle is needed.
    virtual HWND CreateWindowHandle(HWND parentWindow);
    // Draws the window's own content before its graphic children (custom-painted windows).
    virtual void PaintWindow(HDC DC);
    // Whether the toolkit paints this window (false for native edit boxes and the like).
    virtual bool CustomPainted() const { return true; }
    void UpdateWidgetState() override;
    // Tab order of the windowed children, applied to the window system.
    void ApplyTabOrder();

private:
    friend class TControl;
    friend class TWinControlPrivate;
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void DestroyHandle();

    std::vector<TControl*> FControls;
    bool FAligning = false;
    int FTabOrder = -1;
    bool FTabStop = false;
    std::unique_ptr<TWinControlPrivate> d;
};
