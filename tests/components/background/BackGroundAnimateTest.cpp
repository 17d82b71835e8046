// The frame timer, driven for real: one frame further per tick, nothing at design time.
#include "BackGroundFixture.h"

#include <gtest/gtest.h>

namespace {

// Runs the painter's own tick handler, then records what it left.
struct TickProbe : TObject {
    TNotifyEvent animate;
    std::function<void()> after;
    int ticks = 0;
    void Tick(TObject* sender)
    {
        animate(sender);
        ++ticks;
        if (after) after();
    }
    void Attach(TpkxBackGround* painter)
    {
        TTimer* timer = painter->BkAnimate()->FrameTimer();
        animate = timer->OnTimer();
        timer->SetOnTimer(TNotifyEvent(this, &TickProbe::Tick));
    }
};

TEST(Animate, ThreeFramesCycleOneStepPerTick)
{
    auto form = MakeForm(20, 12);
    auto* painter = new TpkxBackGround(form.get());
    painter->BkAnimate()->SetImageList(FrameList(form.get(), 8, 8, {clRed, clLime, clBlue}));
    ShowAndSettle(*form);
    EXPECT_EQ(PixelRef(GrabWindow(form.get()), 19, 11), uint32_t(clRed));

    TickProbe probe;
    std::vector<int> indices;
    std::vector<uint32_t> shown;
    probe.after = [&] {
        indices.push_back(painter->BkAnimate()->FrameIndex());
        Application->ProcessMessages();  // the repaint the tick asked for
        shown.push_back(PixelRef(GrabWindow(form.get()), 19, 11));
    };
    probe.Attach(painter);
    painter->BkAnimate()->SetSpeed(1000);  // a tick every millisecond
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.ticks >= 4; }, 5000));
    painter->BkAnimate()->FrameTimer()->SetEnabled(false);
    EXPECT_EQ(std::vector<int>(indices.begin(), indices.begin() + 4), (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(std::vector<uint32_t>(shown.begin(), shown.begin() + 4),
              (std::vector<uint32_t>{uint32_t(clLime), uint32_t(clBlue), uint32_t(clRed), uint32_t(clLime)}));
}

TEST(Animate, TicksDoNothingAtDesignTimeOrWithoutFrames)
{
    struct Case {
        const char* name;
        bool designing;
        bool list;
        bool images;
    };
    for (Case c :
         {Case{"designing", true, true, true}, Case{"no list", false, false, false}, Case{"empty list", false, true, false}}) {
        SCOPED_TRACE(c.name);
        auto form = MakeForm(20, 12);
        auto* painter = new TpkxBackGround(form.get());
        if (c.list)
            painter->BkAnimate()->SetImageList(c.images ? FrameList(form.get(), 8, 8, {clRed, clLime})
                                                        : new TImageList(form.get()));
        form->SetDesigning(c.designing);
        ShowAndSettle(*form);
        TickProbe probe;
        probe.Attach(painter);
        painter->BkAnimate()->SetSpeed(1000);
        ASSERT_TRUE(QTest::qWaitFor([&] { return probe.ticks >= 3; }, 5000));
        EXPECT_EQ(painter->BkAnimate()->FrameIndex(), 0);
        EXPECT_EQ(PixelRef(GrabWindow(form.get()), 0, 0), uint32_t(c.images ? clRed : clBlue));
    }
}

TEST(Animate, AnIndexLeftOutOfRangeComesBackOnTheNextTick)
{
    auto form = MakeForm(20, 12);
    auto* painter = new TpkxBackGround(form.get());
    TImageList* list = FrameList(form.get(), 8, 8, {clRed, clLime, clBlue});
    painter->BkAnimate()->SetImageList(list);
    list->SetBkColor(clWhite);
    ShowAndSettle(*form);
    TickProbe probe;
    probe.Attach(painter);
    painter->BkAnimate()->SetSpeed(1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return painter->BkAnimate()->FrameIndex() == 2; }, 5000));
    painter->BkAnimate()->FrameTimer()->SetEnabled(false);
    list->Delete(2);
    list->Delete(1);
    // Frame 2 no longer exists: only the list's background colour shows.
    EXPECT_EQ(PixelRef(GrabWindow(form.get()), 0, 0), uint32_t(clWhite));
    int ticks = probe.ticks;
    painter->BkAnimate()->FrameTimer()->SetEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.ticks > ticks; }, 5000));
    painter->BkAnimate()->FrameTimer()->SetEnabled(false);
    EXPECT_EQ(painter->BkAnimate()->FrameIndex(), 0);
    EXPECT_EQ(PixelRef(GrabWindow(form.get()), 0, 0), uint32_t(clRed));
}

}  // namespace
