#include "toolkit/controls/PushButton.h"

#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QPushButton>

TK_CLASS_IMPL(TButton, TWinControl, {
    info.Create = CreatorOf<TButton>();
    info.Props.push_back(ControlProps::Caption());
    info.Props.push_back(Prop::Boolean("Default", &TButton::Default, &TButton::SetDefault, 0));
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(ControlProps::OnClick());
})

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner)
{
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 75, 25);
}

HWND TButton::CreateWindowHandle(HWND parentWindow)
{
    auto* b = MakeWindow<QPushButton>(parentWindow);
    b->setText(QString::fromStdString(Caption().ToUtf8()));
    b->setFocusPolicy(Qt::StrongFocus);
    b->setDefault(FDefault);
    b->setAutoDefault(false);
    OnSignal(b, &QPushButton::clicked, [this](bool) { Click(); });
    return HandleOfWidget(b);
}

void TButton::SetDefault(bool value)
{
    if (value == FDefault) return;
    FDefault = value;
    if (auto* b = WindowAs<QPushButton>()) b->setDefault(value);
}

void TButton::Dispatch(TMessage& Message)
{
    auto* b = WindowAs<QPushButton>();
    if (Message.Msg == CM_TEXTCHANGED && b) b->setText(QString::fromStdString(Caption().ToUtf8()));
    TWinControl::Dispatch(Message);
}
