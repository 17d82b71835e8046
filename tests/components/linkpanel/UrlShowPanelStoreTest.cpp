// What a form description keeps of a panel, the colour notification, and registration.
#include "components/linkpanel/UrlShowPanel.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"

#include <gtest/gtest.h>

namespace {

bool Has(const std::string& text, const std::string& line) { return text.find("    " + line + "\n") != std::string::npos; }
bool Mentions(const std::string& text, const std::string& prop) { return text.find("    " + prop + " = ") != std::string::npos; }

struct Form {
    TForm form{nullptr};
    TUrlShowPanel* panel;
    Form()
    {
        form.SetName(AnsiString("Form1"));
        panel = new TUrlShowPanel(&form);
        panel->SetName(AnsiString("UrlShowPanel1"));
        panel->SetParent(&form);
    }
};

TEST(UrlShowPanelStore, DefaultsAreLeftOutAndReadBackAsConstructed)
{
    Form f;
    f.panel->SetOnMouseColor(clBlack);
    std::string text = WriteComponentText(&f.form);
    for (const char* prop : {"OnMouseColor", "BevelWidth", "BevelOuter", "Font_Size", "Font_Bold", "PageTitle"})
        EXPECT_FALSE(Mentions(text, prop)) << prop << "\n" << text;
    EXPECT_TRUE(Has(text, "OffMouseColor = clBlue")) << text;
    EXPECT_TRUE(Has(text, "Url = 'http://'")) << text;
    EXPECT_TRUE(Has(text, "Color = clBtnFace")) << text;  // the panel has its own colour

    TForm back(nullptr);
    ReadComponentText(&back, text);
    auto* p = dynamic_cast<TUrlShowPanel*>(back.FindComponent(AnsiString("UrlShowPanel1")));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->OnMouseColor(), clRed);
}

TEST(UrlShowPanelStore, SettingsSurviveARoundTrip)
{
    Form f;
    f.panel->SetOnMouseColor(clYellow);
    f.panel->SetOffMouseColor(clWhite);
    f.panel->SetPageTitle("ミルゾ"_ansi);
    f.panel->SetUrl(AnsiString("http://tavin3.example.org/"));
    f.panel->SetBevelOuter(bvLowered);
    f.panel->SetColor(16744448);
    f.panel->SetFont_Size(12);
    f.panel->SetFont_Bold(true);
    std::string text = WriteComponentText(&f.form);
    EXPECT_TRUE(Has(text, "Color = 16744448")) << text;

    TForm back(nullptr);
    ReadComponentText(&back, text);
    auto* p = dynamic_cast<TUrlShowPanel*>(back.FindComponent(AnsiString("UrlShowPanel1")));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->OnMouseColor(), clYellow);
    EXPECT_EQ(p->OffMouseColor(), clWhite);
    EXPECT_EQ(p->Font()->Color(), clWhite);
    EXPECT_EQ(p->GetPageTitle(), "ミルゾ"_ansi);
    EXPECT_EQ(p->GetUrl(), AnsiString("http://tavin3.example.org/"));
    EXPECT_EQ(p->BevelOuter(), bvLowered);
    EXPECT_EQ(p->Color(), 16744448);
    EXPECT_EQ(p->Font()->Size(), 12);
    EXPECT_EQ(p->Font()->Style(), StyleBit(fsBold));
    EXPECT_EQ(WriteComponentText(&back), text);
}

TEST(UrlShowPanelStore, ColorIsNotStoredWhileFollowingTheParent)
{
    Form f;
    f.panel->SetColor(clWindow);
    EXPECT_FALSE(Mentions(WriteComponentText(&f.form), "Color"));
    f.form.SetColor(clYellow);
    f.panel->SetParentColor(true);
    EXPECT_FALSE(Mentions(WriteComponentText(&f.form), "Color"));
    EXPECT_EQ(f.panel->Color(), clYellow);  // reads what it shows
    f.panel->SetColor(clWindow);
    EXPECT_EQ(f.panel->TControl::Color(), clWindow);
    EXPECT_FALSE(f.panel->ParentColor());
}

struct CountingPanel : TUrlShowPanel {
    using TUrlShowPanel::TUrlShowPanel;
    int colourChanges = 0;
    void Dispatch(TMessage& m) override
    {
        colourChanges += m.Msg == CM_COLORCHANGED;
        TUrlShowPanel::Dispatch(m);
    }
};

TEST(UrlShowPanelStore, ColorNotifiesOnlyWhenItChanges)
{
    TForm form(nullptr);
    auto* p = new CountingPanel(&form);
    p->SetParent(&form);
    p->SetColor(clBtnFace);
    EXPECT_EQ(p->colourChanges, 0);
    p->SetColor(clWhite);
    EXPECT_GE(p->colourChanges, 1);
    EXPECT_EQ(p->TControl::Color(), clWhite);  // the window's background follows
    EXPECT_FALSE(p->ParentColor());
    int before = p->colourChanges;
    p->SetColor(clWhite);
    EXPECT_EQ(p->colourChanges, before);
}

TEST(UrlShowPanelStore, RegistersOnTheSamplesPage)
{
    Urlshowpanel::Register();
    bool found = false;
    for (const TPaletteEntry& e : PaletteEntries()) found |= e.Page == "Samples" && e.ClassName == "TUrlShowPanel";
    EXPECT_TRUE(found);
}

}  // namespace
