// Vertical faces ("@" before the name): upright full-width characters in one-em cells, vertical
// punctuation, turned half-width characters; and the horizontal label's far placements.
#include "tests/components/verticallabel/TateFixture.h"

#include <QTransform>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kEm = 16;

// The ink of an area as a mask cut to its box.
QImage InkMask(const QImage& img, const TRect& area)
{
    Ink ink = InkIn(img, area, kWhite);
    if (ink.empty) return {};
    QImage mask(ink.Width(), ink.Height(), QImage::Format_Mono);
    mask.fill(0);
    for (int y = 0; y < ink.Height(); ++y)
        for (int x = 0; x < ink.Width(); ++x)
            if (PixelRef(img, area.left + ink.left + x, area.top + ink.top + y) != kWhite) mask.setPixel(x, y, 1);
    return mask;
}

// Share of the pixels two masks of the same size agree on (0 when the sizes differ).
double Agreement(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size()) return 0;
    int same = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) same += a.pixelIndex(x, y) == b.pixelIndex(x, y);
    return double(same) / (a.width() * a.height());
}

class VerticalFace : public TateForm {
protected:
    // An automatically sized vertical label in the given face at (10, 10).
    TTateLabel* Column(const AnsiString& caption, const AnsiString& face)
    {
        TTateLabel* l = AddLabel(caption);
        l->SetLeft(10);
        l->SetTop(10);
        l->SetColor(clWhite);
        l->Font()->SetName(face);
        l->Font()->SetHeight(-kEm);
        l->SetTategaki(true);
        return l;
    }

    // Cell i of an automatically sized column: the label's width, cells one below the other.
    TRect Cell(TTateLabel* l, int start, int length) const
    {
        return Rect(l->Left(), l->Top() + start, l->Left() + l->Width(), l->Top() + start + length);
    }
};

const AnsiString kGothic = "ＭＳ ゴシック"_ansi;
const AnsiString kVerticalGothic = "@ＭＳ ゴシック"_ansi;

TEST_F(VerticalFace, IdeographsStandUprightAsInARow)
{
    TTateLabel* l = Column("縦書き"_ansi, kVerticalGothic);
    TTateLabel* row = Column("縦"_ansi, kGothic);
    row->SetTategaki(false);
    row->SetLeft(120);
    QImage img = Grab();
    QImage upright = InkMask(img, row->BoundsRect());
    QImage turned = upright.transformed(QTransform().rotate(90));
    QImage got = InkMask(img, Cell(l, 0, kEm));
    ASSERT_FALSE(got.isNull());
    EXPECT_GE(Agreement(got, upright), 0.97);
    EXPECT_GT(Agreement(got, upright), Agreement(got, turned));

    // The plain face keeps the characters on their side.
    TTateLabel* plain = Column("縦書き"_ansi, kGothic);
    plain->SetLeft(60);
    QImage lying = InkMask(Grab(), Cell(plain, 0, kEm));
    EXPECT_LT(Agreement(lying, upright), 0.97);
}

TEST_F(VerticalFace, LabelMeasuresTheSumOfItsCells)
{
    struct Case {
        const char* caption;
        int halfWidth;  // half-width characters, measured apart
    } cases[] = {{"縦書き", 0}, {"あI", 1}, {"", 0}, {"ＡＢ12", 2}};
    for (const Case& c : cases) {
        AnsiString caption = AnsiString::FromUtf8(c.caption);
        TTateLabel* l = Column(caption, kVerticalGothic);
        int full = 0, half = 0;
        std::string utf8 = c.caption;
        for (std::size_t i = 0; i < utf8.size();) {
            unsigned char b = static_cast<unsigned char>(utf8[i]);
            if (b < 0x80) {
                half += MeasureWith(l->Font(), AnsiString(utf8.substr(i, 1))).cx;
                ++i;
            } else {
                ++full;
                i += 3;
            }
        }
        SIZE s = MeasureWith(l->Font(), caption);
        EXPECT_EQ(s.cx, full * kEm + half) << c.caption;
        EXPECT_EQ(l->Height(), s.cx) << c.caption;
        EXPECT_EQ(l->Width(), s.cy) << c.caption;
        l->SetTategaki(false);
        EXPECT_EQ(l->Width(), s.cx) << c.caption;
        delete l;
    }
}

