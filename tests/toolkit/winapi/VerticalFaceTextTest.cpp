// Vertical faces through the Win32 text calls: measure, the font's vertical forms, and drawing
// with an unturned font (the full-width characters then lie on their side).
#include "toolkit/system/AnsiString.h"
#include "toolkit/winapi/GdiObjects.h"
#include "toolkit/winapi/VerticalText.h"
#include "toolkit/winapi/Windows.h"
#include "tests/fixtures/MemoryDC.h"

#include <QFont>
#include <QFontInfo>
#include <QPainterPath>
#include <QRawFont>
#include <gtest/gtest.h>

#include <cstring>

namespace {

HFONT MakeFont(const char* utf8Face, int height, int escapement = 0)
{
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfWeight = FW_NORMAL;
    std::string face = AnsiString::FromUtf8(utf8Face).str();
    std::memcpy(lf.lfFaceName, face.data(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return CreateFontIndirectA(&lf);
}

TEST(VerticalFaceText, CellsAlongTheBaseline)
{
    HFONT vertical = MakeFont("@ＭＳ ゴシック", -16);
    HFONT plain = MakeFont("ＭＳ ゴシック", -16);
    {
        MemoryDC v(120, 120, vertical), p(120, 120, plain);
        struct Case {
            const char* text;
            int fullWidth;
            const char* halfWidth;
        } cases[] = {{"縦書き", 3, ""}, {"abc", 0, "abc"}, {"あa、ｱ", 2, "aｱ"}, {"", 0, ""}, {"（）", 2, ""}};
        for (const Case& c : cases) {
            SIZE got = v.Extent(c.text);
            EXPECT_EQ(got.cx, 16 * c.fullWidth + p.Extent(c.halfWidth).cx) << c.text;
            EXPECT_EQ(got.cy, p.Extent(c.text).cy) << c.text;
        }
        // DrawTextA measures the same.
        std::string s = AnsiString::FromUtf8("縦a書").str();
        RECT r{0, 0, 0, 0};
        DrawTextA(v.dc, s.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
        EXPECT_EQ(r.right, v.Extent("縦a書").cx);
    }
    DeleteObject(vertical);
    DeleteObject(plain);
}

TEST(VerticalFaceText, SameFamiliesAsTheNamedFace)
{
    for (const char* face : {"ＭＳ ゴシック", "ＭＳ 明朝", "ＭＳ Ｐゴシック"}) {
        LOGFONTA plain{}, vertical{};
        std::string name = AnsiString::FromUtf8(face).str();
        std::memcpy(plain.lfFaceName, name.data(), name.size());
        vertical.lfFaceName[0] = '@';
        std::memcpy(vertical.lfFaceName + 1, name.data(), name.size());
        EXPECT_TRUE(IsVerticalFace(vertical));
        EXPECT_FALSE(IsVerticalFace(plain));
        EXPECT_EQ(QFontFromLog(vertical).families(), QFontFromLog(plain).families()) << face;
        EXPECT_EQ(FaceNameOf(vertical), name);
    }
    LOGFONTA mincho{};
    std::string name = AnsiString::FromUtf8("ＭＳ 明朝").str();
    std::memcpy(mincho.lfFaceName, name.data(), name.size());
    QString family = QFontInfo(QFontFromLog(mincho)).family();
    EXPECT_TRUE(family.contains("Mincho") || family.contains("Serif")) << family.toStdString();
}

TEST(VerticalFaceText, FontsCarryVerticalFormsOfPunctuation)
{
    for (const char* family : {"Noto Sans CJK JP", "IPAGothic"}) {
        QFont font(family);
        font.setPixelSize(16);
        QRawFont raw = QRawFont::fromFont(font);
        ASSERT_TRUE(raw.isValid()) << family;
        if (!raw.familyName().startsWith(family)) continue;  // not installed here
        auto glyph = [&](const char* utf8) { return raw.glyphIndexesForString(QString::fromUtf8(utf8)).value(0); };
        EXPECT_NE(VerticalAlternate(raw, glyph("、")), glyph("、")) << family;
        EXPECT_NE(VerticalAlternate(raw, glyph("「")), glyph("「")) << family;
        // A kana's vertical form, where a font has one, stays upright: about the same box.
        QRectF kana = raw.pathForGlyph(glyph("あ")).boundingRect();
        QRectF alternate = raw.pathForGlyph(VerticalAlternate(raw, glyph("あ"))).boundingRect();
        EXPECT_NEAR(alternate.width(), kana.width(), kana.width() / 8) << family;
        EXPECT_NEAR(alternate.height(), kana.height(), kana.height() / 8) << family;
    }
}

TEST(VerticalFaceText, UnturnedVerticalFaceLaysIdeographsOnTheirSide)
{
    // Without escapement the characters a column would show upright are turned a quarter to the
    // left: the ideograph one, a single level stroke, stands up.
    HFONT vertical = MakeFont("@ＭＳ ゴシック", -16);
    HFONT plain = MakeFont("ＭＳ ゴシック", -16);
    std::string bar = AnsiString::FromUtf8("一").str();
    RECT vi, pi;
    {
        MemoryDC v(120, 120, vertical);
        EXPECT_TRUE(TextOutA(v.dc, 20, 20, bar.c_str(), static_cast<int>(bar.size())));
        vi = v.Ink();
        MemoryDC p(120, 120, plain);
        EXPECT_TRUE(TextOutA(p.dc, 20, 20, bar.c_str(), static_cast<int>(bar.size())));
        pi = p.Ink();
    }
    ASSERT_GE(vi.right, 0);
    ASSERT_GE(pi.right, 0);
    EXPECT_GT(pi.right - pi.left, 3 * (pi.bottom - pi.top)) << "level in the plain face";
    EXPECT_GT(vi.bottom - vi.top, 3 * (vi.right - vi.left)) << "standing in the vertical face";
    DeleteObject(vertical);
    DeleteObject(plain);
}

}  // namespace
