// The gallery window as compiled into the program: its animated frames, tiled picture and
// gradients on screen, changed through its own controls.
#include "examples/background/BackGroundGalleryForm.h"
#include "tests/fixtures/Grab.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// Part of the client area that no control covers.
const TRect kOpen = Rect(150, 130, 350, 290);

class Gallery : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TBackGroundGalleryForm>(nullptr);
        form->Show();
    }

    TpkxBackGround* Painter() { return form->pkxBackGround1; }

    void ClickCheck(TCheckBox* box)
    {
        bool before = box->Checked();
        QTest::mouseClick(WidgetOf(box), Qt::LeftButton, {}, QPoint(6, 10));
        ASSERT_NE(box->Checked(), before) << box->Name().str();
    }

    // Pixels of the open area that differ from the tile repeated from the client origin.
    int TileMismatches(const QImage& shot, TGraphic* tileGraphic)
    {
        TBitmap tile;
        tile.SetSize(tileGraphic->Width(), tileGraphic->Height());
        tile.Canvas()->Draw(0, 0, tileGraphic);
        int wrong = 0;
        for (int y = kOpen.top; y < kOpen.bottom; ++y)
            for (int x = kOpen.left; x < kOpen.right; ++x)
                wrong += PixelRef(shot, x, y) != static_cast<uint32_t>(tile.Canvas()->Pixel(x % tile.Width(), y % tile.Height()));
        return wrong;
    }

    void Frame(int index, TBitmap& frame) { form->FrameList->GetBitmap(index, &frame); }

    std::unique_ptr<TBackGroundGalleryForm> form;
};

// The painter's band colour: each channel from begin towards end in proportion a / n.
uint32_t Band(TColor begin, TColor end, int a, int n)
{
    uint32_t c = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int b = (ColorToRGB(begin) >> shift) & 0xFF, e = (ColorToRGB(end) >> shift) & 0xFF;
        c |= uint32_t(int(b + double((e - b) * a) / n) & 0xFF) << shift;
    }
    return c;
}

TEST_F(Gallery, FramesComeFromTheDescriptionAndAdvanceOnTheTimer)
{
    ASSERT_EQ(form->FrameList->Count(), 4);
    EXPECT_EQ(form->FrameList->Width(), 32);
    ASSERT_EQ(Painter()->BkAnimate()->ImageList(), form->FrameList);
    EXPECT_TRUE(form->AnimateCheck->Checked());
    // The frames differ from each other, so a frame on screen tells which it is.
    for (int i = 1; i < 4; ++i) {
        TBitmap a, b;
        Frame(i - 1, a);
        Frame(i, b);
        bool differ = false;
        for (int y = 0; y < 32 && !differ; ++y)
            for (int x = 0; x < 32 && !differ; ++x) differ = a.Canvas()->Pixel(x, y) != b.Canvas()->Pixel(x, y);
        EXPECT_TRUE(differ) << "frames " << i - 1 << " and " << i;
    }

    int first = Painter()->BkAnimate()->FrameIndex();
    QImage shot = GrabWindow(form.get());
    TBitmap frame;
    Frame(first, frame);
    EXPECT_EQ(TileMismatches(shot, &frame), 0) << "frame " << first;

    // The next tick of the painter's own timer shows the next frame.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Painter()->BkAnimate()->FrameIndex() != first; }, 30000));
    int second = Painter()->BkAnimate()->FrameIndex();
    EXPECT_EQ(second, (first + 1) % 4);
    QImage next = GrabWindow(form.get());
    TBitmap nextFrame;
    Frame(second, nextFrame);
    EXPECT_EQ(TileMismatches(next, &nextFrame), 0) << "frame " << second;
    EXPECT_NE(next.copy(150, 130, 32, 32), shot.copy(150, 130, 32, 32));
}

