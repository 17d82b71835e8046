// Form descriptions: reading, writing back, stored defaults, and errors with line numbers.
#include "toolkit/graphics/Colors.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"
#include "toolkit/system/Published.h"

#include <gtest/gtest.h>

namespace {

enum TShade { shLight, shDark };

class TSettings : public TPersistent {
    TK_CLASS(TSettings)
public:
    int Speed = 700;
    TColor Tint = clBlue;
};

class TGadget : public TComponent {
    TK_CLASS(TGadget)
public:
    using TComponent::TComponent;
    int Width = 10;
    bool Flag = false;
    TShade Shade = shLight;
    int Options = 0;
    TColor Colour = clBtnFace;
    AnsiString Caption;
    std::string Blob;
    TGadget* Buddy = nullptr;
    TSettings Settings;
    TNotifyEvent OnPing;
    TComponent* Parent = nullptr;
    int LoadedCalls = 0;
    bool WasLoadingAtWrite = false;
    TComponent* GetParentComponent() const override { return Parent; }
    void SetParentComponent(TComponent* p) override { Parent = p; }
    void Loaded() override
    {
        TComponent::Loaded();
        ++LoadedCalls;
    }
};

class TTestForm : public TComponent {
    TK_CLASS(TTestForm)
public:
    using TComponent::TComponent;
    TGadget* Gadget1 = nullptr;
    int Pings = 0;
    void Ping(TObject*) { ++Pings; }
};

}  // namespace

// clang-format off
TK_CLASS_IMPL(TSettings, TPersistent, {
    info.Props.push_back(Prop::Integer<TSettings>("Speed", [](TSettings& s) { return s.Speed; },
                                                  [](TSettings& s, int64_t v) { s.Speed = int(v); }));
    info.Props.push_back(Prop::Color<TSettings>("Tint", [](TSettings& s) { return s.Tint; },
                                                [](TSettings& s, int64_t v) { s.Tint = TColor(v); }));
})

TK_CLASS_IMPL(TGadget, TComponent, {
    info.Create = CreatorOf<TGadget>();
    info.Props.push_back(Prop::Integer<TGadget>("Width", [](TGadget& g) { return g.Width; },
                                                [](TGadget& g, int64_t v) { g.Width = int(v); })
                             .WithDefault(10));
    info.Props.push_back(Prop::Boolean<TGadget>("Flag", [](TGadget& g) { return g.Flag; },
                                                [](TGadget& g, int64_t v) { g.Flag = v != 0; })
                             .WithDefault(0));
    info.Props.push_back(Prop::Enumeration<TGadget>("Shade", {"shLight", "shDark"}, [](TGadget& g) { return g.Shade; },
                                                    [](TGadget& g, int64_t v) { g.Shade = TShade(v); })
                             .WithDefault(shLight));
    info.Props.push_back(Prop::Set<TGadget>("Options", {"opA", "opB", "opC"}, [](TGadget& g) { return g.Options; },
                                            [](TGadget& g, int64_t v) { g.Options = int(v); })
                             .WithDefault(0));
    info.Props.push_back(Prop::Color<TGadget>("Colour", [](TGadget& g) { return g.Colour; },
                                              [](TGadget& g, int64_t v) { g.Colour = TColor(v); })
                             .WithDefault(clBtnFace));
    info.Props.push_back(Prop::Text<TGadget>("Caption", [](TGadget& g) { return g.Caption; },
                                             [](TGadget& g, const AnsiString& v) { g.Caption = v; }));
    info.Props.push_back(Prop::Binary<TGadget>("Blob", [](TGadget& g) { return g.Blob; },
                                               [](TGadget& g, const std::string& v) { g.Blob = v; }));
    info.Props.push_back(Prop::Component<TGadget, TGadget>("Buddy", [](TGadget& g) { return g.Buddy; },
                                                           [](TGadget& g, TGadget* v) { g.Buddy = v; }));
    info.Props.push_back(Prop::Object<TGadget>("Settings", [](TGadget& g) { return &g.Settings; }));
    info.Props.push_back(Prop::Event("OnPing", &TGadget::OnPing));
})
// clang-format on

TK_CLASS_IMPL(TTestForm, TComponent, {
    PublishMethod(info, "Ping", &TTestForm::Ping);
    PublishField(info, "Gadget1", &TTestForm::Gadget1);
})

