#include "toolkit/controls/ComCtrls.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QPointer>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace {
void CheckRange(int min, int max)
{
    if (min > max)
        throw EInvalidOperation(AnsiString("Invalid range: minimum " + std::to_string(min) + " exceeds maximum " + std::to_string(max)));
}
}  // namespace

// ---- TProgressBar ---------------------------------------------------------------------------

class TProgressBarPrivate {
public:
    QPointer<QProgressBar> bar;
};

TK_CLASS_IMPL(TProgressBar, TWinControl, {
    info.Create = CreatorOf<TProgressBar>();
    using P = TProgressBar;
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(Prop::Integer<P>("Min", [](P& p) { return p.Min(); }, [](P& p, int64_t v) { p.SetMin(int(v)); }).WithDefault(0));
    info.Props.push_back(Prop::Integer<P>("Max", [](P& p) { return p.Max(); }, [](P& p, int64_t v) { p.SetMax(int(v)); }).WithDefault(100));
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(Prop::Integer<P>("Position", [](P& p) { return p.Position(); },
                                          [](P& p, int64_t v) { p.SetPosition(int(v)); })
                             .WithDefault(0));
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(Prop::Integer<P>("Step", [](P& p) { return p.Step(); }, [](P& p, int64_t v) { p.SetStep(int(v)); }).WithDefault(10));
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
})

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner), d(std::make_unique<TProgressBarPrivate>())
{
    SetBounds(0, 0, 150, 16);
}

TProgressBar::~TProgressBar() = default;

HWND TProgressBar::CreateWindowHandle(HWND parentWindow)
{
    auto* b = new QProgressBar(WidgetFromHandle(parentWindow));
    b->setTextVisible(false);
    d->bar = b;
    Apply();
    return HandleOfWidget(b);
}

void TProgressBar::Apply()
{
    if (!d->bar) return;
    d->bar->setRange(FMin, FMax);
    d->bar->setValue(FPosition);
}

void TProgressBar::SetRange(int min, int max)
{
    CheckRange(min, max);
    if (min == FMin && max == FMax) return;
    FMin = min;
    FMax = max;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Apply();
}

void TProgressBar::SetPosition(int value)
{
    value = std::clamp(value, FMin, FMax);
    if (value == FPosition) return;
    FPosition = value;
    if (d->bar) d->bar->setValue(value);
}

void TProgressBar::StepIt()
{
    int64_t next = int64_t{FPosition} + FStep;
    SetPosition(next > FMax ? FMin : int(std::max<int64_t>(next, FMin)));
}

// ---- TTrackBar ------------------------------------------------------------------------------

class TTrackBarPrivate {
public:
    QPointer<QSlider> slider;
};

TK_CLASS_IMPL(TTrackBar, TWinControl, {
    info.Create = CreatorOf<TTrackBar>();
    using T = TTrackBar;
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(Prop::Integer<T>("Frequency", [](T& t) { return t.Frequency(); },
                                          [](T& t, int64_t v) { t.SetFrequency(int(v)); })
                             .WithDefault(1));
    info.Props.push_back(Prop::Integer<T>("LineSize", [](T& t) { return t.LineSize(); },
                                          [](T& t, int64_t v) { t.SetLineSize(int(v)); })
                             .WithDefault(1));
    info.Props.push_back(Prop::Integer<T>("Max", [](T& t) { return t.Max(); }, [](T& t, int64_t v) { t.SetMax(int(v)); }).WithDefault(10));
    info.Props.push_back(Prop::Integer<T>("Min", [](T& t) { return t.Min(); }, [](T& t, int64_t v) { t.SetMin(int(v)); }).WithDefault(0));
    info.Props.push_back(Prop::Enumeration<T>("Orientation", {"trHorizontal", "trVertical"}, [](T& t) { return t.Orientation(); },
                                              [](T& t, int64_t v) { t.SetOrientation(TTrackBarOrientation(v)); })
                             .WithDefault(trHorizontal));
    info.Props.push_back(Prop::Integer<T>("PageSize", [](T& t) { return t.PageSize(); },
                                          [](T& t, int64_t v) { t.SetPageSize(int(v)); })
                             .WithDefault(2));
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(Prop::Integer<T>("Position", [](T& t) { return t.Position(); },
                                          [](T& t, int64_t v) { t.SetPosition(int(v)); })
                             .WithDefault(0));
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(Prop::Event("OnChange", &TTrackBar::OnChange));
})

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner), d(std::make_unique<TTrackBarPrivate>())
{
    SetTabStop(true);
    SetBounds(0, 0, 150, 45);
}

TTrackBar::~TTrackBar()
{
    if (d->slider) QObject::disconnect(d->slider, nullptr, nullptr, nullptr);
}

HWND TTrackBar::CreateWindowHandle(HWND parentWindow)
{
    auto* s = new QSlider(WidgetFromHandle(parentWindow));
    s->setFocusPolicy(Qt::StrongFocus);
    s->setTickPosition(QSlider::TicksBelow);
    d->slider = s;
    Apply();
    QObject::connect(s, &QSlider::valueChanged, s, [this](int v) { Application->Guard([&] { SetPosition(v); }); });
    return HandleOfWidget(s);
}

void TTrackBar::Apply()
{
    QSlider* s = d->slider;
    if (!s) return;
    QSignalBlocker block(s);
    s->setOrientation(FOrientation == trHorizontal ? Qt::Horizontal : Qt::Vertical);
    s->setRange(FMin, FMax);
    s->setValue(FPosition);
    s->setTickInterval(FFrequency);
    s->setSingleStep(FLineSize);
    s->setPageStep(FPageSize);
}

void TTrackBar::SetRange(int min, int max)
{
    CheckRange(min, max);
    if (min == FMin && max == FMax) return;
    FMin = min;
    FMax = max;
    Apply();
    SetPosition(FPosition);
}

void TTrackBar::SetPosition(int value)
{
    value = std::clamp(value, FMin, FMax);
    if (value == FPosition) return;
    FPosition = value;
    if (d->slider && d->slider->value() != value) {
        QSignalBlocker block(d->slider);
        d->slider->setValue(value);
    }
    OnChange(this);
}

void TTrackBar::SetFrequency(int value)
{
    if (value == FFrequency) return;
    FFrequency = value;
    Apply();
}

void TTrackBar::SetLineSize(int value)
{
    if (value == FLineSize) return;
    FLineSize = value;
    Apply();
}

void TTrackBar::SetPageSize(int value)
{
    if (value == FPageSize) return;
    FPageSize = value;
    Apply();
}

void TTrackBar::SetOrientation(TTrackBarOrientation value)
{
    if (value == FOrientation) return;
    FOrientation = value;
    Apply();
}
