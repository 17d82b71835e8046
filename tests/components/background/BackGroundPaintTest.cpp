// Painting a real form: the gradient's arithmetic, tiling, priority, refresh and chaining.
#include "BackGroundFixture.h"

#include <gtest/gtest.h>

namespace {

// Lengths of the runs of equal colour along the left column (vertical) or the top row.
std::vector<int> Bands(const QImage& img, bool vertical)
{
    std::vector<int> runs;
    int n = vertical ? img.height() : img.width();
    uint32_t last = 0;
    for (int a = 0; a < n; ++a) {
        uint32_t c = vertical ? PixelRef(img, 0, a) : PixelRef(img, a, 0);
        if (a == 0 || c != last) runs.push_back(0);
        ++runs.back();
        last = c;
    }
    return runs;
}

TEST(Gradient, WorkedExampleOnTheMainWindowsSize)
{
    auto form = MakeForm(152, 213);
    new TpkxBackGround(form.get());
    ShowAndSettle(*form);
    QImage img = GrabWindow(form.get());
    for (auto [y, blue] : {std::pair{0, 255}, {1, 253}, {2, 252}, {106, 128}, {107, 126}, {212, 1}}) {
        EXPECT_EQ(PixelRef(img, 0, y), RGB(0, 0, uint8_t(blue))) << y;
        EXPECT_EQ(PixelRef(img, 151, y), RGB(0, 0, uint8_t(blue))) << y;
    }
    EXPECT_EQ(Bands(img, true).size(), 213u);
}

TEST(Gradient, BandsByLengthAndDirection)
{
    struct Case {
        int w, h;
        TpkxFillStyle style;
        std::size_t bands;
        int step;
    };
    for (Case c : {Case{20, 100, fsVert, 100, 1}, Case{20, 300, fsVert, 150, 2}, Case{20, 384, fsVert, 128, 3},
                   Case{300, 20, fsHorz, 150, 2}, Case{255, 10, fsHorz, 255, 1}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        auto form = MakeForm(c.w, c.h);
        auto* painter = new TpkxBackGround(form.get());
        painter->BkColor()->SetFillStyle(c.style);
        ShowAndSettle(*form);
        QImage img = GrabWindow(form.get());
        std::vector<int> bands = Bands(img, c.style == fsVert);
        ASSERT_EQ(bands.size(), c.bands);
        EXPECT_EQ(bands.front(), c.step);
        EXPECT_EQ(PixelRef(img, 0, 0), uint32_t(clBlue));
        // The other direction is uniform.
        int last = c.style == fsVert ? c.w - 1 : c.h - 1;
        EXPECT_EQ(c.style == fsVert ? PixelRef(img, last, c.h - 1) : PixelRef(img, c.w - 1, last),
                  PixelRef(img, c.w - 1, c.h - 1));
        EXPECT_EQ(c.style == fsVert ? PixelRef(img, 0, c.h - 1) : PixelRef(img, c.w - 1, 0), PixelRef(img, c.w - 1, c.h - 1));
    }
}

TEST(Gradient, ColoursAreTakenAsStored)
{
    auto form = MakeForm(20, 10);
    auto* painter = new TpkxBackGround(form.get());
    painter->BkColor()->SetBeginColor(clBtnFace);  // a system colour: its low bytes, red 0x0F
    painter->BkColor()->SetEndColor(clWhite);
    ShowAndSettle(*form);
    QImage img = GrabWindow(form.get());
    EXPECT_EQ(PixelRef(img, 0, 0), RGB(0x0F, 0, 0));
    // 15 + 240 * 9 / 10 = 231; 0 + 255 * 9 / 10 = 229.5 -> 229
    EXPECT_EQ(PixelRef(img, 0, 9), RGB(231, 229, 229));
}

TEST(Tiling, ThePictureCoversTheClientAreaFromTheTopLeft)
{
    auto form = MakeForm(152, 213);
    auto* painter = new TpkxBackGround(form.get());
    painter->BkPicture()->SetGraphic(CoordinateBitmap(128, 128).get());
    ShowAndSettle(*form);
    QImage img = GrabWindow(form.get());
    for (auto [x, y] : {std::pair{0, 0}, {127, 127}, {128, 0}, {151, 5}, {0, 128}, {128, 128}, {130, 200}, {151, 212}})
        EXPECT_EQ(PixelRef(img, x, y), RGB(uint8_t(x % 128), uint8_t(y % 128), 0x80)) << x << "," << y;
}

TEST(Tiling, FramesComeFirstThenThePictureThenTheGradient)
{
    struct Case {
        const char* name;
        bool frames;      // an image list with one red frame
        bool emptyList;   // an image list without images
        int pictureSide;  // 0: no picture; -1: an empty bitmap
        TColor expected;
    };
    for (Case c : {Case{"frames over picture", true, false, 8, clRed}, Case{"empty list, picture", false, true, 8, clLime},
                   Case{"empty list, no picture", false, true, 0, clBlue}, Case{"empty bitmap", false, false, -1, clBlue}}) {
        SCOPED_TRACE(c.name);
        auto form = MakeForm(30, 20);
        auto* painter = new TpkxBackGround(form.get());
        if (c.frames) painter->BkAnimate()->SetImageList(FrameList(form.get(), 8, 8, {clRed}));
        if (c.emptyList) painter->BkAnimate()->SetImageList(new TImageList(form.get()));
        if (c.pictureSide > 0) painter->BkPicture()->SetGraphic(SolidBitmap(8, 8, clLime).get());
        if (c.pictureSide < 0) painter->BkPicture()->Bitmap();
        ShowAndSettle(*form);
        QImage img = GrabWindow(form.get());
        EXPECT_EQ(PixelRef(img, 0, 0), uint32_t(c.expected));
        EXPECT_EQ(PixelRef(img, 29, 0), uint32_t(c.expected));
    }
}

TEST(Tiling, NothingToDrawStillCallsThePreviousPaintHandler)
{
    // Painting straight into a bitmap through the form's canvas.
    auto target = SolidBitmap(40, 40, clWhite);
    struct Case {
        const char* name;
        int w, h;
        int listWidth;  // 0: a frame of width 0
    };
    for (Case c : {Case{"no width", 0, 40, 8}, Case{"no height", 40, 0, 8}, Case{"tile of width 0", 40, 40, 0}}) {
        SCOPED_TRACE(c.name);
        auto form = MakeForm(c.w, c.h);
        FormHandlers earlier;
        earlier.HookInto(*form);
        auto* painter = new TpkxBackGround(form.get());
        painter->BkPicture()->SetGraphic(SolidBitmap(8, 8, clRed).get());
        TImageList* list = FrameList(form.get(), 8, 8, {clRed});
        list->SetWidth(c.listWidth);
        list->Add(SolidBitmap(8, 8, clRed).get(), nullptr);
        painter->BkAnimate()->SetImageList(list);
        form->Canvas()->SetHandle(target->Canvas()->Handle());
        form->OnPaint(form.get());
        form->Canvas()->SetHandle(nullptr);
        EXPECT_EQ(earlier.paints, 1);
        EXPECT_EQ(earlier.senders.at(0), form.get());
        EXPECT_EQ(target->Canvas()->Pixel(0, 0), uint32_t(clWhite));
    }
}

TEST(Chaining, TheFormsOwnPaintHandlerDrawsOverTheBackground)
{
    auto form = MakeForm(30, 20);
    FormHandlers earlier;
    uint32_t seen = 0;
    earlier.onPaint = [&] {
        TCanvas* c = form->Canvas();
        seen = c->Pixel(0, 0);
        c->Brush()->SetColor(clRed);
        c->FillRect(Rect(0, 0, 5, 5));
    };
    earlier.HookInto(*form);
    new TpkxBackGround(form.get());
    ShowAndSettle(*form);
    QImage img = GrabWindow(form.get());
    EXPECT_EQ(seen, uint32_t(clBlue));  // the background was there first
    EXPECT_EQ(PixelRef(img, 0, 0), uint32_t(clRed));
    EXPECT_EQ(PixelRef(img, 5, 0), uint32_t(clBlue));
    EXPECT_EQ(earlier.senders.back(), form.get());
}

// Counts the paints that reach the form (through its earlier paint handler) while fn runs.
int PaintsDuring(FormHandlers& earlier, const std::function<void()>& fn)
{
    Application->ProcessMessages();
    int before = earlier.paints;
    fn();
    Application->ProcessMessages();  // the repaint a change asks for is a posted event
    return earlier.paints - before;
}

TEST(Refresh, OnlyTheGradientIsRepaintedAfterAResize)
{
    struct Case {
        const char* name;
        bool picture, frames;
        bool repaint;
    };
    for (Case c :
         {Case{"gradient", false, false, true}, Case{"picture", true, false, false}, Case{"frames", false, true, false}}) {
        SCOPED_TRACE(c.name);
        auto form = MakeForm(30, 20);
        FormHandlers earlier;
        earlier.HookInto(*form);
        auto* painter = new TpkxBackGround(form.get());
        if (c.picture) painter->BkPicture()->SetGraphic(SolidBitmap(8, 8, clLime).get());
        if (c.frames) painter->BkAnimate()->SetImageList(FrameList(form.get(), 8, 8, {clRed}));
        ShowAndSettle(*form);
        int paints = PaintsDuring(earlier, [&] { form->OnResize(form.get()); });
        EXPECT_EQ(paints > 0, c.repaint) << paints;
        EXPECT_EQ(earlier.resizes, 1);
        EXPECT_EQ(earlier.senders.back(), form.get());
    }
}

TEST(Refresh, ANewColourOrStyleRefreshesAnEqualOneDoesNot)
{
    auto form = MakeForm(30, 20);
    FormHandlers earlier;
    earlier.HookInto(*form);
    auto* painter = new TpkxBackGround(form.get());
    TpkxBkColor* colours = painter->BkColor();
    ShowAndSettle(*form);
    struct Case {
        const char* name;
        std::function<void()> write;
        int resizes;
    };
    // clang-format off
    const Case cases[] = {
        {"same begin", [&] { colours->SetBeginColor(clBlue); }, 0},
        {"same end", [&] { colours->SetEndColor(clBlack); }, 0},
        {"same style", [&] { colours->SetFillStyle(fsVert); }, 0},
        {"new begin", [&] { colours->SetBeginColor(clRed); }, 1},
        {"new end", [&] { colours->SetEndColor(clWhite); }, 1},
        {"new style", [&] { colours->SetFillStyle(fsHorz); }, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int resizes = earlier.resizes;
        int paints = PaintsDuring(earlier, c.write);
        EXPECT_EQ(earlier.resizes - resizes, c.resizes);
        EXPECT_EQ(paints > 0, c.resizes > 0);
    }
    EXPECT_EQ(PixelRef(GrabWindow(form.get()), 0, 19), uint32_t(clRed));  // horizontal now
}

TEST(Refresh, ResizingTheWindowRunsTheEarlierHandlerAndRedrawsTheGradient)
{
    auto form = MakeForm(30, 20);
    FormHandlers earlier;
    earlier.HookInto(*form);
    new TpkxBackGround(form.get());
    ShowAndSettle(*form);
    WidgetOf(form.get())->resize(40, 250);
    Application->ProcessMessages();
    EXPECT_EQ(form->ClientHeight(), 250);
    EXPECT_EQ(earlier.resizes, 1);
    QImage img = GrabWindow(form.get());
    EXPECT_EQ(PixelRef(img, 39, 249), RGB(0, 0, 1));  // 255 - 255 * 249 / 250
}

}  // namespace
