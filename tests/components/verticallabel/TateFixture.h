#pragma once
// Shared helpers for the vertical label's tests: a real form, measuring and finding ink.
#include "components/verticallabel/TateLabel.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/graphics/Bitmap.h"

#include <QImage>
#include <gtest/gtest.h>

// The caption's extent measured apart from the label, with a copy of its font.
inline SIZE MeasureWith(TFont* font, const AnsiString& text)
{
    TBitmap bmp;
    bmp.SetSize(1, 1);
    bmp.Canvas()->Font()->Assign(font);
    return bmp.Canvas()->TextExtent(text);
}

struct Ink {
    int left = 0, top = 0, right = 0, bottom = 0;  // relative to the area, right/bottom excluded
    bool empty = true;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The box of pixels inside `area` that differ from `background`.
inline Ink InkIn(const QImage& img, const TRect& area, uint32_t background)
{
    Ink ink;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            if (PixelRef(img, x, y) == background) continue;
            int rx = x - area.left, ry = y - area.top;
            if (ink.empty) ink = {rx, ry, rx + 1, ry + 1, false};
            ink.left = std::min(ink.left, rx);
            ink.top = std::min(ink.top, ry);
            ink.right = std::max(ink.right, rx + 1);
            ink.bottom = std::max(ink.bottom, ry + 1);
        }
    return ink;
}

// A shown white form to put labels on.
class TateForm : public ::testing::Test {
protected:
    TateForm()
    {
        form.SetClientWidth(240);
        form.SetClientHeight(200);
        form.SetColor(clWhite);
    }

    TTateLabel* AddLabel(const AnsiString& caption, TWinControl* parent = nullptr)
    {
        auto* l = new TTateLabel(&form);
        l->SetParent(parent ? parent : &form);
        l->SetCaption(caption);
        return l;
    }

    // Fixed bounds, vertical, larger than the text, so that placement shows.
    TTateLabel* AddBox(const AnsiString& caption, int left, int top, int width, int height)
    {
        TTateLabel* l = AddLabel(caption);
        l->SetAutoSize(false);
        l->SetBounds(left, top, width, height);
        l->Font()->SetHeight(-16);
        l->SetTategaki(true);
        return l;
    }

    QImage Grab()
    {
        if (!form.Showing()) form.Show();
        return GrabWindow(&form);
    }

    TForm form{nullptr};
};
