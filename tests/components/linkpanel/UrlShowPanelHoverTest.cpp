// A new panel's look, and the link look that follows the mouse (real Qt enter and leave).
#include "PanelOnForm.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlShowPanel, NewPanelShowsItsTitleCentredInBlue)
{
    PanelOnForm f;
    TUrlShowPanel* p = f.panel;
    EXPECT_EQ(p->Width(), 180);
    EXPECT_EQ(p->Height(), 25);
    EXPECT_EQ(p->Alignment(), taCenter);
    EXPECT_EQ(p->Font()->Size(), 9);
    EXPECT_EQ(p->Font()->Color(), clBlue);
    EXPECT_EQ(p->GetUrl(), AnsiString("http://"));
    EXPECT_EQ(p->OnMouseColor(), clRed);
    EXPECT_EQ(p->Color(), clBtnFace);

    QImage img = GrabWindow(p);
    uint32_t face = ColorToRGB(clBtnFace);
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 2; y < img.height() - 2; ++y)
        for (int x = 2; x < img.width() - 2; ++x)
            if (PixelRef(img, x, y) != face) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, left) << "no caption drawn";
    EXPECT_NEAR(left, img.width() - 1 - right, 3);
    EXPECT_NEAR(top, img.height() - 1 - bottom, 4);
    EXPECT_GT(f.Caption(clBlue).pixels, 20);
    EXPECT_EQ(f.Caption(clRed).pixels, 0);
}

struct Entered : TObject {
    std::vector<std::pair<const char*, TColor>> calls;  // event, font colour when it fired
    TUrlShowPanel* panel = nullptr;
    void Enter(TObject*) { calls.emplace_back("enter", panel->Font()->Color()); }
    void Leave(TObject*) { calls.emplace_back("leave", panel->Font()->Color()); }
};

TEST(UrlShowPanel, UnderTheMouseItLooksLikeALink)
{
    int plainInk = 0, boldInk = 0;
    for (bool bold : {false, true}) {
        SCOPED_TRACE(bold ? "bold" : "plain");
        PanelOnForm f;
        Entered events;
        events.panel = f.panel;
        f.panel->OnMouseEnter = TNotifyEvent(&events, &Entered::Enter);
        f.panel->OnMouseLeave = TNotifyEvent(&events, &Entered::Leave);
        f.panel->SetFont_Bold(bold);
        Ink resting = f.Caption(clBlue);

        f.Hover(true);
        Ink hover = f.Caption(clRed);
        EXPECT_EQ(f.Caption(clBlue).pixels, 0);
        EXPECT_GT(hover.longestRun, 40) << "underline";
        EXPECT_EQ(f.panel->Font()->Style() & StyleBit(fsBold), bold ? StyleBit(fsBold) : 0u);

        f.Hover(false);
        Ink left = f.Caption(clBlue);
        EXPECT_EQ(f.Caption(clRed).pixels, 0);
        EXPECT_LT(left.longestRun, 20) << "no underline";
        EXPECT_EQ(left.pixels, resting.pixels);
        (bold ? boldInk : plainInk) = left.pixels;

        ASSERT_EQ(events.calls.size(), 2u);
        EXPECT_STREQ(events.calls[0].first, "enter");
        EXPECT_EQ(events.calls[0].second, clRed);  // fired after the font change
        EXPECT_STREQ(events.calls[1].first, "leave");
        EXPECT_EQ(events.calls[1].second, clBlue);
    }
    EXPECT_GT(boldInk, plainInk * 11 / 10);
}

TEST(UrlShowPanel, MouseColoursChangedUnderTheMouse)
{
    PanelOnForm f;
    f.Hover(true);
    f.panel->SetOnMouseColor(clGreen);
    EXPECT_GT(f.Caption(clRed).pixels, 0) << "OnMouseColor waits for the next enter";
    EXPECT_EQ(f.Caption(clGreen).pixels, 0);

    f.panel->SetOffMouseColor(clFuchsia);
    Ink now = f.Caption(clFuchsia);
    EXPECT_GT(now.longestRun, 40) << "shown at once and still underlined";
    EXPECT_EQ(f.Caption(clRed).pixels, 0);

    f.Hover(false);
    EXPECT_LT(f.Caption(clFuchsia).longestRun, 20);
    f.Hover(true);
    EXPECT_GT(f.Caption(clGreen).longestRun, 40);
}

TEST(UrlShowPanel, BoldSwitchedUnderTheMouseDropsTheUnderlineUntilTheNextEnter)
{
    PanelOnForm f;
    f.Hover(true);
    f.panel->SetFont_Bold(true);
    EXPECT_EQ(f.panel->Font()->Style(), StyleBit(fsBold));
    EXPECT_LT(f.Caption(clRed).longestRun, 20);
    f.Hover(false);
    f.Hover(true);
    EXPECT_EQ(f.panel->Font()->Style(), StyleBit(fsBold) | StyleBit(fsUnderline));
}

}  // namespace
