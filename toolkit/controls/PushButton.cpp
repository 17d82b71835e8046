#include "toolkit/controls/PushButton.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QPointer>
#include <QPushButton>

class TButtonPrivate {
public:
    QPointer<QPushButton> button;
};

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

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner), d(std::make_unique<TButtonPrivate>())
{
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 75, 25);
}

TButton::~TButton()
{
    // The window outlives this part of the object: its signals must not reach us any more.
    if (d->button) QObject::disconnect(d->button, nullptr, nullptr, nullptr);
}

HWND TButton::CreateWindowHandle(HWND parentWindow)
{
    auto* b = new QPushButton(QString::fromStdString(Caption().ToUtf8()), WidgetFromHandle(parentWindow));
    b->setFocusPolicy(Qt::StrongFocus);
    b->setDefault(FDefault);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, b, [this] { Application->Guard([this] { Click(); }); });
    d->button = b;
    return HandleOfWidget(b);
}

void TButton::SetDefault(bool value)
{
    if (value == FDefault) return;
    FDefault = value;
    if (d->button) d->button->setDefault(value);
}

void TButton::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_TEXTCHANGED && d->button) d->button->setText(QString::fromStdString(Caption().ToUtf8()));
    TWinControl::Dispatch(Message);
}
