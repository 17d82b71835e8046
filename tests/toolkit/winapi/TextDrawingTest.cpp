// Fonts, text measure and text drawing through the Win32 calls, checked on drawn pixels.
#include "toolkit/controls/Controls.h"
#include "toolkit/graphics/Bitmap.h"
#include "toolkit/winapi/Windows.h"
#include "tests/fixtures/MemoryDC.h"
#include "tests/fixtures/Raised.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

LOGFONTA JapaneseFont(LONG height, LONG escapement = 0)
{
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    std::string face = "ＭＳ ゴシック"_ansi.str();
    std::memcpy(lf.lfFaceName, face.data(), face.size());
    return lf;
}

// A font selected into a context for the lifetime of the object.
struct SelectedFont {
    SelectedFont(HDC dc, const LOGFONTA& lf) : dc(dc), font(CreateFontIndirectA(&lf)) { old = SelectObject(dc, font); }
    ~SelectedFont()
    {
        SelectObject(dc, old);
        DeleteObject(font);
    }
    HDC dc;
    HFONT font;
    HGDIOBJ old;
};

SIZE Extent(HDC dc, const AnsiString& s)
{
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32A(dc, s.c_str(), s.Length(), &size));
    return size;
}

TEST(LogFont, KeepsTheSixtyByteLayout)
{
    EXPECT_EQ(sizeof(LOGFONTA), 60u);
    EXPECT_EQ(offsetof(LOGFONTA, lfEscapement), 8u);
    EXPECT_EQ(offsetof(LOGFONTA, lfOrientation), 12u);
    EXPECT_EQ(offsetof(LOGFONTA, lfWeight), 16u);
    EXPECT_EQ(offsetof(LOGFONTA, lfItalic), 20u);
    EXPECT_EQ(offsetof(LOGFONTA, lfCharSet), 23u);
    EXPECT_EQ(offsetof(LOGFONTA, lfPitchAndFamily), 27u);
    EXPECT_EQ(offsetof(LOGFONTA, lfFaceName), 28u);
}

TEST(LogFont, GetObjectReturnsWhatTheFontWasMadeFrom)
{
    LOGFONTA in = JapaneseFont(-17, 2700);
    in.lfOrientation = 900;
    in.lfWeight = FW_BOLD;
    in.lfItalic = 1;
    in.lfUnderline = 1;
    HFONT font = CreateFontIndirectA(&in);
    LOGFONTA out{};
    EXPECT_EQ(GetObjectA(font, sizeof out, &out), 60);
    EXPECT_EQ(std::memcmp(&in, &out, sizeof in), 0);
    EXPECT_EQ(GetObjectA(font, 0, nullptr), 60);

    LOGFONTA part{};
    EXPECT_EQ(GetObjectA(font, 12, &part), 12);  // a short buffer gets the leading fields only
    EXPECT_EQ(part.lfEscapement, 2700);
    EXPECT_EQ(part.lfWeight, 0);

    DeleteObject(font);
    EXPECT_EQ(GetObjectA(font, sizeof out, &out), 0);
    EXPECT_EQ(GetObjectA(nullptr, sizeof out, &out), 0);
}

TEST(TextExtent, TurnedFontMeasuresAsUnturnedOverCp932Bytes)
{
    MemoryDC m(10, 10);
    AnsiString text = "縦書きAB"_ansi;
    ASSERT_EQ(text.Length(), 8);
    SIZE flat, turned;
    {
        SelectedFont f(m.dc, JapaneseFont(-16));
        flat = Extent(m.dc, text);
        SIZE one{};
        GetTextExtentPoint32A(m.dc, text.c_str(), 2, &one);  // two bytes: one character
        EXPECT_GT(one.cx, 8);
        EXPECT_EQ(one.cx, Extent(m.dc, "縦"_ansi).cx);
        SIZE none{};
        EXPECT_TRUE(GetTextExtentPoint32A(m.dc, text.c_str(), 0, &none));
        EXPECT_EQ(none.cx, 0);
        EXPECT_EQ(none.cy, flat.cy);
        EXPECT_FALSE(GetTextExtentPoint32A(m.dc, text.c_str(), -1, &none));
    }
    {
        SelectedFont f(m.dc, JapaneseFont(-16, 2700));
        turned = Extent(m.dc, text);
    }
    EXPECT_EQ(turned.cx, flat.cx);
    EXPECT_EQ(turned.cy, flat.cy);
    EXPECT_GT(flat.cx, flat.cy);
    EXPECT_GE(flat.cy, 16);
}

TEST(TextExtent, PositiveHeightIsTheCellHeight)
{
    MemoryDC m(10, 10);
    SelectedFont f(m.dc, JapaneseFont(20));
    SIZE s = Extent(m.dc, AnsiString("Ag"));
    EXPECT_LE(s.cy, 20);
    EXPECT_GE(s.cy, 18);
}

