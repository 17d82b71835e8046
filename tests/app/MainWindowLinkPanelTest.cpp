// The main window's link panel: where it sits, how it looks at rest and under the mouse, and
// its hint, with real mouse and help events.
#include "app/Unit2.h"
#include "tests/fixtures/Grab.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

// Caption pixels in a colour (antialiased: much nearer it than the background) and the
// longest horizontal run of them (an underline).
std::pair<int, int> Ink(const QImage& img, const QRect& area, TColor colour, TColor background)
{
    auto d2 = [](uint32_t a, uint32_t b) {
        int dr = int(GetRValue(a)) - GetRValue(b), dg = int(GetGValue(a)) - GetGValue(b), db = int(GetBValue(a)) - GetBValue(b);
        return dr * dr + dg * dg + db * db;
    };
    uint32_t want = ColorToRGB(colour);
    int limit = d2(want, ColorToRGB(background)) / 4, pixels = 0, longest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(), run = 0; x <= area.right(); ++x) {
            run = d2(PixelRef(img, x, y), want) < limit ? run + 1 : 0;
            pixels += run > 0;
            longest = std::max(longest, run);
        }
    return {pixels, longest};
}

TEST(MainWindowLinkPanel, SitsAtTheBottomInItsColoursAndShowsItsHint)
{
    TForm1 form(nullptr);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOf(&form)));
    TUrlShowPanel* p = form.UrlShowPanel1;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->BoundsRect(), Rect(5, 190, 145, 209));
    EXPECT_EQ(p->GetUrl(), AnsiString("http://tavin3.example/"));
    EXPECT_EQ(p->GetPageTitle(), AnsiString("http://tavin3.example"));
    EXPECT_EQ(p->OnMouseColor(), clYellow);

    const TColor face = 16744448;
    const QRect inside(7, 192, 136, 15);
    QImage img = GrabWindow(&form);
    EXPECT_EQ(PixelRef(img, 5, 190), ColorToRGB(clBtnShadow));  // lowered bevel
    EXPECT_EQ(PixelRef(img, 144, 208), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelRef(img, 6, 191), ColorToRGB(face));
    EXPECT_GT(Ink(img, inside, clWhite, face).first, 20);
    EXPECT_LT(Ink(img, inside, clWhite, face).second, 20);

    QTest::mouseMove(WidgetOf(&form), QPoint(70, 199));
    img = GrabWindow(&form);
    EXPECT_EQ(Ink(img, inside, clWhite, face).first, 0);
    EXPECT_GT(Ink(img, inside, clYellow, face).second, 40) << "underlined in yellow";

    QWidget* w = WidgetOf(p);
    QHelpEvent help(QEvent::ToolTip, QPoint(60, 9), w->mapToGlobal(QPoint(60, 9)));
    QApplication::sendEvent(w, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text().toStdString(), "ミルゾホームページへ！");
    QToolTip::hideText();

    QTest::mouseMove(WidgetOf(&form), QPoint(40, 170));
    EXPECT_GT(Ink(GrabWindow(&form), inside, clWhite, face).first, 20);
}

}  // namespace
