// Automatic size, writing direction, font rebuilding and loading of the vertical label.
#include "tests/components/verticallabel/TateFixture.h"
#include "toolkit/streaming/FormWriter.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using TateSize = TateForm;

LONG EscapementOf(HFONT font)
{
    LOGFONTA lf{};
    EXPECT_EQ(GetObjectA(font, sizeof lf, &lf), 60);
    return lf.lfEscapement;
}

TEST(TateLabel, NewLabelIsSmallHorizontalAndAutoSized)
{
    int objects = GdiLiveObjectCount();
    TTateLabel label(nullptr);
    EXPECT_EQ(label.Width(), 56);
    EXPECT_EQ(label.Height(), 12);
    EXPECT_FALSE(label.Tategaki());
    EXPECT_TRUE(label.AutoSize());
    EXPECT_FALSE(label.Transparent());
    EXPECT_TRUE(label.ControlStyle() & csReplicatable);
    EXPECT_EQ(GdiLiveObjectCount(), objects) << "no font is built by the constructor";
}

TEST_F(TateSize, TategakiSwapsTheMeasuredSizeAndBack)
{
    AnsiString caption = "縦書きラベル"_ansi;
    TTateLabel* l = AddLabel(caption);
    SIZE s = MeasureWith(l->Font(), caption);
    ASSERT_GT(s.cx, s.cy);
    EXPECT_EQ(l->Width(), s.cx);
    EXPECT_EQ(l->Height(), s.cy);
    l->SetTategaki(true);
    EXPECT_EQ(l->Width(), s.cy);
    EXPECT_EQ(l->Height(), s.cx);
    l->SetTategaki(false);
    EXPECT_EQ(l->Width(), s.cx);
    EXPECT_EQ(l->Height(), s.cy);
}

TEST_F(TateSize, AssigningTheCurrentValueRebuildsTheFontAndAdjusts)
{
    AnsiString caption = "縦書き"_ansi;
    TTateLabel* l = AddLabel(caption);
    SIZE s = MeasureWith(l->Font(), caption);
    for (bool vertical : {true, false}) {
        l->SetTategaki(vertical);
        l->SetBounds(3, 4, 5, 5);
        LOGFONTA lf{};
        GetObjectA(l->Canvas()->Font()->Handle(), sizeof lf, &lf);
        lf.lfEscapement = 900;  // spoil the canvas font
        l->Canvas()->Font()->SetHandle(CreateFontIndirectA(&lf));
        l->SetTategaki(vertical);
        EXPECT_EQ(EscapementOf(l->Canvas()->Font()->Handle()), vertical ? 2700 : 0);
        EXPECT_EQ(l->Width(), vertical ? s.cy : s.cx);
        EXPECT_EQ(l->Height(), vertical ? s.cx : s.cy);
        EXPECT_EQ(l->Left(), 3) << "the label grows from its top-left corner";
    }
}

TEST_F(TateSize, CaptionChangeResizesInTheCurrentDirection)
{
    TTateLabel* l = AddLabel(""_ansi);
    for (bool vertical : {false, true}) {
        l->SetTategaki(vertical);
        for (AnsiString caption : {"あ"_ansi, "あいうえお"_ansi, AnsiString("")}) {
            l->SetCaption(caption);
            SIZE s = MeasureWith(l->Font(), caption);
            EXPECT_EQ(l->Width(), vertical ? s.cy : s.cx) << caption.ToUtf8();
            EXPECT_EQ(l->Height(), vertical ? s.cx : s.cy) << caption.ToUtf8();
        }
        // Empty: nothing along the baseline, a cell across it.
        EXPECT_EQ(vertical ? l->Height() : l->Width(), 0);
        EXPECT_GT(vertical ? l->Width() : l->Height(), 10);
    }
}

TEST_F(TateSize, WithoutAutoSizeChangesKeepTheSizeAndRepaint)
{
    struct Counting : TTateLabel {
        using TTateLabel::TTateLabel;
        int paints = 0;
        void Paint() override
        {
            ++paints;
            TTateLabel::Paint();
        }
    };
    auto* l = new Counting(&form);
    l->SetParent(&form);
    l->SetCaption("縦書き"_ansi);
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 40, 90);
    Grab();
    // clang-format off
    const std::function<void()> changes[] = {
        [&] { l->Font()->SetHeight(-20); },
        [&] { l->SetTategaki(true); },
        [&] { l->SetTategaki(true); },
        [&] { l->SetCaption("もっと長い縦書き"_ansi); },
        [&] { l->SetAutoSize(false); },
    };
    // clang-format on
    int n = 0;
    for (const auto& change : changes) {
        QApplication::processEvents();
        l->paints = 0;
        change();
        EXPECT_EQ(l->Width(), 40) << "change " << n;
        EXPECT_EQ(l->Height(), 90) << "change " << n;
        QApplication::processEvents();
        EXPECT_EQ(l->paints > 0, n != 4) << "change " << n;  // an unchanged AutoSize does nothing
        ++n;
    }
    l->SetAutoSize(true);
    SIZE s = MeasureWith(l->Font(), l->Caption());
    EXPECT_EQ(l->Width(), s.cy);
    EXPECT_EQ(l->Height(), s.cx);
}

