// The main window's three speed buttons are translucent: grabbed, each pixel of their faces is
// the face blended at 150 over what the window painted behind it.
#include "app/Unit2.h"
#include "tests/fixtures/Grab.h"

#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int Channel(uint32_t c, int i) { return static_cast<int>((c >> (8 * i)) & 0xFF); }

TEST(MainWindowButtons, ShowBlendedFacesOverWhatLiesBehind)
{
    TForm1 form(nullptr);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOf(&form)));
    TAlphaSpeedButton* const buttons[] = {form.FlatButton2, form.Button1, form.FlatButton1};
    for (TAlphaSpeedButton* b : buttons) {
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Alpha(), 150);
    }
    const QImage shown = GrabWindow(&form);
    for (TAlphaSpeedButton* b : buttons) b->SetVisible(false);
    const QImage behind = GrabWindow(&form);
    for (TAlphaSpeedButton* b : buttons) {
        b->SetVisible(true);
        b->SetAlpha(255);  // paints as a plain speed button
    }
    const QImage faces = GrabWindow(&form);

    for (TAlphaSpeedButton* b : buttons) {
        SCOPED_TRACE(b->Name().ToUtf8());
        int off = 0, translucent = 0;
        for (int y = b->Top(); y < b->Top() + b->Height(); ++y)
            for (int x = b->Left(); x < b->Left() + b->Width(); ++x) {
                const uint32_t got = PixelRef(shown, x, y), face = PixelRef(faces, x, y), back = PixelRef(behind, x, y);
                bool distinct = false;
                for (int i = 0; i < 3; ++i) {
                    const int want = (150 * Channel(face, i) + 105 * Channel(back, i)) / 255;
                    off += std::abs(Channel(got, i) - want) > 1;  // the system routine may round
                    distinct = distinct || std::abs(Channel(face, i) - Channel(back, i)) > 40;
                }
                // Where face and background differ clearly, neither shows alone.
                translucent += distinct && got != face && got != back;
            }
        EXPECT_EQ(off, 0);
        EXPECT_GT(translucent, 20);
    }
}

}  // namespace
