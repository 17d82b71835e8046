// TAlphaSpeedButton on real windows: blended faces over a known background, repaints, paint
// failures, and its stored opacity.
#include "tests/components/alphabutton/BlendFixtures.h"
#include "tests/components/alphabutton/ButtonBackdrop.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const TRect ButtonRect = Rect(30, 15, 95, 40);  // 65 x 25

bool Inside(const TRect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// A form that paints a pattern of its own, with a button of the given class on it.
template <class Button>
struct TBackdrop : TButtonBackdrop<Button> {
    TBackdrop() : TButtonBackdrop<Button>(ButtonRect) {}
};

enum TRoutine { rtSystem, rtSoftware };

// What the plain speed button paints at the same place over the same background.
QImage PlainButtonFace()
{
    TBackdrop<TSpeedButton> plain;
    return GrabWindow(&plain.form);
}

TEST(AlphaSpeedButton, BlendsItsFaceOverWhatLiesBehind)
{
    const QImage face = PlainButtonFace();
    for (TRoutine routine : {rtSystem, rtSoftware}) {
        TUnitReinitialised unit(routine == rtSoftware ? TUnitReinitialised::hideExport : TUnitReinitialised::hideNothing);
        TBackdrop<TAlphaSpeedButton> b;
        EXPECT_EQ(b.button->Alpha(), 255);
        for (int a : {0, 150, 255}) {
            b.button->SetAlpha(static_cast<uint8_t>(a));
            QImage img = GrabWindow(&b.form);
            int outsideWrong = 0, insideWrong = 0, worst = 0;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 120; ++x) {
                    COLORREF got = PixelRef(img, x, y);
                    if (!Inside(ButtonRect, x, y)) {
                        outsideWrong += got != BackgroundAt(x, y);
                        continue;
                    }
                    COLORREF want = Blended(PixelRef(face, x, y), BackgroundAt(x, y), a);
                    // Fully opaque or fully clear is exact with either routine; in between,
                    // the system routine may round where the software one truncates.
                    if (routine == rtSoftware || a == 0 || a == 255) insideWrong += got != want;
                    for (int i = 0; i < 3; ++i) worst = std::max(worst, std::abs(Channel(got, i) - Channel(want, i)));
                }
            EXPECT_EQ(outsideWrong, 0) << "alpha " << a << ", routine " << routine;
            EXPECT_EQ(insideWrong, 0) << "alpha " << a << ", routine " << routine;
            EXPECT_LE(worst, 1) << "alpha " << a << ", routine " << routine;
        }
    }
}

// Paints only a small red square; the rest of its rectangle is left as the parent painted it.
struct TSquareButton : TAlphaSpeedButton {
    using TAlphaSpeedButton::TAlphaSpeedButton;
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(Rect(2, 2, 7, 7));
    }
};

TEST(AlphaSpeedButton, PixelsItLeavesUntouchedKeepTheBackgroundExactly)
{
    for (auto hide : {TUnitReinitialised::hideNothing, TUnitReinitialised::hideExport}) {
        TUnitReinitialised unit(hide);
        TBackdrop<TSquareButton> b;
        b.button->SetAlpha(150);
        QImage img = GrabWindow(&b.form);
        const TRect square = Rect(ButtonRect.left + 2, ButtonRect.top + 2, ButtonRect.left + 7, ButtonRect.top + 7);
        int wrong = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x) {
                if (Inside(square, x, y)) {
                    COLORREF want = Blended(0x0000FF, BackgroundAt(x, y), 150);
                    for (int i = 0; i < 3; ++i) wrong += std::abs(Channel(PixelRef(img, x, y), i) - Channel(want, i)) > 1;
                } else {
                    wrong += PixelRef(img, x, y) != BackgroundAt(x, y);
                }
            }
        EXPECT_EQ(wrong, 0) << "hidden " << hide;
    }
}

struct TCountingButton : TAlphaSpeedButton {
    using TAlphaSpeedButton::TAlphaSpeedButton;
    int paints = 0;
    void Paint() override
    {
        ++paints;
        TAlphaSpeedButton::Paint();
    }
};

