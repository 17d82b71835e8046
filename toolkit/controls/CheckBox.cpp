#include "toolkit/controls/CheckBox.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QCheckBox>
#include <QPointer>

class TCheckBoxPrivate {
public:
    QPointer<QCheckBox> box;
};

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

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner), d(std::make_unique<TCheckBoxPrivate>())
{
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
}

TCheckBox::~TCheckBox()
{
    if (d->box) QObject::disconnect(d->box, nullptr, nullptr, nullptr);
}

HWND TCheckBox::CreateWindowHandle(HWND parentWindow)
{
    auto* b = new QCheckBox(QString::fromStdString(Caption().ToUtf8()), WidgetFromHandle(parentWindow));
    b->setFocusPolicy(Qt::StrongFocus);
    b->setChecked(FChecked);
    // The user's toggle goes through SetChecked, so that both ways fire OnClick once.
    QObject::connect(b, &QCheckBox::toggled, b, [this](bool on) { Application->Guard([&] { SetChecked(on); }); });
    d->box = b;
    return HandleOfWidget(b);
}

void TCheckBox::SetChecked(bool value)
{
    if (value == FChecked) return;
    FChecked = value;
    if (d->box && d->box->isChecked() != value) d->box->setChecked(value);
    Click();
}

void TCheckBox::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_TEXTCHANGED && d->box) d->box->setText(QString::fromStdString(Caption().ToUtf8()));
    TWinControl::Dispatch(Message);
}
