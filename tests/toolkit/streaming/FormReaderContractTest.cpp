// Form descriptions the reader must refuse with a line number, texts the writer must write so
// that they read back, and reading many components.
#include "toolkit/controls/ExtCtrls.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/StdCtrls.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"
#include "toolkit/system/Published.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TFailingGadget : public TComponent {
    TK_CLASS(TFailingGadget)
public:
    using TComponent::TComponent;
    static inline int loadedCalls = 0;
    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCalls;
        if (Name() == AnsiString("Bad")) throw EInvalidOperation(AnsiString("cannot start"));
    }
};

class TNotedGadget : public TComponent {
    TK_CLASS(TNotedGadget)
public:
    using TComponent::TComponent;
    AnsiString Note;
};

class TLabelForm : public TForm {
    TK_CLASS(TLabelForm)
public:
    using TForm::TForm;
    TPanel* Panel1 = nullptr;
};

}  // namespace

TK_CLASS_IMPL(TFailingGadget, TComponent, { info.Create = CreatorOf<TFailingGadget>(); })
TK_CLASS_IMPL(TNotedGadget, TComponent, {
    info.Create = CreatorOf<TNotedGadget>();
    info.Props.push_back(Prop::Text<TNotedGadget>(
        "Note", [](TNotedGadget& g) { return g.Note; }, [](TNotedGadget& g, const AnsiString& v) { g.Note = v; }));
})
TK_CLASS_IMPL(TLabelForm, TForm, { PublishField(info, "Panel1", &TLabelForm::Panel1); })

