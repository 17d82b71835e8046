#pragma once
// A shown form that paints a known pattern of its own, with a button of the given class on it:
// what a translucent button blends over, and what a plain one covers.
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Forms.h"

#include <QTest>
#include <gtest/gtest.h>

inline COLORREF BackgroundAt(int x, int y)
{
    return static_cast<COLORREF>(((x * 7) & 0xFF) | (((y * 11) & 0xFF) << 8) | ((((x + y) * 5) & 0xFF) << 16));
}

template <class Button>
struct TButtonBackdrop {
    TForm form{nullptr};
    Button* button;
    // fontHeight 0 keeps the button's own font.
    explicit TButtonBackdrop(const TRect& bounds, int fontHeight = 0)
    {
        form.SetClientWidth(120);
        form.SetClientHeight(60);
        // Fixed, so that a tiling compositor floats it at this size: grabs of two backdrops
        // compare pixel for pixel only at one size.
        form.SetBorderStyle(bsSingle);
        form.OnPaint = TNotifyEvent(
            [this](TObject*) {
                for (int y = 0; y < 60; ++y)
                    for (int x = 0; x < 120; ++x) SetPixel(form.Canvas()->Handle(), x, y, BackgroundAt(x, y));
            },
            nullptr, "");
        button = new Button(&form);
        button->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        if (fontHeight != 0) button->Font()->SetHeight(fontHeight);
        button->SetCaption("色分解"_ansi);
        button->SetParent(&form);
        form.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(WidgetOf(&form)));
    }
};