void LetPaintsHappen()
{
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

TEST(AlphaSpeedButton, RepaintsOnlyWhenAlphaChanges)
{
    TBackdrop<TCountingButton> b;
    b.button->SetAlpha(150);
    LetPaintsHappen();
    const int settled = b.button->paints;
    ASSERT_GE(settled, 1);
    b.button->SetAlpha(150);
    LetPaintsHappen();
    EXPECT_EQ(b.button->paints, settled);
    b.button->SetAlpha(151);
    LetPaintsHappen();
    EXPECT_EQ(b.button->paints, settled + 1);
    EXPECT_EQ(b.button->Alpha(), 151);
}

TEST(AlphaSpeedButton, PaintMessageWithoutContextPaintsNothing)
{
    TForm form(nullptr);
    auto* button = new TCountingButton(&form);
    button->SetParent(&form);
    const int objects = GdiLiveObjectCount();
    button->Perform(WM_PAINT, 0, 0);
    EXPECT_EQ(button->paints, 0);
    EXPECT_EQ(GdiLiveObjectCount(), objects);
}

struct TFailingButton : TAlphaSpeedButton {
    using TAlphaSpeedButton::TAlphaSpeedButton;
    void Paint() override
    {
        TAlphaSpeedButton::Paint();
        throw EInvalidOperation(AnsiString("paint failed"));
    }
};

TEST(AlphaSpeedButton, PaintFailureReleasesOffScreenObjectsAndTravelsOn)
{
    TForm form(nullptr);
    auto* button = new TFailingButton(&form);
    button->SetBounds(0, 0, 65, 25);
    button->SetAlpha(150);
    button->SetParent(&form);
    TMemoryImage target(65, 25, [](int x, int y) { return BackgroundAt(x, y); });
    TMessage m;
    m.Msg = WM_PAINT;
    SetPaintDC(m, target.DC);
    EXPECT_THROW(button->Dispatch(m), EInvalidOperation);
    EXPECT_EQ(PaintDC(m), target.DC);  // the caller's context, not the freed one
    // The canvas keeps its font and brush; nothing else may stay behind from a paint.
    const int objects = GdiLiveObjectCount();
    for (int i = 0; i < 3; ++i) EXPECT_THROW(button->Dispatch(m), EInvalidOperation);
    EXPECT_EQ(GdiLiveObjectCount(), objects);
    int changed = 0;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 65; ++x) changed += target.Pixel(x, y) != BackgroundAt(x, y);
    EXPECT_EQ(changed, 0);  // the blend was skipped
}

TEST(AlphaSpeedButton, ZeroSizedButtonPaintsWithoutLeaks)
{
    TBackdrop<TAlphaSpeedButton> b;
    b.button->SetAlpha(150);
    GrabWindow(&b.form);  // the canvas makes its font and brush once
    const int objects = GdiLiveObjectCount();
    for (auto [w, h] : {std::pair{65, 0}, std::pair{0, 25}}) {
        b.button->SetBounds(ButtonRect.left, ButtonRect.top, w, h);
        QImage img = GrabWindow(&b.form);
        EXPECT_EQ(PixelRef(img, ButtonRect.left, ButtonRect.top), BackgroundAt(ButtonRect.left, ButtonRect.top));
    }
    EXPECT_EQ(GdiLiveObjectCount(), objects);
}

TEST(AlphaSpeedButton, AlphaIsAlwaysStoredAndChecked)
{
    TForm form(nullptr);
    form.SetName(AnsiString("Form1"));
    auto* button = new TAlphaSpeedButton(&form);
    button->SetName(AnsiString("FlatButton1"));
    button->SetParent(&form);
    EXPECT_NE(WriteComponentText(&form).find("Alpha = 255"), std::string::npos);  // even the initial value

    TForm read(nullptr);
    ReadComponentText(&read, "object Form1: TForm\n  object Button1: TAlphaSpeedButton\n    Alpha = 150\n  end\nend\n");
    auto* b = dynamic_cast<TAlphaSpeedButton*>(read.FindComponent(AnsiString("Button1")));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Alpha(), 150);
    EXPECT_NE(WriteComponentText(&read).find("Alpha = 150"), std::string::npos);

    for (const char* bad : {"256", "-1"}) {
        TForm other(nullptr);
        std::string text =
            std::string("object Form1: TForm\n  object B: TAlphaSpeedButton\n    Alpha = ") + bad + "\n  end\nend\n";
        EXPECT_THROW(ReadComponentText(&other, text), EReadError) << bad;
    }
}

}  // namespace
