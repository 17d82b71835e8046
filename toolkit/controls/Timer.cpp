#include "toolkit/controls/Timer.h"

#include "toolkit/controls/Application.h"
#include "toolkit/system/Published.h"

#include <QTimer>

#include <climits>

class TTimerPrivate {
public:
    QTimer timer;
};

TK_CLASS_IMPL(TTimer, TComponent, {
    info.Create = CreatorOf<TTimer>();
    info.Props.push_back(Prop::Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, 1));
    info.Props.push_back(Prop::Integer<TTimer>(
                             "Interval", [](TTimer& t) { return t.Interval(); },
                             [](TTimer& t, int64_t v) {
                                 if (v < 0 || v > UINT_MAX) throw EConvertError(AnsiString("Invalid interval"));
                                 t.SetInterval(static_cast<unsigned>(v));
                             })
                             .WithDefault(1000));
    info.Props.push_back(Prop::Event("OnTimer", &TTimer::FOnTimer));
})

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), d(std::make_unique<TTimerPrivate>())
{
    QObject::connect(&d->timer, &QTimer::timeout, [this] {
        // The handler may destroy this timer: nothing of it is touched afterwards.
        TNotifyEvent handler = FOnTimer;
        Application->Guard([&] { handler(this); });
    });
}

TTimer::~TTimer() { Destroying(); }

void TTimer::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value)
{
    if (value == FInterval) return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value)
{
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    UpdateTimer();  // a handler bound from a form description was set without the setter
}

bool TTimer::Running() const { return d->timer.isActive(); }

void TTimer::UpdateTimer()
{
    d->timer.stop();
    if (FEnabled && FInterval > 0 && FOnTimer) d->timer.start(static_cast<int>(std::min<unsigned>(FInterval, INT_MAX)));
}
