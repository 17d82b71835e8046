// The main window's background: the picture tiled from the top-left corner behind every
// control, and the translucent buttons blended over it.
#include "app/Unit2.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Application.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

std::string PictureFile()
{
    std::ifstream in(std::string(TAVIN3_SOURCE_DIR) + "/app/background.bmp", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class MainWindowBackGround : public ::testing::Test {
protected:
    void SetUp() override
    {
        picture.LoadFromData(PictureFile());
        ASSERT_EQ(picture.Width(), 128);
        form = std::make_unique<TForm1>(nullptr);
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOf(form.get())));
    }
    uint32_t Tiled(int x, int y) { return picture.Canvas()->Pixel(x % 128, y % 128); }
    bool UnderAControl(int x, int y) const
    {
        for (int i = 0; i < form->ControlCount(); ++i) {
            TControl* c = form->Controls(i);
            if (c->Visible() && x >= c->Left() && x < c->Left() + c->Width() && y >= c->Top() && y < c->Top() + c->Height())
                return true;
        }
        return false;
    }

    TBitmap picture;
    std::unique_ptr<TForm1> form;
};

TEST_F(MainWindowBackGround, PlacesThePainterWithItsStoredSettings)
{
    TpkxBackGround* p = form->pkxBackGround1;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->BkColor()->BeginColor(), clBlue);
    EXPECT_EQ(p->BkColor()->EndColor(), clBlack);
    EXPECT_EQ(p->BkColor()->FillStyle(), fsVert);
    EXPECT_EQ(p->BkAnimate()->Speed(), 700);
    EXPECT_EQ(p->BkAnimate()->FrameTimer()->Interval(), 301u);
    EXPECT_EQ(p->BkAnimate()->ImageList(), nullptr);
    ASSERT_NE(dynamic_cast<TBitmap*>(p->BkPicture()->Graphic()), nullptr);
    EXPECT_EQ(p->BkPicture()->Bitmap()->SaveToData(), PictureFile());
    EXPECT_EQ(p->BkPicture()->Data().size(), 49218u);
    EXPECT_EQ(form->OnPaint.Data(), p);
    EXPECT_EQ(form->OnResize.Data(), p);
}

TEST_F(MainWindowBackGround, ThePictureIsTiledBehindTheControls)
{
    // A focused edit box blinks its caret on its own clock; the frame timer's tick may come on
    // either side of a blink, so no edit box keeps the focus while the window is compared.
    if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
    ASSERT_EQ(QApplication::focusWidget(), nullptr);
    QImage img = GrabWindow(form.get());
    ASSERT_EQ(img.width(), 152);
    ASSERT_EQ(img.height(), 213);
    int checked = 0, wrong = 0;
    for (int y = 0; y < 213; ++y)
        for (int x = 0; x < 152; ++x) {
            if (UnderAControl(x, y)) continue;
            ++checked;
            wrong += PixelRef(img, x, y) != Tiled(x, y);
        }
    EXPECT_GT(checked, 152 * 213 / 4);
    EXPECT_EQ(wrong, 0);

    // A tick of the frame timer changes nothing: there is no image list.
    struct Probe : TObject {
        TNotifyEvent animate;
        int ticks = 0;
        void Tick(TObject* s)
        {
            animate(s);
            ++ticks;
        }
    } probe;
    TTimer* timer = form->pkxBackGround1->BkAnimate()->FrameTimer();
    probe.animate = timer->OnTimer();
    timer->SetOnTimer(TNotifyEvent(&probe, &Probe::Tick));
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.ticks > 0; }, 5000));
    EXPECT_EQ(form->pkxBackGround1->BkAnimate()->FrameIndex(), 0);
    EXPECT_EQ(GrabWindow(form.get()), img);
}

TEST_F(MainWindowBackGround, TheTranslucentButtonsBlendOverThePicture)
{
    TAlphaSpeedButton* const buttons[] = {form->FlatButton2, form->Button1, form->FlatButton1};
    const QImage shown = GrabWindow(form.get());
    for (TAlphaSpeedButton* b : buttons) b->SetAlpha(255);
    const QImage faces = GrabWindow(form.get());
    auto channel = [](uint32_t c, int i) { return static_cast<int>((c >> (8 * i)) & 0xFF); };
    for (TAlphaSpeedButton* b : buttons) {
        SCOPED_TRACE(b->Name().ToUtf8());
        int off = 0, pictureShows = 0;
        for (int y = b->Top(); y < b->Top() + b->Height(); ++y)
            for (int x = b->Left(); x < b->Left() + b->Width(); ++x) {
                uint32_t got = PixelRef(shown, x, y), face = PixelRef(faces, x, y), back = Tiled(x, y);
                for (int i = 0; i < 3; ++i)
                    off += std::abs(channel(got, i) - (150 * channel(face, i) + 105 * channel(back, i)) / 255) > 1;
                pictureShows += got != face;
            }
        EXPECT_EQ(off, 0);
        EXPECT_GT(pictureShows, b->Width() * b->Height() / 2);
    }
}

}  // namespace
