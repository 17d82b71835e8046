// What the vertical label draws, read back from the grabbed window.
#include "tests/components/verticallabel/TateFixture.h"
#include "toolkit/controls/ExtCtrls.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using TatePaint = TateForm;

constexpr uint32_t kWhite = 0xFFFFFF;

TRect BoundsOf(TControl* c) { return c->BoundsRect(); }

// The turned text lands where Alignment and Layout say, whole (nothing clipped away).
TEST_F(TatePaint, AlignmentAndLayoutPlaceTheTurnedText)
{
    const int W = 70, H = 110;
    TTateLabel* l = AddBox("縦書き"_ansi, 10, 10, W, H);
    l->SetColor(clWhite);
    SIZE s = MeasureWith(l->Font(), l->Caption());

    l->SetAlignment(taLeftJustify);
    l->SetLayout(tlTop);
    Ink home = InkIn(Grab(), BoundsOf(l), kWhite);
    ASSERT_FALSE(home.empty);
    EXPECT_GT(home.Height(), 2 * home.Width()) << "drawn as a column";

    const TAlignment alignments[] = {taLeftJustify, taCenter, taRightJustify};
    const TTextLayout layouts[] = {tlTop, tlCenter, tlBottom};
    for (TAlignment a : alignments)
        for (TTextLayout t : layouts) {
            l->SetAlignment(a);
            l->SetLayout(t);
            Ink ink = InkIn(Grab(), BoundsOf(l), kWhite);
            std::string where = "alignment " + std::to_string(a) + ", layout " + std::to_string(t);
            ASSERT_FALSE(ink.empty) << where;
            EXPECT_EQ(ink.Width(), home.Width()) << where;
            EXPECT_EQ(ink.Height(), home.Height()) << where;
            int leftGap = ink.left, rightGap = W - ink.right, topGap = ink.top, bottomGap = H - ink.bottom;
            switch (a) {
            case taLeftJustify: EXPECT_LE(leftGap, 4) << where; break;
            case taRightJustify: EXPECT_LE(rightGap, 4) << where; break;
            case taCenter: EXPECT_LE(std::abs(leftGap - rightGap), 4) << where; break;
            }
            switch (t) {
            case tlTop: EXPECT_LE(topGap, 3) << where; break;
            case tlBottom: EXPECT_LE(bottomGap, 3) << where; break;
            case tlCenter: EXPECT_LE(std::abs(topGap - bottomGap), 3) << where; break;
            }
        }
    // Right and bottom: the whole turned cell moved against the edges, cy wide and cx high.
    l->SetAlignment(taRightJustify);
    l->SetLayout(tlBottom);
    Ink far = InkIn(Grab(), BoundsOf(l), kWhite);
    EXPECT_EQ(far.left - home.left, W - s.cy);
    EXPECT_EQ(far.top - home.top, H - s.cx);
}

TEST_F(TatePaint, HorizontalLabelDrawsAsAPlainLabel)
{
    TTateLabel* l = AddLabel("横書きです"_ansi);
    l->SetLeft(10);
    l->SetTop(10);
    l->SetColor(clWhite);
    Ink ink = InkIn(Grab(), BoundsOf(l), kWhite);
    ASSERT_FALSE(ink.empty);
    EXPECT_GT(ink.Width(), 3 * ink.Height()) << "drawn as a row";
    EXPECT_LE(ink.left, 2);
}

TEST_F(TatePaint, EmptyCaptionDrawsOnlyTheBackground)
{
    TTateLabel* l = AddBox(""_ansi, 10, 10, 30, 40);
    l->SetColor(clYellow);
    QImage img = Grab();
    Ink notYellow = InkIn(img, BoundsOf(l), 0x00FFFF);
    EXPECT_TRUE(notYellow.empty);
}

TEST_F(TatePaint, LineBreaksDoNotStartNewLines)
{
    TTateLabel* broken = AddLabel("縦\r\n書\nき"_ansi);
    TTateLabel* whole = AddLabel("縦書き"_ansi);
    for (TTateLabel* l : {broken, whole}) {
        l->Font()->SetHeight(-16);
        l->SetTategaki(true);
        l->SetColor(clWhite);
    }
    broken->SetLeft(10);
    whole->SetLeft(60);
    ASSERT_EQ(broken->Width(), whole->Width());
    ASSERT_EQ(broken->Height(), whole->Height());
    QImage img = Grab();
    for (int y = 0; y < whole->Height(); ++y)
        for (int x = 0; x < whole->Width(); ++x) ASSERT_EQ(PixelRef(img, 10 + x, y), PixelRef(img, 60 + x, y)) << x << "," << y;
}

