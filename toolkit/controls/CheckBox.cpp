#include "toolkit/controls/CheckBox.h"

#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QCheckBox>

TK_CLASS_IMPL(TCheckBox, TWinControl, {
    info.Create = CreatorOf<TCheckBox>();
    info.Props.push_back(ControlProps::Caption());
    info.Props.push_back(Prop::Boolean("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, 0));
    info.Props.push_back(ControlProps::Color());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(ControlProps::ParentColor());
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(ControlProps::OnClick());
})

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner)
{
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
}

HWND TCheckBox::CreateWindowHandle(HWND parentWindow)
{
    auto* b = MakeWindow<QCheckBox>(parentWindow);
    b->setText(QString::fromStdString(Caption().ToUtf8()));
    b->setFocusPolicy(Qt::StrongFocus);
    b->setChecked(FChecked);
    // The user's toggle goes through SetChecked, so that both ways fire OnClick once.
    OnSignal(b, &QCheckBox::toggled, [this](bool on) { SetChecked(on); });
    return HandleOfWidget(b);
}

void TCheckBox::SetChecked(bool value)
{
    if (value == FChecked) return;
    FChecked = value;
    auto* b = WindowAs<QCheckBox>();
    if (b && b->isChecked() != value) b->setChecked(value);
    Click();
}

void TCheckBox::Dispatch(TMessage& Message)
{
    auto* b = WindowAs<QCheckBox>();
    if (Message.Msg == CM_TEXTCHANGED && b) b->setText(QString::fromStdString(Caption().ToUtf8()));
    TWinControl::Dispatch(Message);
}