namespace {

// The message of the EReadError that reading `text` into `root` raises; empty when none.
std::string ReadError(TComponent* root, const std::string& text)
{
    try {
        ReadComponentText(root, text);
    } catch (const EReadError& e) {
        return e.what();
    }
    return "";
}

TEST(FormReaderContract, AControlInsideANonWindowIsRefusedWithItsLine)
{
    struct Case {
        const char* name;
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {"LabelInLabel", "object F: TLabelForm\n  object L: TLabel\n    object T: TLabel\n    end\n  end\nend\n", "line 3:"},
        {"PanelInLabel", "object F: TLabelForm\n  object L: TLabel\n\n    object P: TPanel\n    end\n  end\nend\n", "line 4:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TLabelForm form(nullptr);
        std::string error = ReadError(&form, c.text);
        EXPECT_NE(error.find(c.line), std::string::npos) << error;
        EXPECT_NE(error.find("not a window"), std::string::npos) << error;
    }
    // A label inside a panel is fine, and written back inside it.
    TLabelForm form(nullptr);
    ReadComponentText(&form, "object F: TLabelForm\n  object Panel1: TPanel\n    object L: TLabel\n    end\n  end\nend\n");
    ASSERT_NE(form.Panel1, nullptr);
    auto* label = dynamic_cast<TLabel*>(form.FindComponent(AnsiString("L")));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Parent(), form.Panel1);
    std::string text = WriteComponentText(&form);
    EXPECT_LT(text.find("object Panel1"), text.find("    object L: TLabel")) << text;
}

TEST(FormReaderContract, AChildOfAnotherClassThanItsFieldIsRefused)
{
    TLabelForm form(nullptr);
    std::string error = ReadError(&form, "object F: TLabelForm\n  object Panel1: TLabel\n  end\nend\n");
    EXPECT_NE(error.find("line 2:"), std::string::npos) << error;
    EXPECT_NE(error.find("Panel1"), std::string::npos) << error;
    EXPECT_NE(error.find("TPanel"), std::string::npos) << error;
    EXPECT_NE(error.find("TLabel"), std::string::npos) << error;
}

TEST(FormReaderContract, AFailingLoadedIsAReadErrorAndTheOthersStillLoad)
{
    TFailingGadget::loadedCalls = 0;
    TLabelForm form(nullptr);
    std::string error = ReadError(&form, "object F: TLabelForm\n"
                                         "  object A: TFailingGadget\n  end\n"
                                         "  object Bad: TFailingGadget\n  end\n"
                                         "  object C: TFailingGadget\n  end\n"
                                         "end\n");
    EXPECT_NE(error.find("line 4: cannot start"), std::string::npos) << error;
    EXPECT_EQ(TFailingGadget::loadedCalls, 3);
    for (const char* name : {"A", "Bad", "C"}) EXPECT_FALSE(form.FindComponent(AnsiString(name))->HasState(csLoading)) << name;
}

TEST(FormReaderContract, CharacterCodesUseTheWholeNumber)
{
    struct Case {
        const char* written;
        std::string bytes;  // empty: refused
    };
    const Case cases[] = {
        {"#65", "A"},
        {"#0000065", "A"},
        {"'a'#13#10'b'", "a\r\nb"},
        {"#0", std::string(1, '\0')},
        {"#255", "\xFF"},
        {"#130#160", "\x82\xA0"},  // the two bytes of a double-byte character
        {"#256", ""},
        {"#99999999999999999999", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        TLabelForm form(nullptr);
        std::string text =
            std::string("object F: TLabelForm\n  object G: TNotedGadget\n    Note = ") + c.written + "\n  end\nend\n";
        if (c.bytes.empty()) {
            EXPECT_NE(ReadError(&form, text).find("line 3: character code out of range"), std::string::npos);
            continue;
        }
        ReadComponentText(&form, text);
        EXPECT_EQ(static_cast<TNotedGadget*>(form.FindComponent(AnsiString("G")))->Note.str(), c.bytes);
    }
}

TEST(FormReaderContract, EveryTextTheWriterWritesReadsBack)
{
    const std::string notes[] = {
        "two\r\nlines",
        "tab\there",
        std::string("nul\0inside", 10),
        "del\x7F",
        "'quoted'",
        "\x90\xD4",          // a double-byte character
        "\xB1",              // a half-width katakana
        "lone lead \x90",    // cut off double-byte character
        "\x82\x20 broken",   // lead byte followed by no trail byte
        "\xFF\xFD\x80\xA0",  // bytes outside the code page
        "",
    };
    for (const std::string& note : notes) {
        SCOPED_TRACE(testing::PrintToString(note));
        TLabelForm form(nullptr);
        form.SetName(AnsiString("F"));
        auto* g = new TNotedGadget(&form);
        g->SetName(AnsiString("G"));
        g->Note = AnsiString(note);
        std::string text = WriteComponentText(&form);
        TLabelForm back(nullptr);
        ASSERT_NO_THROW(ReadComponentText(&back, text)) << text;
        EXPECT_EQ(static_cast<TNotedGadget*>(back.FindComponent(AnsiString("G")))->Note.str(), note) << text;
        EXPECT_EQ(WriteComponentText(&back), text);
    }
}

TEST(FormReaderContract, ControlCharactersAreWrittenAsCodes)
{
    TLabelForm form(nullptr);
    form.SetName(AnsiString("F"));
    auto* g = new TNotedGadget(&form);
    g->SetName(AnsiString("G"));
    g->Note = "赤 'x'\r\n"_ansi;
    EXPECT_NE(WriteComponentText(&form).find("Note = '赤 ''x'''#13#10\n"), std::string::npos) << WriteComponentText(&form);
}

TEST(FormReaderContract, ReadsManyComponents)
{
    // Inserting a component must not search the owned list once per owned component.
    const int count = 3000;
    std::string text = "object F: TLabelForm\n";
    for (int i = 0; i < count; ++i) text += "  object G" + std::to_string(i) + ": TNotedGadget\n    Note = 'n'\n  end\n";
    text += "end\n";
    TLabelForm form(nullptr);
    ReadComponentText(&form, text);
    ASSERT_EQ(form.ComponentCount(), count);
    EXPECT_EQ(form.Components(count - 1)->Name(), AnsiString("G2999"));
    TLabelForm again(nullptr);
    ReadComponentText(&again, WriteComponentText(&form));
    EXPECT_EQ(again.ComponentCount(), count);
}

}  // namespace
