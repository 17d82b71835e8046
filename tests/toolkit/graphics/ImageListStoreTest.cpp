// Image lists keep their images in a form description, transparency included.
#include "tests/fixtures/NotifyCount.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/graphics/ImageList.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Three 5 x 4 images: red with a transparent corner, lime, and a blue one half yellow.
void FillList(TImageList& list)
{
    list.SetSize(5, 4);
    TBitmap strip;
    strip.SetSize(15, 4);
    TColor colours[] = {clRed, clLime, clBlue};
    for (int i = 0; i < 3; ++i) {
        strip.Canvas()->Brush()->SetColor(colours[i]);
        strip.Canvas()->FillRect(Rect(i * 5, 0, i * 5 + 5, 4));
    }
    strip.Canvas()->Brush()->SetColor(clYellow);
    strip.Canvas()->FillRect(Rect(10, 2, 15, 4));
    strip.Canvas()->SetPixel(0, 0, clFuchsia);
    list.AddMasked(&strip, clFuchsia);
}

// Every pixel of every image over a background that shows the transparent ones.
std::vector<uint32_t> Pixels(TImageList& list, TColor background)
{
    std::vector<uint32_t> out;
    list.SetBkColor(background);
    TBitmap frame;
    for (int i = 0; i < list.Count(); ++i) {
        list.GetBitmap(i, &frame);
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width(); ++x) out.push_back(frame.Canvas()->Pixel(x, y));
    }
    list.SetBkColor(clNone);
    return out;
}

TEST(ImageListStore, ImagesSurviveAWriteAndReadOfTheForm)
{
    TForm source(nullptr);
    source.SetName(AnsiString("Holder"));
    auto* list = new TImageList(&source);
    list->SetName(AnsiString("Frames"));
    FillList(*list);
    std::string text = WriteComponentText(&source);
    EXPECT_NE(text.find("Bitmap = {"), std::string::npos) << text;

    TForm copy(nullptr);
    ReadComponentText(&copy, text);
    // Written again, the description is the same.
    EXPECT_EQ(WriteComponentText(&copy), text);
    ASSERT_EQ(copy.ComponentCount(), 1);
    auto* read = dynamic_cast<TImageList*>(copy.Components(0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Width(), 5);
    EXPECT_EQ(read->Height(), 4);
    ASSERT_EQ(read->Count(), 3);
    EXPECT_EQ(Pixels(*read, clWhite), Pixels(*list, clWhite));
    EXPECT_EQ(Pixels(*read, clBlack), Pixels(*list, clBlack));
    // The transparent corner stays transparent, the rest opaque.
    read->SetBkColor(clWhite);
    TBitmap frame;
    read->GetBitmap(0, &frame);
    EXPECT_EQ(frame.Canvas()->Pixel(0, 0), uint32_t(clWhite));
    EXPECT_EQ(frame.Canvas()->Pixel(1, 0), uint32_t(clRed));
    read->GetBitmap(2, &frame);
    EXPECT_EQ(frame.Canvas()->Pixel(4, 3), uint32_t(clYellow));
}

TEST(ImageListStore, SizeComesWithTheImagesAndAnEmptyListStoresNothing)
{
    TImageList list(nullptr);
    EXPECT_TRUE(list.ImagesData().empty());
    TImageList filled(nullptr);
    FillList(filled);
    list.SetSize(16, 16);
    list.SetImagesData(filled.ImagesData());
    EXPECT_EQ(list.Width(), 5);
    EXPECT_EQ(list.Height(), 4);
    EXPECT_EQ(list.Count(), 3);
    NotifyCount changes;
    list.OnChange = changes.Event();
    list.SetImagesData(std::string());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes.count, 1);
}

TEST(ImageListStore, BadDataIsRefusedAndLeavesTheImages)
{
    TImageList source(nullptr);
    FillList(source);
    const std::string good = source.ImagesData();
    auto withU32 = [&](std::size_t at, uint32_t v) {
        std::string s = good;
        for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    struct Case {
        const char* what;
        std::string data;
    };
    // clang-format off
    for (const Case& c : {Case{"wrong magic", "XXXX" + good.substr(4)},
                          Case{"header cut short", good.substr(0, 10)},
                          Case{"last pixel missing", good.substr(0, good.size() - 4)},
                          Case{"a byte too many", good + '\0'},
                          Case{"count that would wrap", withU32(12, 0xFFFFFFFFu)},
                          Case{"zero width", withU32(4, 0)},
                          Case{"image too large", withU32(4, 0x10000000u)}}) {
        // clang-format on
        TImageList list(nullptr);
        FillList(list);
        std::vector<uint32_t> before = Pixels(list, clWhite);
        EXPECT_THROW(list.SetImagesData(c.data), EInvalidGraphic) << c.what;
        EXPECT_EQ(list.Count(), 3) << c.what;
        EXPECT_EQ(list.Width(), 5) << c.what;
        EXPECT_EQ(Pixels(list, clWhite), before) << c.what;
    }
}

}  // namespace