TEST_F(TatePaint, AmpersandUnderlinesTheNextCharacterAndTwoDrawOne)
{
    TTateLabel* plain = AddBox("AB"_ansi, 10, 10, 30, 90);
    TTateLabel* marked = AddBox("A&B"_ansi, 50, 10, 30, 90);
    TTateLabel* doubled = AddBox("A&&B"_ansi, 90, 10, 30, 90);
    for (TTateLabel* l : {plain, marked, doubled}) l->SetColor(clWhite);
    QImage img = Grab();

    // "A&B" is "AB" with a line along B, which turned is a vertical stroke.
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 10; y < 100; ++y)
        for (int x = 0; x < 30; ++x)
            if (PixelRef(img, 10 + x, y) != PixelRef(img, 50 + x, y)) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0) << "no underline";
    EXPECT_LE(maxX - minX, 1);
    EXPECT_GE(maxY - minY, 5);
    Ink ab = InkIn(img, BoundsOf(plain), kWhite);
    EXPECT_GT(minY - 10, ab.top + 4) << "under B, not A";

    // "A&&B" draws three characters: a longer column than "AB".
    Ink three = InkIn(img, BoundsOf(doubled), kWhite);
    EXPECT_GT(three.Height(), ab.Height() + 5);
    EXPECT_NE(InkIn(img, BoundsOf(doubled), kWhite).Height(), InkIn(img, BoundsOf(marked), kWhite).Height());
}

// Disabled: a clBtnHighlight copy one pixel down and right under a clBtnShadow copy, which
// is what two enabled labels in those colours, placed so, draw.
TEST_F(TatePaint, DisabledLabelIsEmbossed)
{
    form.SetColor(clBlue);
    TTateLabel* disabled = AddBox("縦書き"_ansi, 10, 10, 40, 80);
    disabled->SetTransparent(true);
    disabled->SetEnabled(false);
    QImage got = Grab();

    TForm other(nullptr);
    other.SetClientWidth(form.ClientWidth());
    other.SetClientHeight(form.ClientHeight());
    other.SetColor(clBlue);
    for (auto [offset, colour] : {std::pair{1, clBtnHighlight}, std::pair{0, clBtnShadow}}) {
        auto* l = new TTateLabel(&other);
        l->SetParent(&other);
        l->SetCaption(disabled->Caption());
        l->SetAutoSize(false);
        l->SetBounds(10 + offset, 10 + offset, 40, 80);
        l->Font()->SetHeight(-16);
        l->Font()->SetColor(colour);
        l->SetTategaki(true);
        l->SetTransparent(true);
    }
    other.Show();
    QImage want = GrabWindow(&other);
    int shadow = 0, highlight = 0;
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x) {
            ASSERT_EQ(PixelRef(got, x, y), PixelRef(want, x, y)) << x << "," << y;
            uint32_t p = PixelRef(got, x, y);
            shadow += p == 0x808080;
            highlight += (p & 0xFF) >= 0xC0 && ((p >> 8) & 0xFF) >= 0xC0;  // whitish on blue
        }
    EXPECT_GT(shadow, 10);
    EXPECT_GT(highlight, 10);
}

TEST_F(TatePaint, OpaqueFillsWithColourTransparentShowsWhatIsBehind)
{
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(100, 10, 120, 160);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clAqua);
    struct Case {
        bool transparent;
        uint32_t expected;
    } cases[] = {{false, 0x00FFFF}, {true, 0xFFFF00}};
    int x = 10;
    std::vector<TTateLabel*> labels;
    for (const Case& c : cases) {
        auto* l = new TTateLabel(&form);
        l->SetParent(panel);
        l->SetCaption("縦書き"_ansi);
        l->SetAutoSize(false);
        l->SetBounds(x, 10, 40, 120);
        l->SetColor(clYellow);
        l->SetTransparent(c.transparent);
        l->SetTategaki(true);
        labels.push_back(l);
        x += 50;
    }
    QImage img = WidgetOf(panel)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        TTateLabel* l = labels[i];
        Ink ink = InkIn(img, BoundsOf(l), cases[i].expected);
        ASSERT_FALSE(ink.empty);
        // Everything but the text is the expected background.
        EXPECT_LT(ink.Width(), 30);
        EXPECT_LT(ink.Height(), 70);
        EXPECT_EQ(PixelRef(img, l->Left(), l->Top() + l->Height() - 1), cases[i].expected);
        EXPECT_EQ(PixelRef(img, l->Left() + l->Width() - 1, l->Top() + l->Height() - 1), cases[i].expected);
    }
}

}  // namespace
