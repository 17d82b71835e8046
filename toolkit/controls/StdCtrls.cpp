#include "toolkit/controls/StdCtrls.h"

#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QLineEdit>

// ---- TCustomLabel ---------------------------------------------------------------------------

namespace LabelProps {
TPropInfo Alignment()
{
    return Prop::Enumeration("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &TCustomLabel::Alignment,
                             &TCustomLabel::SetAlignment, taLeftJustify);
}
TPropInfo Layout()
{
    return Prop::Enumeration("Layout", {"tlTop", "tlCenter", "tlBottom"}, &TCustomLabel::Layout, &TCustomLabel::SetLayout, tlTop);
}
TPropInfo Transparent() { return Prop::Boolean("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent, 0); }
TPropInfo FocusControl() { return Prop::Component("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl); }
}  // namespace LabelProps

TK_CLASS_IMPL(TCustomLabel, TGraphicControl, {})

TK_CLASS_IMPL(TLabel, TCustomLabel, {
    info.Create = CreatorOf<TLabel>();
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(LabelProps::Alignment());
    info.Props.push_back(Prop::Boolean("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, 1));
    info.Props.push_back(ControlProps::Caption());
    info.Props.push_back(ControlProps::Color());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(LabelProps::FocusControl());
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(LabelProps::Layout());
    info.Props.push_back(ControlProps::ParentColor());
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(Prop::Boolean("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar, 1));
    info.Props.push_back(LabelProps::Transparent());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(Prop::Boolean("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, 0));
    ControlProps::AddClickAndMouseEvents(info.Props);
})

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FControlStyle |= csOpaque | csReplicatable;
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value)
{
    if (value == FAlignment) return;
    FAlignment = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value)
{
    if (value == FLayout) return;
    FLayout = value;
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value)
{
    if (value == Transparent()) return;
    if (value) FControlStyle &= ~csOpaque;
    else FControlStyle |= csOpaque;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value)
{
    if (value == FAutoSize) return;
    FAutoSize = value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value)
{
    if (value == FWordWrap) return;
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value)
{
    if (value == FShowAccelChar) return;
    FShowAccelChar = value;
    Invalidate();
}

void TCustomLabel::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Invalidate();
        AdjustBounds();
        break;
    case CM_FONTCHANGED:
        TGraphicControl::Dispatch(Message);
        AdjustBounds();
        break;
    default: TGraphicControl::Dispatch(Message); break;
    }
}

void TCustomLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation operation)
{
    TGraphicControl::Notification(AComponent, operation);
    if (operation == opRemove && static_cast<TComponent*>(FFocusControl) == AComponent) FFocusControl = nullptr;
}

void TCustomLabel::DoDrawText(TRect& r, UINT flags)
{
    AnsiString text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.IsEmpty() || (FShowAccelChar && text == AnsiString("&")))) text = AnsiString(" ");
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    HDC dc = canvas->Handle();
    SelectObject(dc, canvas->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    if (!Enabled() && !(flags & DT_CALCRECT)) {
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

void TCustomLabel::Paint()
{
    static const UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(r);
    }
    canvas->Brush()->SetStyle(bsClear);
    UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | alignments[FAlignment];
    if (FLayout != tlTop) {
        TRect calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        int h = calc.bottom - calc.top;
        if (FLayout == tlBottom) OffsetRect(&r, 0, Height() - h);
        else OffsetRect(&r, 0, (Height() - h) / 2);
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds()
{
    if (HasState(csReading) || HasState(csLoading) || !FAutoSize || !Parent()) return;
    TRect r = ClientRect();
    DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    int x = Left();
    int w = r.right;
    if (FAlignment == taRightJustify) x += Width() - w;
    else if (FAlignment == taCenter) x += (Width() - w) / 2;
    SetBounds(x, Top(), w, r.bottom);
}

// ---- TEdit ----------------------------------------------------------------------------------

TK_CLASS_IMPL(TEdit, TWinControl, {
    info.Create = CreatorOf<TEdit>();
    info.Props.push_back(ControlProps::Color());
    info.Props.back().Stored = TStoredRule::Default;
    info.Props.back().Default = clWindow;
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(ControlProps::ParentColor());
    info.Props.back().Default = 0;
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(Prop::Text<TEdit>(
        "PasswordChar", [](TEdit& e) { return e.PasswordChar() ? AnsiString(std::string(1, e.PasswordChar())) : AnsiString(); },
        [](TEdit& e, const AnsiString& v) { e.SetPasswordChar(v.IsEmpty() ? '\0' : v[1]); }));
    info.Props.push_back(Prop::Boolean("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, 0));
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Caption("Text"));
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(Prop::Event("OnChange", &TEdit::OnChange));
    info.Props.push_back(ControlProps::OnClick());
})

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

HWND TEdit::CreateWindowHandle(HWND parentWindow)
{
    auto* e = MakeWindow<QLineEdit>(parentWindow);
    e->setText(QString::fromStdString(Caption().ToUtf8()));
    e->setReadOnly(FReadOnly);
    if (FPasswordChar) e->setEchoMode(QLineEdit::Password);
    e->setFocusPolicy(Qt::StrongFocus);
    e->setContextMenuPolicy(Qt::DefaultContextMenu);
    // Typed text goes straight into the control's text, so that Caption() and Text() agree.
    OnSignal(e, &QLineEdit::textChanged, [this](const QString& text) {
        TWinControl::SetText(AnsiString::FromUtf8(text.toStdString()));
        OnChange(this);
    });
    return HandleOfWidget(e);
}

void TEdit::SetText(const AnsiString& value)
{
    TWinControl::SetText(value);
    if (auto* e = WindowAs<QLineEdit>()) {
        QString text = QString::fromStdString(value.ToUtf8());
        if (e->text() != text) e->setText(text);
    }
}

void TEdit::SetReadOnly(bool value)
{
    FReadOnly = value;
    if (auto* e = WindowAs<QLineEdit>()) e->setReadOnly(value);
}

void TEdit::SetPasswordChar(char value)
{
    if (value == FPasswordChar) return;
    FPasswordChar = value;
    if (auto* e = WindowAs<QLineEdit>()) e->setEchoMode(value ? QLineEdit::Password : QLineEdit::Normal);
}

void TEdit::SelectAll()
{
    Handle();
    WindowAs<QLineEdit>()->selectAll();
}

AnsiString TEdit::SelText() const
{
    auto* e = WindowAs<QLineEdit>();
    return e ? AnsiString::FromUtf8(e->selectedText().toStdString()) : AnsiString();
}

void TEdit::CopyToClipboard()
{
    Handle();
    WindowAs<QLineEdit>()->copy();
}

void TEdit::PasteFromClipboard()
{
    Handle();
    WindowAs<QLineEdit>()->paste();
}