TEST_F(VerticalFace, PunctuationTakesItsVerticalForms)
{
    TTateLabel* l = Column("あ、「ーっ"_ansi, kVerticalGothic);
    QImage img = Grab();
    auto inkOf = [&](int cell) { return InkIn(img, Cell(l, cell * kEm, kEm), kWhite); };
    const int cellWidth = l->Width();

    Ink comma = inkOf(1);
    ASSERT_FALSE(comma.empty);
    EXPECT_GT(comma.left + comma.right, cellWidth) << "、 sits right of the middle";
    EXPECT_LT(comma.top + comma.bottom, kEm) << "、 sits above the middle";

    Ink bracket = inkOf(2);
    ASSERT_FALSE(bracket.empty);
    EXPECT_GT(bracket.Width(), bracket.Height()) << "「 opens downward";

    Ink bar = inkOf(3);
    ASSERT_FALSE(bar.empty);
    EXPECT_GT(bar.Height(), 2 * bar.Width()) << "ー runs down the column";

    Ink small = inkOf(4);
    ASSERT_FALSE(small.empty);
    EXPECT_GT(small.left + small.right, cellWidth) << "っ sits right";
    EXPECT_LE(small.top + small.bottom, kEm) << "っ sits high";

    // In a row the same marks keep their horizontal forms.
    TTateLabel* row = Column("、「ー"_ansi, kGothic);
    row->SetLeft(80);
    row->SetTategaki(false);
    QImage rowImg = Grab();
    Ink rowBar =
        InkIn(rowImg, Rect(row->Left() + 2 * kEm, row->Top(), row->Left() + 3 * kEm, row->Top() + row->Height()), kWhite);
    EXPECT_GT(rowBar.Width(), 2 * rowBar.Height());
}

TEST_F(VerticalFace, HalfWidthLettersStayTurned)
{
    TTateLabel* l = Column("あI"_ansi, kVerticalGothic);
    TTateLabel* plain = Column("あI"_ansi, kGothic);
    plain->SetLeft(60);
    int letter = MeasureWith(l->Font(), "I"_ansi).cx;
    ASSERT_EQ(MeasureWith(plain->Font(), "I"_ansi).cx, letter);
    QImage img = Grab();
    Ink ink = InkIn(img, Cell(l, kEm, letter), kWhite);
    ASSERT_FALSE(ink.empty);
    EXPECT_GT(ink.Width(), ink.Height()) << "the I lies across the column";
    EXPECT_GE(Agreement(InkMask(img, Cell(l, kEm, letter)),
                        InkMask(img, Cell(plain, MeasureWith(plain->Font(), "あ"_ansi).cx, letter))),
              0.97)
        << "as the plain face draws it";
}

TEST_F(VerticalFace, AlignmentPlacesTheUprightColumn)
{
    TTateLabel* l = AddBox("縦書き"_ansi, 10, 10, 60, 90);
    l->Font()->SetName(kVerticalGothic);
    l->SetColor(clWhite);
    l->SetAlignment(taRightJustify);
    l->SetLayout(tlBottom);
    Ink ink = InkIn(Grab(), l->BoundsRect(), kWhite);
    ASSERT_FALSE(ink.empty);
    EXPECT_LE(60 - ink.right, 4);
    EXPECT_LE(90 - ink.bottom, 3);
    EXPECT_GE(ink.top, 90 - 3 * kEm);
}

// The horizontal label in the far corner: the text lands inside, against the right and bottom.
TEST_F(VerticalFace, HorizontalRightBottomStaysInside)
{
    TTateLabel* l = AddLabel("横書き"_ansi);
    l->SetAutoSize(false);
    l->SetBounds(40, 40, 120, 60);
    l->SetColor(clWhite);
    l->Font()->SetHeight(-kEm);
    l->SetTransparent(true);
    l->SetAlignment(taRightJustify);
    l->SetLayout(tlBottom);
    QImage img = Grab();
    Ink inside = InkIn(img, l->BoundsRect(), kWhite);
    Ink around = InkIn(img, Rect(0, 0, 240, 200), kWhite);
    ASSERT_FALSE(inside.empty);
    EXPECT_EQ(around.left, inside.left + 40) << "nothing drawn outside the label";
    EXPECT_EQ(around.right, inside.right + 40);
    EXPECT_EQ(around.top, inside.top + 40);
    EXPECT_EQ(around.bottom, inside.bottom + 40);
    EXPECT_LE(120 - inside.right, 3);
    EXPECT_LE(60 - inside.bottom, 5);
    EXPECT_GT(inside.left, 120 - MeasureWith(l->Font(), l->Caption()).cx - 3);
}

}  // namespace
