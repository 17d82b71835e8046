#pragma once
// A link panel on a real, shown form; the mouse is moved with real Qt events.
#include "components/linkpanel/UrlShowPanel.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Forms.h"

#include <QTest>

// The caption's pixels in one colour: how many, and the longest horizontal run (an underline).
// Text is antialiased, so a pixel counts when it lies much nearer the colour than the
// background does.
struct Ink {
    int pixels = 0;
    int longestRun = 0;
};

inline int Distance2(uint32_t a, uint32_t b)
{
    int dr = int(GetRValue(a)) - GetRValue(b), dg = int(GetGValue(a)) - GetGValue(b), db = int(GetBValue(a)) - GetBValue(b);
    return dr * dr + dg * dg + db * db;
}

inline Ink InkOf(const QImage& img, TColor colour, TColor background)
{
    uint32_t want = ColorToRGB(colour), bg = ColorToRGB(background);
    int limit = Distance2(want, bg) / 4;
    Ink ink;
    for (int y = 0; y < img.height(); ++y) {
        int run = 0;
        for (int x = 0; x < img.width(); ++x) {
            run = Distance2(PixelRef(img, x, y), want) < limit ? run + 1 : 0;
            ink.pixels += run > 0;
            ink.longestRun = std::max(ink.longestRun, run);
        }
    }
    return ink;
}

struct PanelOnForm {
    TForm form{nullptr};
    TUrlShowPanel* panel;

    PanelOnForm()
    {
        form.SetClientWidth(220);
        form.SetClientHeight(60);
        form.SetColor(clWhite);
        panel = new TUrlShowPanel(&form);
        panel->SetParent(&form);
        panel->SetBounds(10, 10, 180, 25);
        panel->SetPageTitle(AnsiString("tavin3.example.org"));
        form.Show();
        QTest::mouseMove(WidgetOf(&form), QPoint(5, 50));
    }
    // Moves the mouse onto the panel or onto the form beside it.
    void Hover(bool onPanel) { QTest::mouseMove(WidgetOf(&form), onPanel ? QPoint(100, 22) : QPoint(5, 50)); }
    // The caption's ink inside the bevel.
    Ink Caption(TColor colour)
    {
        QImage img = GrabWindow(panel);
        return InkOf(img.copy(2, 2, img.width() - 4, img.height() - 4), colour, panel->TControl::Color());
    }
};
