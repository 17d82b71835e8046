// TTimer on the real event loop.
#include "tests/fixtures/NotifyCount.h"
#include "toolkit/controls/Timer.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/system/Published.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(Timer, TicksOnlyWhenEnabledWithAnIntervalAndAHandler)
{
    TTimer timer(nullptr);
    NotifyCount ticks;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.Running());  // no handler yet
    timer.SetInterval(5);
    timer.SetOnTimer(ticks.Event());
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks.count >= 3; }, 5000));
    EXPECT_EQ(ticks.sender, &timer);

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    int before = ticks.count;
    QTest::qWait(30);
    EXPECT_EQ(ticks.count, before);
    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
}

TEST(Timer, AHandlerMayDestroyItsOwnTimer)
{
    struct SelfDestruct : TObject {
        TTimer* timer = nullptr;
        void Tick(TObject*)
        {
            delete timer;
            timer = nullptr;
        }
    } s;
    s.timer = new TTimer(nullptr);
    s.timer->SetInterval(1);
    s.timer->SetOnTimer(TNotifyEvent(&s, &SelfDestruct::Tick));
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.timer == nullptr; }, 5000));
}

class TTimerForm : public TForm {
    TK_CLASS(TTimerForm)
public:
    using TForm::TForm;
    int ticks = 0;
    void Timer1Timer(TObject*) { ++ticks; }
};

}  // namespace

TK_CLASS_IMPL(TTimerForm, TForm, { PublishMethod(info, "Timer1Timer", &TTimerForm::Timer1Timer); })

namespace {

TEST(Timer, AHandlerFromAFormDescriptionStartsIt)
{
    TTimerForm form(nullptr);
    ReadComponentText(&form, "object Form1: TTimerForm\n"
                             "  object Timer1: TTimer\n"
                             "    Interval = 2\n"
                             "    OnTimer = Timer1Timer\n"
                             "  end\n"
                             "end\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.ticks >= 2; }, 5000));
}

}  // namespace
