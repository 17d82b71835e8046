#include "toolkit/controls/Buttons.h"

#include "toolkit/controls/ControlProps.h"

TK_CLASS_IMPL(TSpeedButton, TGraphicControl, {
    info.Create = CreatorOf<TSpeedButton>();
    info.Props.push_back(ControlProps::Caption());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(Prop::Boolean("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat, 0));
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(ControlProps::Visible());
    ControlProps::AddClickAndMouseEvents(info.Props);
})

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 23, 22);
    FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csOpaque;
}

void TSpeedButton::SetFlat(bool value)
{
    if (value == FFlat) return;
    FFlat = value;
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && Enabled()) {
        FState = bsDown;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (FState == bsDown) {
        FState = bsUp;
        Invalidate();
    }
}

void TSpeedButton::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_ENABLEDCHANGED) FState = Enabled() ? bsUp : bsDisabled;
    TGraphicControl::Dispatch(Message);
}

void TSpeedButton::Paint()
{
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    TRect r = ClientRect();
    bool down = FState == bsDown;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(r);
    if (!FFlat || down) {
        if (down) {
            DrawFrame(dc, r, clBtnShadow, clBtnHighlight);
        } else {
            DrawFrame(dc, r, clBtnHighlight, clBlack);
            DrawFrame(dc, Rect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1), clBtnFace, clBtnShadow);
        }
    }
    if (down) OffsetRect(&r, 1, 1);
    c->Font()->Assign(Font());
    SelectObject(dc, c->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    AnsiString text = Caption();
    UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (!Enabled()) {
        OffsetRect(&r, 1, 1);
        SetTextColor(dc, ColorToRGB(clBtnHighlight));
        DrawTextA(dc, text.c_str(), text.Length(), &r, flags);
        OffsetRect(&r, -1, -1);
        SetTextColor(dc, ColorToRGB(clBtnShadow));
    } else {
        SetTextColor(dc, ColorToRGB(Font()->Color()));
    }
    DrawTextA(dc, text.c_str(), text.Length(), &r, flags);
}