TEST_F(Gallery, PictureThenGradientInBothDirections)
{
    ClickCheck(form->AnimateCheck);
    EXPECT_EQ(Painter()->BkAnimate()->ImageList(), nullptr);
    QImage shot = GrabWindow(form.get());
    TGraphic* picture = Painter()->BkPicture()->Graphic();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(TileMismatches(shot, picture), 0) << "the picture is tiled";

    ClickCheck(form->PictureCheck);
    shot = GrabWindow(form.get());
    const int width = form->ClientWidth(), height = form->ClientHeight();
    TColor begin = Painter()->BkColor()->BeginColor(), end = Painter()->BkColor()->EndColor();
    ASSERT_EQ(begin, clNavy);
    ASSERT_EQ(end, clAqua);
    // Vertical: 128 bands of height / 128 rows, each one colour across.
    int step = height / 128 > 0 ? height / 128 : 1;
    int wrong = 0;
    for (int y = kOpen.top; y < kOpen.bottom; ++y)
        for (int x = kOpen.left; x < kOpen.right; x += 7)
            wrong += PixelRef(shot, x, y) != Band(begin, end, y / step * step, height);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(PixelRef(shot, 200, 0), ColorToRGB(begin) & 0xFFFFFF);

    ClickCheck(form->HorzCheck);
    EXPECT_EQ(Painter()->BkColor()->FillStyle(), fsHorz);
    shot = GrabWindow(form.get());
    step = width / 128 > 0 ? width / 128 : 1;
    wrong = 0;
    for (int y = kOpen.top; y < kOpen.bottom; y += 7)
        for (int x = kOpen.left; x < kOpen.right; ++x) wrong += PixelRef(shot, x, y) != Band(begin, end, x / step * step, width);
    EXPECT_EQ(wrong, 0);

    // Translucent buttons over the gradient: the more opaque, the nearer the button face.
    auto distanceToFace = [&](TControl* button) {
        uint32_t p = PixelRef(shot, button->Left() + 4, button->Top() + 4), face = ColorToRGB(clBtnFace);
        int d = 0;
        for (int shift = 0; shift <= 16; shift += 8) d += std::abs(int((p >> shift) & 0xFF) - int((face >> shift) & 0xFF));
        return d;
    };
    EXPECT_GT(distanceToFace(form->AlphaButton64), distanceToFace(form->AlphaButton128));
    EXPECT_GT(distanceToFace(form->AlphaButton128), distanceToFace(form->AlphaButton200));
}

TEST_F(Gallery, ColourDialogSetsTheGradientsBeginning)
{
    ClickCheck(form->AnimateCheck);
    ClickCheck(form->PictureCheck);
    AnswerNextModal([](QWidget* w) {
        auto* dialog = qobject_cast<QColorDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->currentColor(), QColor(0, 0, 0x80)) << "the dialog starts from the colour in use";
        dialog->setCurrentColor(QColor(0xFF, 0x80, 0));
        dialog->accept();
    });
    QTest::mouseClick(WidgetOf(form->BeginColorButton), Qt::LeftButton);
    EXPECT_EQ(Painter()->BkColor()->BeginColor(), TColor(0x0080FF));
    QImage shot = GrabWindow(form.get());
    EXPECT_EQ(PixelRef(shot, 200, 0), 0x0080FFu);

    AnswerNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    QTest::mouseClick(WidgetOf(form->EndColorButton), Qt::LeftButton);
    EXPECT_EQ(Painter()->BkColor()->EndColor(), clAqua) << "a cancelled dialog changes nothing";
}

TEST_F(Gallery, TrackBarSetsTheFrameSpeed)
{
    EXPECT_EQ(form->SpeedBar->Position(), 700);
    EXPECT_NE(form->SpeedLabel->Caption().str().find("700"), std::string::npos);
    form->SpeedBar->SetPosition(1000);
    EXPECT_EQ(Painter()->BkAnimate()->Speed(), 1000);
    EXPECT_EQ(Painter()->BkAnimate()->FrameTimer()->Interval(), 1u);
    EXPECT_NE(form->SpeedLabel->Caption().str().find("1000"), std::string::npos);
    form->SpeedBar->SetPosition(1);
    EXPECT_EQ(Painter()->BkAnimate()->FrameTimer()->Interval(), 1000u);
}

}  // namespace
