#include "components/linkpanel/UrlShowPanel.h"

#include "toolkit/system/Published.h"
#include "toolkit/winapi/ShellApi.h"

namespace {
const std::vector<std::string> kBevelCuts{"bvNone", "bvLowered", "bvRaised", "bvSpace"};
}

TK_CLASS_IMPL(TUrlShowPanel, TCustomPanel, {
    using P = TUrlShowPanel;
    info.Create = CreatorOf<P>();
    info.Props.push_back(Prop::Color("OnMouseColor", &P::OnMouseColor, &P::SetOnMouseColor, clBlack));
    info.Props.push_back(Prop::Color("OffMouseColor", &P::OffMouseColor, &P::SetOffMouseColor, clBlack));
    info.Props.push_back(Prop::Text("PageTitle", &P::GetPageTitle, &P::SetPageTitle));
    info.Props.push_back(Prop::Text("Url", &P::GetUrl, &P::SetUrl));
    info.Props.push_back(Prop::Event("OnMouseEnter", &P::OnMouseEnter));
    info.Props.push_back(Prop::Event("OnMouseLeave", &P::OnMouseLeave));
    info.Props.push_back(Prop::Integer("BevelWidth", &P::BevelWidth, &P::SetBevelWidth, 1));
    info.Props.push_back(
        Prop::Enumeration<P>(
            "BevelOuter", kBevelCuts, [](P& p) { return p.BevelOuter(); }, [](P& p, int64_t v) { p.SetBevelOuter(TBevelCut(v)); })
            .WithDefault(bvRaised));
    // Stored only while the panel has its own colour, and then unless it is clWindow.
    info.Props.push_back(Prop::Color("Color", &P::Color, &P::SetColor).StoredWhen([](TObject* o) {
        auto* p = static_cast<P*>(o);
        return !p->ParentColor() && p->Color() != clWindow;
    }));
    info.Props.push_back(Prop::Integer("Font_Size", &P::Font_Size, &P::SetFont_Size, 9));
    info.Props.push_back(Prop::Boolean("Font_Bold", &P::Font_Bold, &P::SetFont_Bold, 0));
})

TUrlShowPanel::TUrlShowPanel(TComponent* AOwner) : TCustomPanel(AOwner)
{
    FUrl = AnsiString();
    FOnMouseColor = clRed;
    FOffMouseColor = clBlue;
    SetUrl(AnsiString("http://"));
    FFont_Size = 9;
    Font()->SetColor(FOffMouseColor);
    FColor = clBtnFace;  // the base panel has already painted itself clBtnFace
    SetAlign(alNone);
    SetAlignment(taCenter);
    SetHeight(25);
    SetWidth(180);
    Font()->SetSize(9);
}

TUrlShowPanel::~TUrlShowPanel() = default;

void TUrlShowPanel::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_MOUSEENTER: MouseEnter(); break;
    case CM_MOUSELEAVE: MouseLeave(); break;
    case CM_PARENTCOLORCHANGED:
        TCustomPanel::Dispatch(Message);
        // Following the parent, the copy must say what is shown, or SetColor would skip a
        // colour the panel no longer has.
        if (ParentColor()) FColor = TControl::Color();
        break;
    default: TCustomPanel::Dispatch(Message); break;
    }
}

void TUrlShowPanel::MouseEnter()
{
    Font()->SetColor(FOnMouseColor);
    Font()->SetStyle(FFont_Bold ? StyleBit(fsUnderline) | StyleBit(fsBold) : StyleBit(fsUnderline));
    OnMouseEnter(this);
}

void TUrlShowPanel::MouseLeave()
{
    Font()->SetColor(FOffMouseColor);
    Font()->SetStyle(FFont_Bold ? StyleBit(fsBold) : 0);
    OnMouseLeave(this);
}

void TUrlShowPanel::Click()
{
    // The shell reports nothing back: an address it cannot open simply does nothing.
    // The handle is only the owner of error boxes, so none is made for a panel not on screen.
    ShellExecuteA(HandleAllocated() ? Handle() : nullptr, "open", FUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TUrlShowPanel::SetOnMouseColor(TColor value)
{
    // Takes effect at the next mouse enter.
    FOnMouseColor = value;
}

void TUrlShowPanel::SetOffMouseColor(TColor value)
{
    if (value == FOffMouseColor) return;
    FOffMouseColor = value;
    Font()->SetColor(value);
}

AnsiString TUrlShowPanel::GetPageTitle() const { return Caption(); }
void TUrlShowPanel::SetPageTitle(const AnsiString& value) { SetCaption(value); }

AnsiString TUrlShowPanel::GetUrl() const { return FUrl; }
void TUrlShowPanel::SetUrl(const AnsiString& value) { FUrl = value; }

void TUrlShowPanel::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    SetParentColor(false);
    Perform(CM_COLORCHANGED);
    TCustomPanel::SetColor(value);
}

void TUrlShowPanel::SetFont_Size(int value)
{
    if (value == FFont_Size) return;
    Font()->SetSize(value);
    FFont_Size = value;
}

void TUrlShowPanel::SetFont_Bold(bool value)
{
    if (value == FFont_Bold) return;
    Font()->SetStyle(value ? StyleBit(fsBold) : 0);
    FFont_Bold = value;
}

namespace Urlshowpanel {
void Register() { RegisterComponents("Samples", {&TUrlShowPanel::StaticClassInfo()}); }
}  // namespace Urlshowpanel
