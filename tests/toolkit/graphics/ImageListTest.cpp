// Image lists: images cut from strips, transparency over the background colour, change links.
#include "tests/fixtures/NotifyCount.h"
#include "toolkit/graphics/ImageList.h"

#include <gtest/gtest.h>

namespace {

TBitmap* Strip(int w, int h, std::initializer_list<TColor> colours)
{
    auto* b = new TBitmap;
    b->SetSize(w * static_cast<int>(colours.size()), h);
    int i = 0;
    for (TColor c : colours) {
        b->Canvas()->Brush()->SetColor(c);
        b->Canvas()->FillRect(Rect(i * w, 0, (i + 1) * w, h));
        ++i;
    }
    return b;
}

TEST(ImageList, CutsStripsAndDrawsOverTheBackgroundColour)
{
    TImageList list(nullptr);
    list.SetSize(4, 3);
    std::unique_ptr<TBitmap> strip(Strip(4, 3, {clRed, clLime, clBlue}));
    std::unique_ptr<TBitmap> mask(Strip(4, 3, {clBlack, clBlack, clBlack}));
    mask->Canvas()->SetPixel(0, 0, clWhite);  // transparent corner of the first image
    EXPECT_EQ(list.Add(strip.get(), mask.get()), 0);
    EXPECT_EQ(list.Count(), 3);
    strip->Canvas()->SetPixel(4, 0, clYellow);
    EXPECT_EQ(list.AddMasked(strip.get(), clYellow), 3);  // the added copy keys out yellow
    EXPECT_EQ(list.Count(), 6);

    TBitmap frame;
    list.SetBkColor(clWhite);
    struct Case {
        int index;
        int x, y;
        TColor expected;
    };
    for (Case c : {Case{0, 0, 0, clWhite}, Case{0, 1, 0, clRed}, Case{1, 3, 2, clLime}, Case{2, 0, 0, clBlue},
                   Case{4, 0, 0, clWhite}, Case{4, 1, 0, clLime}}) {
        list.GetBitmap(c.index, &frame);
        ASSERT_EQ(frame.Width(), 4);
        ASSERT_EQ(frame.Height(), 3);
        EXPECT_EQ(frame.Canvas()->Pixel(c.x, c.y), uint32_t(c.expected)) << c.index;
    }
    // Without a background colour the transparent part keeps what the bitmap held.
    list.SetBkColor(clNone);
    frame.Canvas()->SetPixel(0, 0, clAqua);
    list.GetBitmap(0, &frame);
    EXPECT_EQ(frame.Canvas()->Pixel(0, 0), uint32_t(clAqua));
    // An index out of range draws nothing.
    list.GetBitmap(99, &frame);
    EXPECT_EQ(frame.Canvas()->Pixel(1, 0), uint32_t(clRed));

    EXPECT_THROW(list.Delete(6), EInvalidOperation);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 5);
    TBitmap empty;
    EXPECT_THROW(list.Add(&empty, nullptr), EInvalidOperation);
}

TEST(ImageList, ChangeLinksRegisterUnregisterAndAreDetachedWhenTheListGoes)
{
    auto* list = new TImageList(nullptr);
    TChangeLink a, b;
    NotifyCount changes;
    a.OnChange = changes.Event();
    list->RegisterChanges(&a);
    list->RegisterChanges(&a);  // once only
    list->RegisterChanges(&b);
    EXPECT_EQ(list->LinkCount(), 2);
    EXPECT_EQ(a.Sender(), list);

    list->SetSize(8, 8);  // a new size empties the list and tells the links
    EXPECT_EQ(changes.count, 1);
    list->UnRegisterChanges(&a);
    EXPECT_EQ(a.Sender(), nullptr);
    std::unique_ptr<TBitmap> strip(Strip(8, 8, {clRed}));
    list->Add(strip.get(), nullptr);
    EXPECT_EQ(changes.count, 1);

    {
        TChangeLink shortLived;
        list->RegisterChanges(&shortLived);
        EXPECT_EQ(list->LinkCount(), 2);
    }
    EXPECT_EQ(list->LinkCount(), 1);  // it unregistered itself

    delete list;
    EXPECT_EQ(b.Sender(), nullptr);  // b's destructor must not reach the freed list
}

}  // namespace
