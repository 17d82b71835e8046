#pragma once
// TTimer: calls OnTimer every Interval milliseconds on the GUI thread while Enabled, an
// interval above 0 and a handler are all given.
#include "toolkit/system/Classes.h"

#include <memory>

class TTimerPrivate;

class TTimer : public TComponent {
    TK_CLASS(TTimer)
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent value);
    // Whether ticks are being delivered.
    bool Running() const;
    void Loaded() override;

private:
    void UpdateTimer();
    bool FEnabled = true;
    unsigned FInterval = 1000;
    TNotifyEvent FOnTimer;
    std::unique_ptr<TTimerPrivate> d;
};