// Text placed by the alignment flags: its ink moves with the rectangle's edges.
TEST(DrawText, AlignmentFlagsPlaceASingleLine)
{
    MemoryDC m(200, 60);
    SelectedFont f(m.dc, JapaneseFont(-16));
    AnsiString text("Hello");
    SIZE s = Extent(m.dc, text);
    auto inkFor = [&](UINT flags) {
        m.Clear();
        RECT r{20, 10, 180, 50};
        DrawTextA(m.dc, text.c_str(), -1, &r, flags | DT_SINGLELINE);
        return m.Ink();
    };
    RECT leftTop = inkFor(DT_LEFT | DT_TOP);
    ASSERT_GE(leftTop.right, 0);
    EXPECT_GE(leftTop.left, 20);
    EXPECT_LE(leftTop.left, 22);
    EXPECT_GE(leftTop.top, 10);

    struct Case {
        UINT flags;
        int dx, dy;
    } cases[] = {
        {DT_RIGHT | DT_TOP, 160 - s.cx, 0},
        {DT_CENTER | DT_TOP, (160 - s.cx) / 2, 0},
        {DT_LEFT | DT_VCENTER, 0, (40 - s.cy) / 2},
        {DT_LEFT | DT_BOTTOM, 0, 40 - s.cy},
        {DT_RIGHT | DT_BOTTOM, 160 - s.cx, 40 - s.cy},
    };
    for (const Case& c : cases) {
        RECT ink = inkFor(c.flags);
        EXPECT_EQ(ink.left - leftTop.left, c.dx) << "flags " << c.flags;
        EXPECT_EQ(ink.top - leftTop.top, c.dy) << "flags " << c.flags;
        EXPECT_EQ(ink.right - ink.left, leftTop.right - leftTop.left) << "flags " << c.flags;
    }
}

TEST(DrawText, PrefixUnderlinesAndDoubledAmpersandDrawsOne)
{
    MemoryDC m(120, 40);
    SelectedFont f(m.dc, JapaneseFont(-16));
    auto draw = [&](const char* text, UINT flags) {
        m.Clear();
        RECT r{4, 4, 120, 40};
        DrawTextA(m.dc, text, -1, &r, flags | DT_SINGLELINE);
        return m.Pixels();
    };
    EXPECT_EQ(draw("A&&B", 0), draw("A&B", DT_NOPREFIX));
    EXPECT_EQ(draw("A&&B", DT_NOPREFIX), draw("A&&B", DT_NOPREFIX));
    EXPECT_NE(draw("A&&B", DT_NOPREFIX), draw("A&B", DT_NOPREFIX));

    // "&B" is "B" and a line under it: the extra pixels form a thin row below the glyphs.
    std::vector<COLORREF> plain = draw("AB", 0);
    RECT glyphs = m.Ink();
    std::vector<COLORREF> marked = draw("A&B", 0);
    RECT diff{1000, 1000, -1, -1};
    for (int i = 0; i < static_cast<int>(plain.size()); ++i)
        if (plain[i] != marked[i]) {
            int x = i % m.w, y = i / m.w;
            diff = {std::min<LONG>(diff.left, x), std::min<LONG>(diff.top, y), std::max<LONG>(diff.right, x + 1),
                    std::max<LONG>(diff.bottom, y + 1)};
        }
    ASSERT_GE(diff.right, 0) << "no underline";
    EXPECT_LE(diff.bottom - diff.top, 2);
    EXPECT_GE(diff.top, glyphs.bottom - 4);
    EXPECT_GT(diff.left, glyphs.left + 3);  // under B, not under A
    EXPECT_GE(diff.right - diff.left, 6);
}

TEST(DrawText, SingleLineIgnoresBreaksAndClipsUnlessNoClip)
{
    MemoryDC m(200, 80);
    SelectedFont f(m.dc, JapaneseFont(-16));
    auto draw = [&](const char* text, RECT r, UINT flags) {
        m.Clear();
        DrawTextA(m.dc, text, -1, &r, flags);
        return m.Pixels();
    };
    RECT wide{4, 4, 200, 80};
    EXPECT_EQ(draw("ab\r\ncd\ne", wide, DT_SINGLELINE), draw("abcde", wide, DT_SINGLELINE));
    draw("ab\r\ncd", wide, 0);
    RECT twoLines = m.Ink();
    draw("abcd", wide, 0);
    EXPECT_GT(twoLines.bottom - twoLines.top, m.Ink().bottom - m.Ink().top + 8);

    RECT narrow{4, 4, 20, 30};
    draw("WWWWWW", narrow, DT_SINGLELINE);
    EXPECT_LE(m.Ink().right, 20);
    draw("WWWWWW", narrow, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(m.Ink().right, 40);
}

// Escapement 2700: the text runs downward from the point a horizontal layout starts at and
// hangs to its left, cy wide and cx high.
TEST(DrawText, TurnedTextHangsLeftOfAndBelowItsStart)
{
    MemoryDC m(100, 160);
    SelectedFont f(m.dc, JapaneseFont(-16, 2700));
    AnsiString text = "縦書きです"_ansi;
    SIZE s = Extent(m.dc, text);
    RECT r{60, 20, 100, 160};
    DrawTextA(m.dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_NOCLIP);
    RECT ink = m.Ink();
    ASSERT_GE(ink.right, 0);
    EXPECT_GE(ink.left, 60 - s.cy);
    EXPECT_LE(ink.right, 60);
    EXPECT_GT(ink.right, 60 - 4);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.bottom, 20 + s.cx);
    EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));  // a column, not a row
}

