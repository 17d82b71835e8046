#include "components/verticallabel/TateLabel.h"

#include "toolkit/controls/ControlProps.h"
#include "toolkit/system/Published.h"

TK_CLASS_IMPL(TTateLabel, TCustomLabel, {
    info.Create = CreatorOf<TTateLabel>();
    info.Props.push_back(Prop::Boolean("Tategaki", &TTateLabel::Tategaki, &TTateLabel::SetTategaki, 0));
    info.Props.push_back(Prop::Boolean("AutoSize", &TTateLabel::AutoSize, &TTateLabel::SetAutoSize, 1));
    // The label's published properties and events, in this order.
    for (TPropInfo p :
         {ControlProps::Align(),      LabelProps::Alignment(),     ControlProps::Caption(),     ControlProps::Color(),
          ControlProps::DragCursor(), ControlProps::DragMode(),    ControlProps::Enabled(),     LabelProps::FocusControl(),
          ControlProps::Font(),       ControlProps::ParentColor(), ControlProps::ParentFont(),  ControlProps::ParentShowHint(),
          ControlProps::PopupMenu(),  ControlProps::ShowHint(),    LabelProps::Transparent(),   LabelProps::Layout(),
          ControlProps::Visible(),    ControlProps::OnClick(),     ControlProps::OnDblClick(),  ControlProps::OnDragDrop(),
          ControlProps::OnDragOver(), ControlProps::OnEndDrag(),   ControlProps::OnMouseDown(), ControlProps::OnMouseMove(),
          ControlProps::OnMouseUp(),  ControlProps::OnStartDrag()})
        info.Props.push_back(std::move(p));
})

TTateLabel::TTateLabel(TComponent* AOwner) : TCustomLabel(AOwner)
{
    Font()->OnChange = TNotifyEvent(this, &TTateLabel::FontChanged);
    FControlStyle |= csOpaque | csReplicatable;
    SetWidth(56);
    SetHeight(12);
    FTategaki = false;
    FAutoSize = true;
    // No font is built yet: the first font change or Tategaki assignment builds it.
}

void TTateLabel::TateFontSakusei()
{
    TFont* font = Canvas()->Font();
    font->Assign(Font());
    LOGFONTA lf{};
    if (GetObjectA(font->Handle(), sizeof lf, &lf) != sizeof lf) return;
    // 270 degrees: the baseline runs downward, the tops of the characters face right.
    lf.lfEscapement = FTategaki ? 2700 : 0;
    font->SetHandle(CreateFontIndirectA(&lf));
}

void TTateLabel::SetTategaki(bool Value)
{
    FTategaki = Value;
    TateFontSakusei();
    AdjustBounds();
}

void TTateLabel::FontChanged(TObject*)
{
    SetParentFont(false);
    TateFontSakusei();
    AdjustBounds();
}

void TTateLabel::SetAutoSize(bool Value)
{
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    AdjustBounds();
}

SIZE TTateLabel::MeasureCaption()
{
    SIZE size{};
    const AnsiString& text = Caption();
    GetTextExtentPoint32A(Canvas()->Handle(), text.c_str(), text.Length(), &size);
    return size;
}

void TTateLabel::AdjustBounds()
{
    if (!HasState(csReading) && FAutoSize) {
        SIZE size = MeasureCaption();
        if (FTategaki) {
            SetWidth(size.cy);
            SetHeight(size.cx);
        } else {
            SetWidth(size.cx);
            SetHeight(size.cy);
        }
    }
    Invalidate();
}

void TTateLabel::OffsetText(TRect& R, uint32_t& AlignFlags, uint32_t& LayoutFlags)
{
    SIZE size = MeasureCaption();
    const int cx = size.cx, cy = size.cy;
    int dx = 0, dy = 0;
    AlignFlags = DT_LEFT;
    LayoutFlags = DT_TOP;
    // Placed as if horizontal (cx by cy from its start point), turned text covers cy by cx
    // to the left of and below that point; the shifts bring it back.
    switch (Alignment()) {
    case taLeftJustify:
        AlignFlags = DT_LEFT;
        if (FTategaki) dx = cy;
        break;
    case taRightJustify:
        AlignFlags = DT_RIGHT;
        if (FTategaki) dx = cx;
        break;
    case taCenter:
        AlignFlags = DT_CENTER;
        if (FTategaki) dx = (cx + cy) / 2;
        break;
    }
    switch (Layout()) {
    case tlTop: LayoutFlags = DT_TOP; break;
    case tlCenter:
        LayoutFlags = DT_VCENTER;
        if (FTategaki) dy = (cy - cx) / 2;
        break;
    case tlBottom:
        LayoutFlags = DT_BOTTOM;
        if (FTategaki) dy = cy - cx;
        break;
    }
    OffsetRect(&R, dx, dy);
}

void TTateLabel::Paint()
{
    TCanvas* canvas = Canvas();
    TRect R = Rect(0, 0, Width(), Height());
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(R);
    }
    canvas->Brush()->SetStyle(bsClear);
    uint32_t alignFlags = 0, layoutFlags = 0;
    OffsetText(R, alignFlags, layoutFlags);
    const UINT flags = alignFlags + layoutFlags + DT_SINGLELINE + DT_EXPANDTABS + DT_NOCLIP;
    const AnsiString text = GetLabelText();
    if (Enabled()) {
        canvas->Font()->SetColor(Font()->Color());
    } else {
        // Embossed: a highlight copy one pixel down and right under a shadow copy.
        OffsetRect(&R, 1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        DrawTextA(canvas->Handle(), text.c_str(), -1, &R, flags);
        OffsetRect(&R, -1, -1);
        canvas->Font()->SetColor(clBtnShadow);
    }
    DrawTextA(canvas->Handle(), text.c_str(), -1, &R, flags);
}

namespace Tatelabel {
void Register() { RegisterComponents("Standard", {&TTateLabel::StaticClassInfo()}); }
}  // namespace Tatelabel
