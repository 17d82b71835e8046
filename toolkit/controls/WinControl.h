#pragma once
// TWinControl: a control with a window of its own (one widget), parent of other controls.
#include "toolkit/controls/Application.h"
#include "toolkit/controls/Controls.h"

#include <memory>
#include <utility>
#include <vector>

class QObject;
class QWidget;
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

    // For controls that show one of Qt's own widgets (buttons, edit boxes, lists): MakeWindow
    // creates it in the parent's window and makes it the control's window at once,
    // so that the control's own setup can reach it through WindowAs; WindowAs is null while
    // there is no window, and once it is gone.
    template <class Widget>
    Widget* MakeWindow(HWND parentWindow)
    {
        auto* w = new Widget(WidgetOfHandle(parentWindow));
        AdoptWindow(w);
        return w;
    }
    template <class Widget>
    Widget* WindowAs() const
    {
        return static_cast<Widget*>(WindowWidget());
    }
    // Runs handler whenever the sender signals, with the signal's arguments, inside
    // Application->Guard. The connection ends as TWinControl's destructor starts: the window,
    // destroyed there, outlives the derived control's members, which the handler uses.
    template <class Sender, class Signal, class Handler>
    void OnSignal(Sender* sender, Signal signal, Handler handler)
    {
        Sender::connect(sender, signal, SignalReceiver(), [handler = std::move(handler)](auto&&... args) -> void {
            Application->Guard([&] { handler(args...); });
        });
    }

private:
    friend class TControl;
    friend class TWinControlPrivate;
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void DestroyHandle();
    static QWidget* WidgetOfHandle(HWND window);
    QWidget* WindowWidget() const;
    void AdoptWindow(QWidget* window);
    QObject* SignalReceiver();

    std::vector<TControl*> FControls;
    bool FAligning = false;
    int FTabOrder = -1;
    bool FTabStop = false;
    std::unique_ptr<TWinControlPrivate> d;
};
