// The example program's window, built from the same form description it compiles in.
#include "examples/verticallabel/TateSampleForm.h"
#include "tests/components/verticallabel/TateFixture.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QFontInfo>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadSampleDescription()
{
    std::ifstream in(TAVIN3_SOURCE_DIR "/examples/verticallabel/TateSample.form", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(TateSample, WindowShowsVerticalCaptionsInAJapaneseFont)
{
    TTateSampleForm form(nullptr, ReadSampleDescription());
    form.Show();
    QImage img = GrabWindow(&form);
    img.save(QString(TAVIN3_BINARY_DIR) + "/tate_sample.png");

    int labels = 0, vertical = 0;
    for (int i = 0; i < form.ComponentCount(); ++i) {
        auto* l = dynamic_cast<TTateLabel*>(form.Components(i));
        if (!l) continue;
        ++labels;
        std::string name = l->Name().str();
        LOGFONTA lf{};
        ASSERT_EQ(GetObjectA(l->Canvas()->Font()->Handle(), sizeof lf, &lf), 60) << name;
        EXPECT_EQ(lf.lfEscapement, l->Tategaki() ? 2700 : 0) << name;
        QString family = QFontInfo(QFontFromLog(lf)).family();
        EXPECT_TRUE(family.startsWith("IPA") || family.contains("CJK")) << name << ": " << family.toStdString();

        // Where the label lies in the window, and what shows behind its text.
        TWinControl* parent = l->Parent();
        TRect r = l->BoundsRect();
        if (parent != &form) OffsetRect(&r, parent->Left(), parent->Top());
        uint32_t background = ColorToRGB(l->Transparent() ? parent->Color() : l->Color());
        Ink ink = InkIn(img, r, background);
        ASSERT_FALSE(ink.empty) << name;
        if (l->Tategaki()) {
            ++vertical;
            EXPECT_GT(ink.Height(), ink.Width() + 8) << name << " is drawn as a column";
        } else {
            EXPECT_GT(ink.Width(), ink.Height() + 8) << name << " is drawn as a row";
        }
        if (!l->Enabled()) {
            int shadow = 0, black = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    shadow += PixelRef(img, x, y) == 0x808080;
                    black += PixelRef(img, x, y) == 0;
                }
            EXPECT_GT(shadow, 20) << name << " is drawn in the shadow colour";
            EXPECT_EQ(black, 0) << name << " is not drawn in its font colour";
        }
    }
    EXPECT_EQ(labels, 20);
    EXPECT_EQ(vertical, 19);
}

}  // namespace
