#pragma once
// TControl and TGraphicControl: bounds, parent, font and colour, messages, mouse.
// A windowed control owns one widget (its HWND); a graphic control has none and is painted
// by its parent onto the parent's device context.
#include "toolkit/controls/Cursors.h"
#include "toolkit/controls/Messages.h"
#include "toolkit/graphics/Graphics.h"
#include "toolkit/system/Classes.h"

class TWinControl;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// What OnStartDrag may supply to stand for the dragged thing; without one the source control
// itself is passed to the drag-over and drop events.
class TDragObject : public TObject {};

enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csClickEvents = 1u << 4,
    csSetCaption = 1u << 6,
    csOpaque = 1u << 7,
    csReplicatable = 1u << 13,
};
using TControlStyle = unsigned;

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
// Sender, Source, X, Y (in the Sender's client coordinates).
using TDragDropEvent = TEvent<TObject*, TObject*, int, int>;
// Sender, Source, X, Y, State, Accept: set Accept to take a drop.
using TDragOverEvent = TEvent<TObject*, TObject*, int, int, TDragState, bool&>;
// Sender, Target (null when nothing took the drop), X, Y.
using TEndDragEvent = TEvent<TObject*, TObject*, int, int>;
using TStartDragEvent = TEvent<TObject*, TDragObject*&>;

class TControl : public TComponent {
    TK_CLASS(TControl)
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // Messages: a class overrides Dispatch with a switch on Msg and passes the rest on.
    virtual void Dispatch(TMessage& Message);
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Rect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
    virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);

    // The caption (Text) of the control, CP932.
    const AnsiString& Caption() const { return FText; }
    void SetCaption(const AnsiString& value) { SetText(value); }
    virtual AnsiString GetText() const { return FText; }
    virtual void SetText(const AnsiString& value);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() { return &FFont; }
    void SetFont(TFont* value) { FFont.Assign(value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);

    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& value) { FHint = value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);
    // ShowHint as it applies: the parent's while ParentShowHint is on.
    bool EffectiveShowHint() const;

    TCursor Cursor() const { return FCursor; }
    // Shown while the mouse is over the control.
    void SetCursor(TCursor value);
    TAlign Align() const { return FAlign; }
    // An aligned control takes its edge of what its parent's earlier aligned controls leave.
    void SetAlign(TAlign value);
    // Shown on a right click over the control (or over a child without a menu of its own).
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value) { FPopupMenu = value; }

    // Dragging to other controls: dmAutomatic starts when the mouse moves with the left button
    // down; BeginDrag starts by code (at once, or once the mouse has moved Threshold pixels).
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode value) { FDragMode = value; }
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor value) { FDragCursor = value; }
    void BeginDrag(bool Immediate, int Threshold = -1);
    // Ends this control's drag: dropping where the mouse is (if accepted) or cancelling.
    void EndDrag(bool Drop);
    bool Dragging() const;
    // The drag events' entry points, called by the toolkit's drag tracking.
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    virtual void DoStartDrag(TDragObject*& DragObject);
    virtual void DoEndDrag(TObject* Target, int X, int Y);

    void Notification(TComponent* AComponent, TOperation operation) override;
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int value) { FHelpContext = value; }

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle value) { FControlStyle = value; }

    virtual void Invalidate();
    // Paints now (processes the pending paint of the window it lies on).
    void Repaint();

    // Mouse, in client coordinates; the toolkit calls these from the window system's events.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    // A click with the mouse; fires OnClick.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;

protected:
    virtual void FontChanged(TObject* Sender);
    // Tells the window system about a changed property (windowed controls override).
    virtual void UpdateWidgetState() {}
    void ParentFontOrColorChanged();

    TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csSetCaption;

private:
    friend class TWinControl;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TWinControl* FParent = nullptr;
    bool FVisible = true;
    bool FEnabled = true;
    AnsiString FText;
    TColor FColor = clWindow;
    bool FParentColor = true;
    TFont FFont;
    bool FParentFont = true;
    AnsiString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = 0;
    TAlign FAlign = alNone;
    TPopupMenu* FPopupMenu = nullptr;
    TDragMode FDragMode = dmManual;
    TCursor FDragCursor = crDrag;
    int FHelpContext = 0;
    bool FUpdatingFont = false;
};

// A canvas for a control: outside painting it makes a measuring context, which needs the
// control to sit in a parent window.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : FControl(control) {}
    ~TControlCanvas() override;
    void FreeOwnHandle();

protected:
    // Outside painting: a measuring context; raises EInvalidOperation without a parent window.
    void CreateHandle() override;

private:
    TControl* FControl;
    HDC FOwnHandle = nullptr;
};

class TGraphicControl : public TControl {
    TK_CLASS(TGraphicControl)
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TControlCanvas* Canvas() { return &FCanvas; }
    void Dispatch(TMessage& Message) override;

protected:
    // Draws the control on Canvas (set up by WM_PAINT).
    virtual void Paint() {}

private:
    TControlCanvas FCanvas;
};

// TWinControl, the parent of every control, comes with this header.
#include "toolkit/controls/WinControl.h"