namespace {

const char* kForm = R"(object Form1: TTestForm
  object Gadget1: TGadget
    Width = 25
    Flag = True
    Shade = shDark
    Options = [opA, opC]
    Colour = 16744448
    Caption = '色 ''quoted'''
    Blob = {
      0001FF
      7F
    }
    Buddy = Gadget2
    Settings.Speed = 5
    Settings.Tint = clRed
    OnPing = Ping
  end
  object Gadget2: TGadget
    Colour = clYellow
  end
end
)";

TEST(FormDescription, ReadsEveryKindOfValue)
{
    TTestForm form(nullptr);
    ReadComponentText(&form, kForm);
    ASSERT_EQ(form.ComponentCount(), 2);
    TGadget* g = form.Gadget1;
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Name(), AnsiString("Gadget1"));
    EXPECT_EQ(g->Width, 25);
    EXPECT_TRUE(g->Flag);
    EXPECT_EQ(g->Shade, shDark);
    EXPECT_EQ(g->Options, 0b101);
    EXPECT_EQ(g->Colour, 16744448);
    EXPECT_EQ(g->Caption, "色 'quoted'"_ansi);
    EXPECT_EQ(g->Caption.Length(), 11);  // one double-byte character
    EXPECT_EQ(g->Blob, std::string("\x00\x01\xFF\x7F", 4));
    EXPECT_EQ(g->Buddy, form.Components(1));
    EXPECT_EQ(g->Settings.Speed, 5);
    EXPECT_EQ(g->Settings.Tint, clRed);
    EXPECT_EQ(g->Parent, &form);
    EXPECT_EQ(g->LoadedCalls, 1);
    EXPECT_FALSE(g->HasState(csLoading));
    g->OnPing(g);
    EXPECT_EQ(form.Pings, 1);
}

TEST(FormDescription, WriteThenReadGivesTheSameText)
{
    TTestForm form(nullptr);
    ReadComponentText(&form, kForm);
    std::string written = WriteComponentText(&form);
    TTestForm again(nullptr);
    ReadComponentText(&again, written);
    EXPECT_EQ(WriteComponentText(&again), written);
    EXPECT_EQ(again.Gadget1->Blob, form.Gadget1->Blob);
    EXPECT_EQ(again.Gadget1->Caption, form.Gadget1->Caption);
}

TEST(FormDescription, ValuesEqualToTheirDefaultAreNotWritten)
{
    TTestForm form(nullptr);
    form.SetName("Form1");
    auto* g = new TGadget(&form);
    g->SetName("Gadget1");
    std::string text = WriteComponentText(&form);
    EXPECT_EQ(text, "object Form1: TTestForm\n  object Gadget1: TGadget\n    Settings.Speed = 700\n"
                    "    Settings.Tint = clBlue\n  end\nend\n");
    g->Width = 11;
    g->Colour = clBtnFace;
    text = WriteComponentText(&form);
    EXPECT_NE(text.find("Width = 11"), std::string::npos);
    EXPECT_EQ(text.find("Colour"), std::string::npos);
}

struct BadCase {
    const char* name;
    const char* text;
    int line;
};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class MalformedForm : public testing::TestWithParam<BadCase> {};

TEST_P(MalformedForm, RaisesReadErrorWithLine)
{
    TTestForm form(nullptr);
    try {
        ReadComponentText(&form, GetParam().text);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        std::string expected = "line " + std::to_string(GetParam().line) + ":";
        EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedForm,
    testing::Values(
        BadCase{"UnknownClass", "object Form1: TTestForm\n  object X: TNoSuchThing\n  end\nend\n", 2},
        BadCase{"UnknownProperty", "object Form1: TTestForm\n  object X: TGadget\n    Height = 3\n  end\nend\n", 3},
        BadCase{"BadEnum", "object Form1: TTestForm\n  object X: TGadget\n\n    Shade = shBlue\n  end\nend\n", 4},
        BadCase{"TextForInteger", "object Form1: TTestForm\n  object X: TGadget\n    Width = 'wide'\n  end\nend\n", 3},
        BadCase{"MissingEnd", "object Form1: TTestForm\n  object X: TGadget\n    Width = 3\n", 4},
        BadCase{"UnknownMethod", "object Form1: TTestForm\n  object X: TGadget\n    OnPing = Pong\n  end\nend\n", 3},
        BadCase{"UnknownReference", "object Form1: TTestForm\n  object X: TGadget\n    Buddy = Nobody\n  end\nend\n", 3},
        BadCase{"OddHex", "object Form1: TTestForm\n  object X: TGadget\n    Blob = {\n 012\n }\n  end\nend\n", 5},
        BadCase{"WrongRoot", "object Form1: TGadget\nend\n", 1}),
    [](const testing::TestParamInfo<BadCase>& i) { return std::string(i.param.name); });

}  // namespace
