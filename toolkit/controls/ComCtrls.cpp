#include "toolkit/controls/ComCtrls.h"

#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace {
void CheckRange(int min, int max)
{
    if (min > max)
        throw EInvalidOperation(
            AnsiString("Invalid range: minimum " + std::to_string(min) + " exceeds maximum " + std::to_string(max)));
}
}  // namespace

// ---- TProgressBar ---------------------------------------------------------------------------

TK_CLASS_IMPL(TProgressBar, TWinControl, {
    info.Create = CreatorOf<TProgressBar>();
    using P = TProgressBar;
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(Prop::Integer("Min", &P::Min, &P::SetMin, 0));
    info.Props.push_back(Prop::Integer("Max", &P::Max, &P::SetMax, 100));
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(Prop::Integer("Position", &P::Position, &P::SetPosition, 0));
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(Prop::Integer("Step", &P::Step, &P::SetStep, 10));
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
})

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 150, 16); }

HWND TProgressBar::CreateWindowHandle(HWND parentWindow)
{
    auto* b = MakeWindow<QProgressBar>(parentWindow);
    b->setTextVisible(false);
    Apply();
    return HandleOfWidget(b);
}

void TProgressBar::Apply()
{
    auto* b = WindowAs<QProgressBar>();
    if (!b) return;
    b->setRange(FMin, FMax);
    b->setValue(FPosition);
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
    if (auto* b = WindowAs<QProgressBar>()) b->setValue(value);
}

void TProgressBar::StepIt()
{
    int64_t next = int64_t{FPosition} + FStep;
    SetPosition(next > FMax ? FMin : int(std::max<int64_t>(next, FMin)));
}

// ---- TTrackBar ------------------------------------------------------------------------------

TK_CLASS_IMPL(TTrackBar, TWinControl, {
    info.Create = CreatorOf<TTrackBar>();
    using T = TTrackBar;
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(Prop::Integer("Frequency", &T::Frequency, &T::SetFrequency, 1));
    info.Props.push_back(Prop::Integer("LineSize", &T::LineSize, &T::SetLineSize, 1));
    info.Props.push_back(Prop::Integer("Max", &T::Max, &T::SetMax, 10));
    info.Props.push_back(Prop::Integer("Min", &T::Min, &T::SetMin, 0));
    info.Props.push_back(
        Prop::Enumeration("Orientation", {"trHorizontal", "trVertical"}, &T::Orientation, &T::SetOrientation, trHorizontal));
    info.Props.push_back(Prop::Integer("PageSize", &T::PageSize, &T::SetPageSize, 2));
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(Prop::Integer("Position", &T::Position, &T::SetPosition, 0));
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(Prop::Event("OnChange", &TTrackBar::OnChange));
})

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner)
{
    SetTabStop(true);
    SetBounds(0, 0, 150, 45);
}

HWND TTrackBar::CreateWindowHandle(HWND parentWindow)
{
    auto* s = MakeWindow<QSlider>(parentWindow);
    s->setFocusPolicy(Qt::StrongFocus);
    s->setTickPosition(QSlider::TicksBelow);
    Apply();
    OnSignal(s, &QSlider::valueChanged, [this](int v) { SetPosition(v); });
    return HandleOfWidget(s);
}

void TTrackBar::Apply()
{
    auto* s = WindowAs<QSlider>();
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
    if (auto* s = WindowAs<QSlider>(); s && s->value() != value) {
        QSignalBlocker block(s);
        s->setValue(value);
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