TEST_F(TateSize, FontChangesRebuildTheTurnedCanvasFontOnly)
{
    TTateLabel* l = AddLabel("縦"_ansi);
    l->SetTategaki(true);
    l->Font()->SetName("ＭＳ ゴシック"_ansi);
    EXPECT_FALSE(l->ParentFont());
    EXPECT_EQ(EscapementOf(l->Font()->Handle()), 0);
    EXPECT_EQ(EscapementOf(l->Canvas()->Font()->Handle()), 2700);
    EXPECT_EQ(l->Canvas()->Font()->Name(), "ＭＳ ゴシック"_ansi);

    // A font passed down from the parent is followed and the label stays parent-fonted.
    TTateLabel* follower = AddLabel("縦書き"_ansi);
    follower->SetTategaki(true);
    form.Font()->SetHeight(-24);
    EXPECT_TRUE(follower->ParentFont());
    EXPECT_EQ(follower->Canvas()->Font()->Height(), -24);
    EXPECT_EQ(follower->Height(), MeasureWith(form.Font(), follower->Caption()).cx);
    EXPECT_EQ(EscapementOf(follower->Canvas()->Font()->Handle()), 2700);
}

TEST_F(TateSize, RebuildingDoesNotLeakFontHandles)
{
    TTateLabel* l = AddLabel("縦"_ansi);
    l->SetTategaki(true);
    int objects = GdiLiveObjectCount();
    for (int i = 0; i < 20; ++i) {
        l->SetTategaki(i % 2 == 0);
        l->Font()->SetHeight(-12 - i % 3);
    }
    l->SetTategaki(true);
    EXPECT_EQ(GdiLiveObjectCount(), objects);
}

TEST(TateLabel, MeasuringWithoutParentWindowRaises)
{
    struct Case {
        const char* what;
        std::function<void(TTateLabel&)> act;
    } cases[] = {
        {"Tategaki", [](TTateLabel& l) { l.SetTategaki(true); }},
        {"font", [](TTateLabel& l) { l.Font()->SetHeight(-20); }},
        {"caption", [](TTateLabel& l) { l.SetCaption(AnsiString("x")); }},
    };
    for (const Case& c : cases) {
        TTateLabel label(nullptr);
        label.SetName(AnsiString("TateLabel1"));
        try {
            c.act(label);
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "Control 'TateLabel1' has no parent window") << c.what;
        }
        label.SetAutoSize(false);  // nothing to measure: no error
        EXPECT_NO_THROW(c.act(label)) << c.what;
    }
}

struct DescribedForm : TForm {
    explicit DescribedForm(const std::string& text) : TForm(nullptr) { InitFormText(text); }
};

TEST(TateLabel, ReadFromADescriptionSizesOnceLoaded)
{
    DescribedForm form(R"(object Sample: TForm
  ClientWidth = 200
  ClientHeight = 200
  object Auto: TTateLabel
    Left = 8
    Top = 8
    Width = 3
    Height = 3
    Tategaki = True
    Caption = '縦書き'
    Font.Height = -16
  end
  object Fixed: TTateLabel
    Left = 40
    Top = 8
    Width = 40
    Height = 90
    Tategaki = True
    AutoSize = False
    Caption = '縦書き'
  end
  object Plain: TTateLabel
    Caption = '横'
  end
end
)");
    auto* autoSized = dynamic_cast<TTateLabel*>(form.FindComponent(AnsiString("Auto")));
    auto* fixed = dynamic_cast<TTateLabel*>(form.FindComponent(AnsiString("Fixed")));
    ASSERT_TRUE(autoSized && fixed);
    SIZE s = MeasureWith(autoSized->Font(), autoSized->Caption());
    EXPECT_EQ(autoSized->Width(), s.cy);
    EXPECT_EQ(autoSized->Height(), s.cx);
    EXPECT_EQ(fixed->Width(), 40);
    EXPECT_EQ(fixed->Height(), 90);
    EXPECT_FALSE(fixed->AutoSize());

    // Written back, only what differs from the stored defaults appears.
    std::string text = WriteComponentText(&form);
    auto block = [&](const char* name) {
        std::size_t at = text.find(std::string("object ") + name + ":");
        return text.substr(at, text.find("  end", at) - at);
    };
    EXPECT_NE(block("Auto").find("Tategaki = True"), std::string::npos);
    EXPECT_EQ(block("Auto").find("AutoSize"), std::string::npos);
    EXPECT_NE(block("Fixed").find("AutoSize = False"), std::string::npos);
    EXPECT_EQ(block("Plain").find("Tategaki"), std::string::npos);
    EXPECT_EQ(block("Plain").find("WordWrap"), std::string::npos);
}

TEST(TateLabel, RegistersOnTheStandardPage)
{
    Tatelabel::Register();
    const auto& entries = PaletteEntries();
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const TPaletteEntry& e) { return e.Page == "Standard" && e.ClassName == "TTateLabel"; }));
    const TClassInfo* info = FindClassInfo("TTateLabel");
    ASSERT_TRUE(info && info->Create);
    EXPECT_EQ(info->FindProp("WordWrap"), nullptr);
    EXPECT_EQ(info->FindProp("ShowAccelChar"), nullptr);
}

}  // namespace
