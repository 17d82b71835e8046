#include "toolkit/controls/Controls.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/controls/DragTracking.h"
#include "toolkit/controls/Menus.h"
#include "toolkit/controls/RepaintNow.h"
#include "toolkit/system/Published.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QWidget>

#include <algorithm>

// ---- TControl -------------------------------------------------------------------------------

TK_CLASS_IMPL(TControl, TComponent, {
    info.Props.push_back(ControlProps::Left());
    info.Props.push_back(ControlProps::Top());
    info.Props.push_back(ControlProps::Width());
    info.Props.push_back(ControlProps::Height());
    info.Props.push_back(ControlProps::Cursor());
    info.Props.push_back(ControlProps::Hint());
    info.Props.push_back(ControlProps::HelpContext());
})

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) { FFont.OnChange = TNotifyEvent(this, &TControl::FontChanged); }

TControl::~TControl()
{
    Destroying();
    DragForget(this);
    if (FParent) FParent->RemoveControl(this);
    FParent = nullptr;
}

void TControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED: Invalidate(); break;
    case CM_PARENTFONTCHANGED:
        if (FParentFont && FParent) {
            FFont.Assign(FParent->Font());
            FParentFont = true;
        }
        break;
    case CM_PARENTCOLORCHANGED:
        if (FParentColor && FParent) {
            SetColor(FParent->Color());
            FParentColor = true;
        }
        break;
    default: break;
    }
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    Dispatch(m);
    return m.Result;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    Invalidate();
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    Invalidate();
    // An aligned control keeps to its edge; a resized window lays out its aligned children.
    if (FAlign != alNone && FParent) FParent->AlignControls();
    if (auto* self = dynamic_cast<TWinControl*>(this); self && resized) self->AlignControls();
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent) return;
    if (AParent == this) throw EInvalidOperation(AnsiString("A control cannot have itself as its parent"));
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
    ParentFontOrColorChanged();
    Invalidate();
}

void TControl::ParentFontOrColorChanged()
{
    if (!FParent) return;
    Perform(CM_PARENTCOLORCHANGED);
    Perform(CM_PARENTFONTCHANGED);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* value)
{
    auto* w = dynamic_cast<TWinControl*>(value);
    // Only a window can hold a control; ignoring any other parent would lose the nesting.
    if (value && !w)
        throw EInvalidOperation(AnsiString("Control '" + Name().str() + "' cannot be placed in '" + value->Name().str() + "' (" +
                                           value->ClassName() + "): it is not a window"));
    SetParent(w);
}

void TControl::SetVisible(bool value)
{
    if (value == FVisible) return;
    Invalidate();
    FVisible = value;
    UpdateWidgetState();
    Invalidate();
    if (FAlign != alNone && FParent) FParent->AlignControls();
}

void TControl::SetCursor(TCursor value)
{
    if (value == FCursor) return;
    FCursor = value;
    UpdateWidgetState();
}

void TControl::SetAlign(TAlign value)
{
    if (value == FAlign) return;
    FAlign = value;
    if (FParent) FParent->AlignControls();
}

void TControl::Notification(TComponent* AComponent, TOperation operation)
{
    TComponent::Notification(AComponent, operation);
    if (operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::BeginDrag(bool Immediate, int Threshold) { DragBegin(this, Immediate, Threshold); }
void TControl::EndDrag(bool Drop) { DragEnd(this, Drop); }
bool TControl::Dragging() const { return DragRunningFor(this); }

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    // Only a control that handles OnDragOver can take a drop.
    Accept = static_cast<bool>(OnDragOver);
    OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) { OnDragDrop(this, Source, X, Y); }
void TControl::DoStartDrag(TDragObject*& DragObject) { OnStartDrag(this, DragObject); }
void TControl::DoEndDrag(TObject* Target, int X, int Y) { OnEndDrag(this, Target, X, Y); }

void TControl::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const AnsiString& value)
{
    if (value == FText) return;
    FText = value;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    FParentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value)
{
    if (value == FParentColor) return;
    FParentColor = value;
    if (value) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool value)
{
    if (value == FParentFont) return;
    FParentFont = value;
    if (value) Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged(TObject*)
{
    FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetShowHint(bool value)
{
    FParentShowHint = false;
    if (value == FShowHint) return;
    FShowHint = value;
}

void TControl::SetParentShowHint(bool value) { FParentShowHint = value; }

bool TControl::EffectiveShowHint() const
{
    if (FParentShowHint && FParent) return FParent->EffectiveShowHint();
    return FShowHint;
}

void TControl::Invalidate()
{
    if (!FParent || !FVisible || !FParent->HandleAllocated()) return;
    TRect r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, FALSE);
}

void TControl::Repaint()
{
    Invalidate();
    for (TWinControl* w = FParent; w; w = w->Parent())
        if (w->HandleAllocated()) {
            RepaintNow(w->Handle());
            break;
        }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && FDragMode == dmAutomatic) BeginDrag(false);
    OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) { OnMouseUp(this, Button, Shift, X, Y); }
void TControl::MouseMove(TShiftState Shift, int X, int Y) { OnMouseMove(this, Shift, X, Y); }
void TControl::Click() { OnClick(this); }

// ---- TControlCanvas / TGraphicControl -------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeOwnHandle(); }

void TControlCanvas::FreeOwnHandle()
{
    if (!FOwnHandle) return;
    if (HandleAllocated() && Handle() == FOwnHandle) SetHandle(nullptr);
    ReleaseDC(nullptr, FOwnHandle);
    FOwnHandle = nullptr;
}

void TControlCanvas::CreateHandle()
{
    if (!FControl->Parent()) throw EInvalidOperation(AnsiString("Control '" + FControl->Name().str() + "' has no parent window"));
    FOwnHandle = GetDC(nullptr);
    SetHandle(FOwnHandle);
}

TK_CLASS_IMPL(TGraphicControl, TControl, {})

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(this) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& Message)
{
    if (Message.Msg != WM_PAINT) return TControl::Dispatch(Message);
    HDC dc = PaintDC(Message);
    if (!dc) return;
    FCanvas.FreeOwnHandle();
    TCanvasPaintScope scope(FCanvas, dc);
    Paint();
}
