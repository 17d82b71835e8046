#include "toolkit/controls/ExtCtrls.h"

#include "toolkit/controls/ControlProps.h"

#include <algorithm>

// ---- TShape ---------------------------------------------------------------------------------

TK_CLASS_IMPL(TShape, TGraphicControl, {
    info.Create = CreatorOf<TShape>();
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(Prop::Object<TShape>("Brush", [](TShape& s) { return s.Brush(); }));
    info.Props.push_back(Prop::Object<TShape>("Pen", [](TShape& s) { return s.Pen(); }));
    info.Props.push_back(Prop::Enumeration("Shape",
                                           {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"},
                                           &TShape::Shape, &TShape::SetShape, stRectangle));
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(ControlProps::OnMouseDown());
    info.Props.push_back(ControlProps::OnMouseUp());
})

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FControlStyle |= csReplicatable;
    SetBounds(0, 0, 65, 65);
    FBrush.OnChange = TNotifyEvent(this, &TShape::StyleChanged);
    FPen.OnChange = TNotifyEvent(this, &TShape::StyleChanged);
}

void TShape::SetShape(TShapeType value)
{
    if (value == FShape) return;
    FShape = value;
    Invalidate();
}

void TShape::Paint()
{
    TCanvas* c = Canvas();
    c->Pen()->Assign(&FPen);
    c->Brush()->Assign(&FBrush);
    int x = FPen.Width() / 2;
    int y = x;
    int w = Width() - FPen.Width() + 1;
    int h = Height() - FPen.Width() + 1;
    if (FPen.Width() == 0) {
        --w;
        --h;
    }
    // Only rectangles are drawn by this program; other kinds draw as their bounding rectangle.
    c->Rectangle(x, y, x + w, y + h);
}

// ---- TBevel ---------------------------------------------------------------------------------

TK_CLASS_IMPL(TBevel, TGraphicControl, {
    info.Create = CreatorOf<TBevel>();
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(
        Prop::Enumeration("Shape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"},
                          &TBevel::Shape, &TBevel::SetShape, bsBox));
    info.Props.push_back(Prop::Enumeration("Style", {"bsLowered", "bsRaised"}, &TBevel::Style, &TBevel::SetStyle, bsLowered));
    info.Props.push_back(ControlProps::Visible());
})

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FControlStyle |= csReplicatable;
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value)
{
    if (value == FShape) return;
    FShape = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Invalidate();
}

void TBevel::Paint()
{
    HDC dc = Canvas()->Handle();
    TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    int w = Width(), h = Height();
    switch (FShape) {
    case bsBox: DrawFrame(dc, Rect(0, 0, w, h), c1, c2); break;
    case bsFrame:
        DrawFrame(dc, Rect(0, 0, w - 1, h - 1), c1, c1);
        DrawFrame(dc, Rect(1, 1, w, h), c2, c2);
        break;
    case bsTopLine:
        DrawLine(dc, 0, 0, w, 0, c1, 1);
        DrawLine(dc, 0, 1, w, 1, c2, 1);
        break;
    case bsBottomLine:
        DrawLine(dc, 0, h - 2, w, h - 2, c1, 1);
        DrawLine(dc, 0, h - 1, w, h - 1, c2, 1);
        break;
    case bsLeftLine:
        DrawLine(dc, 0, 0, 0, h, c1, 1);
        DrawLine(dc, 1, 0, 1, h, c2, 1);
        break;
    case bsRightLine:
        DrawLine(dc, w - 2, 0, w - 2, h, c1, 1);
        DrawLine(dc, w - 1, 0, w - 1, h, c2, 1);
        break;
    case bsSpacer: break;
    }
}

// ---- TCustomPanel ---------------------------------------------------------------------------

void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, int width)
{
    HDC dc = canvas->Handle();
    for (int i = 0; i < width; ++i) {
        r.right -= 1;
        r.bottom -= 1;
        DrawLine(dc, r.left, r.bottom, r.left, r.top, topColor, 1);
        DrawLine(dc, r.left, r.top, r.right, r.top, topColor, 1);
        DrawLine(dc, r.right, r.top, r.right, r.bottom + 1, bottomColor, 1);
        DrawLine(dc, r.left, r.bottom, r.right, r.bottom, bottomColor, 1);
        r.left += 1;
        r.top += 1;
    }
}

namespace {
const std::vector<std::string> kBevelCuts{"bvNone", "bvLowered", "bvRaised", "bvSpace"};
}

TK_CLASS_IMPL(TCustomPanel, TWinControl, {})

TK_CLASS_IMPL(TPanel, TCustomPanel, {
    info.Create = CreatorOf<TPanel>();
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(Prop::Enumeration("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &TCustomPanel::Alignment,
                                           &TCustomPanel::SetAlignment, taCenter));
    info.Props.push_back(
        Prop::Enumeration("BevelInner", kBevelCuts, &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner, bvNone));
    info.Props.push_back(
        Prop::Enumeration("BevelOuter", kBevelCuts, &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter, bvRaised));
    info.Props.push_back(Prop::Integer("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth, 1));
    info.Props.push_back(ControlProps::Caption());
    info.Props.push_back(ControlProps::Color());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(ControlProps::ParentColor());
    info.Props.back().Default = 0;
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(ControlProps::OnClick());
})

TCustomPanel::TCustomPanel(TComponent* AOwner) : TWinControl(AOwner)
{
    FControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csReplicatable;
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    if (value == FBevelOuter) return;
    FBevelOuter = value;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    if (value == FBevelInner) return;
    FBevelInner = value;
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value)
{
    if (value == FBevelWidth) return;
    FBevelWidth = value;
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int value)
{
    if (value == FBorderWidth) return;
    FBorderWidth = value;
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value)
{
    if (value == FAlignment) return;
    FAlignment = value;
    Invalidate();
}

void TCustomPanel::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_FONTCHANGED) Invalidate();
    TWinControl::Dispatch(Message);
}

void TCustomPanel::PaintWindow(HDC DC)
{
    TCanvasPaintScope scope(FCanvas, DC);
    Paint();
}

void TCustomPanel::Paint()
{
    static const UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    auto colours = [](TBevelCut cut, TColor& top, TColor& bottom) {
        top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TRect r = ClientRect();
    TColor top, bottom;
    if (FBevelOuter != bvNone) {
        colours(FBevelOuter, top, bottom);
        if (FBevelOuter == bvSpace) top = bottom = Color();
        Frame3D(&FCanvas, r, top, bottom, FBevelWidth);
    }
    Frame3D(&FCanvas, r, Color(), Color(), FBorderWidth);
    if (FBevelInner != bvNone) {
        colours(FBevelInner, top, bottom);
        if (FBevelInner == bvSpace) top = bottom = Color();
        Frame3D(&FCanvas, r, top, bottom, FBevelWidth);
    }
    FCanvas.Brush()->SetColor(Color());
    FCanvas.Brush()->SetStyle(bsSolid);
    FCanvas.FillRect(r);
    FCanvas.Brush()->SetStyle(bsClear);
    FCanvas.Font()->Assign(Font());
    int fontHeight = FCanvas.TextHeight(AnsiString("W"));
    r.top = (r.bottom + r.top - fontHeight) / 2;
    r.bottom = r.top + fontHeight;
    HDC dc = FCanvas.Handle();
    SelectObject(dc, FCanvas.Font()->Handle());
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    SetBkMode(dc, TRANSPARENT);
    AnsiString text = Caption();
    DrawTextA(dc, text.c_str(), -1, &r, DT_EXPANDTABS | DT_VCENTER | alignments[FAlignment]);
}