TEST(DrawText, UnderlineOfTurnedTextTurnsWithIt)
{
    MemoryDC m(60, 100);
    SelectedFont f(m.dc, JapaneseFont(-16, 2700));
    auto draw = [&](const char* text) {
        m.Clear();
        RECT r{40, 4, 60, 100};
        DrawTextA(m.dc, text, -1, &r, DT_SINGLELINE | DT_NOCLIP);
        return m.Pixels();
    };
    std::vector<COLORREF> plain = draw("AB"), marked = draw("A&B");
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int i = 0; i < static_cast<int>(plain.size()); ++i)
        if (plain[i] != marked[i]) {
            minX = std::min(minX, i % m.w), maxX = std::max(maxX, i % m.w);
            minY = std::min(minY, i / m.w), maxY = std::max(maxY, i / m.w);
        }
    ASSERT_GE(maxX, 0);
    EXPECT_LE(maxX - minX, 1);  // a vertical line ...
    EXPECT_GE(maxY - minY, 5);  // ... along B
    EXPECT_LT(maxX, 40 - 8);    // on the descent side, left of the glyphs' middle
}

TEST(Rects, FillRectCoversLeftTopInclusiveAndOffsetRectMovesAllEdges)
{
    MemoryDC m(20, 20);
    HBRUSH red = CreateSolidBrush(0x0000FF);
    RECT r{2, 3, 6, 8};
    ASSERT_TRUE(OffsetRect(&r, 1, -1));
    EXPECT_EQ(r, (RECT{3, 2, 7, 7}));
    EXPECT_FALSE(OffsetRect(nullptr, 1, 1));
    EXPECT_EQ(FillRect(m.dc, &r, red), 1);
    EXPECT_EQ(GetPixel(m.dc, 3, 2), 0x0000FFu);
    EXPECT_EQ(GetPixel(m.dc, 6, 6), 0x0000FFu);
    EXPECT_EQ(GetPixel(m.dc, 7, 6), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(m.dc, 6, 7), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(m.dc, 2, 2), 0xFFFFFFu);
    RECT inverted{10, 10, 5, 5};
    FillRect(m.dc, &inverted, red);
    EXPECT_EQ(GetPixel(m.dc, 7, 7), 0xFFFFFFu);
    DeleteObject(red);
}

// Calls on a canvas's handle see the canvas's font, its colour and its brush.
TEST(CanvasHandle, CarriesTheCanvasFontColourAndBrush)
{
    TBitmap bmp;
    bmp.SetSize(80, 120);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 80, 120));
    LOGFONTA lf = JapaneseFont(-20, 2700);
    c->Font()->SetHandle(CreateFontIndirectA(&lf));
    c->Font()->SetColor(clRed);
    c->Brush()->SetStyle(bsClear);

    AnsiString text = "縦"_ansi;
    SIZE s{};
    GetTextExtentPoint32A(c->Handle(), text.c_str(), text.Length(), &s);
    EXPECT_EQ(s.cx, c->TextExtent(text).cx);
    EXPECT_GE(s.cy, 20);

    RECT r{40, 10, 80, 120};
    DrawTextA(c->Handle(), text.c_str(), -1, &r, DT_SINGLELINE | DT_NOCLIP);
    int red = 0, rightOfStart = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 80; ++x) {
            TColor p = c->Pixel(x, y);
            red += p == clRed;
            rightOfStart += p != clWhite && x >= 40;
        }
    EXPECT_GT(red, 10) << "drawn in the canvas font's colour";
    EXPECT_EQ(rightOfStart, 0) << "turned text hangs left of its start";
}

TEST(CanvasHandle, ControlWithoutParentWindowCannotMeasure)
{
    struct Probe : TGraphicControl {
        using TGraphicControl::TGraphicControl;
    } probe(nullptr);
    probe.SetName(AnsiString("Probe1"));
    EXPECT_EQ(Raised<EInvalidOperation>([&] { probe.Canvas()->Handle(); }).str(), "Control 'Probe1' has no parent window");
}

}  // namespace
