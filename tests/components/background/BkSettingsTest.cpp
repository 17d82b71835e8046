// Settings objects, the form registry, and the one-painter-per-form rule.
#include "BackGroundFixture.h"

#include "tests/fixtures/Raised.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"

#include <gtest/gtest.h>

namespace {

TEST(BkCount, AddsDeletesAndFindsForms)
{
    TpkxBkCount registry;
    TForm a(nullptr), b(nullptr);
    registry.DeleteForm(&a);  // never added: nothing
    EXPECT_EQ(registry.Count(), 0);
    registry.AddForm(&a);
    registry.AddForm(&b);
    registry.AddForm(&a);  // no check for an entry already there
    EXPECT_EQ(registry.Count(), 3);
    registry.DeleteForm(&a);
    EXPECT_TRUE(registry.FormExists(&a));
    EXPECT_EQ(registry.Count(), 2);
    registry.DeleteForm(&a);
    EXPECT_FALSE(registry.FormExists(&a));
    EXPECT_TRUE(registry.FormExists(&b));
}

TEST(BkCount, TheGlobalRegistryLivesWhileAnyUnitInitialisationDoes)
{
    TpkxBkCount* registry = pkxBKCount;
    ASSERT_NE(registry, nullptr);
    {
        TpkxBackGroundUnit another;
    }
    EXPECT_EQ(pkxBKCount, registry);
}

TEST(BackGround, ASecondPainterFailsAndLeavesRegistryAndFormAsTheyWere)
{
    auto form = MakeForm(40, 30);
    auto* first = new TpkxBackGround(form.get());
    int entries = pkxBKCount->Count();
    EXPECT_EQ(Raised([&] { new TpkxBackGround(form.get()); }).str(), "Form should have only a single TpkxBackGround");
    EXPECT_EQ(pkxBKCount->Count(), entries);
    EXPECT_EQ(form->ComponentCount(), 1);
    EXPECT_EQ(form->OnPaint.Data(), first);
    EXPECT_EQ(form->OnResize.Data(), first);
    ShowAndSettle(*form);
    EXPECT_EQ(PixelRef(GrabWindow(form.get()), 0, 0), uint32_t(clBlue));  // the first still paints

    // The same from a form description: the reader reports it, nothing else changes.
    TForm other(nullptr);
    EXPECT_THROW(ReadComponentText(&other, "object F: TForm\n"
                                           "  object pkxBackGround1: TpkxBackGround\n  end\n"
                                           "  object pkxBackGround2: TpkxBackGround\n  end\n"
                                           "end\n"),
                 EReadError);
    EXPECT_EQ(pkxBKCount->Count(), entries + 1);
    EXPECT_EQ(other.ComponentCount(), 1);
}

TEST(BackGround, AnOwnerThatIsNotAFormIsRefused)
{
    TComponent owner(nullptr);
    int entries = pkxBKCount->Count();
    EXPECT_THROW(new TpkxBackGround(&owner), Exception);
    EXPECT_THROW(new TpkxBackGround(nullptr), Exception);
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(pkxBKCount->Count(), entries);
}

TEST(BackGround, DestroyingThePainterEmptiesTheFormsEvents)
{
    auto form = MakeForm(40, 30);
    FormHandlers earlier;
    earlier.HookInto(*form);
    int entries = pkxBKCount->Count();
    auto* painter = new TpkxBackGround(form.get());
    EXPECT_TRUE(pkxBKCount->FormExists(form.get()));
    delete painter;
    EXPECT_FALSE(pkxBKCount->FormExists(form.get()));
    EXPECT_EQ(pkxBKCount->Count(), entries);
    EXPECT_FALSE(form->OnPaint);  // not the earlier handlers
    EXPECT_FALSE(form->OnResize);
}

TEST(BkAnimate, SpeedStaysInRangeAndSetsTheInterval)
{
    auto form = MakeForm(40, 30);
    auto* painter = new TpkxBackGround(form.get());
    TpkxBkAnimate* a = painter->BkAnimate();
    EXPECT_EQ(a->Speed(), 700);
    EXPECT_EQ(a->FrameTimer()->Interval(), 301u);
    EXPECT_TRUE(a->FrameTimer()->Enabled());
    EXPECT_EQ(a->Form(), form.get());
    struct Case {
        int written, speed;
        unsigned interval;
    };
    for (Case c :
         {Case{0, 1, 1000}, Case{-5, 1, 1000}, Case{1, 1, 1000}, Case{5000, 1000, 1}, Case{1000, 1000, 1}, Case{700, 700, 301}}) {
        a->SetSpeed(c.written);
        EXPECT_EQ(a->Speed(), c.speed) << c.written;
        EXPECT_EQ(a->FrameTimer()->Interval(), c.interval) << c.written;
    }
    a->FrameTimer()->SetInterval(5);
    a->SetSpeed(700);  // the same value still sets the interval
    EXPECT_EQ(a->FrameTimer()->Interval(), 301u);
}

TEST(BkAnimate, AnImageListTakesTheFormsColourAndItsLinkFollowsTheList)
{
    auto form = MakeForm(40, 30);
    form->SetColor(clYellow);
    auto* painter = new TpkxBackGround(form.get());
    TpkxBkAnimate* a = painter->BkAnimate();
    auto* one = new TImageList(form.get());
    auto* two = new TImageList(form.get());
    a->SetImageList(one);
    EXPECT_EQ(one->BkColor(), clYellow);
    EXPECT_EQ(one->BlendColor(), clYellow);
    EXPECT_EQ(one->LinkCount(), 1);

    form->SetColor(clAqua);
    a->SetImageList(one);  // already set: the colour is not read again
    EXPECT_EQ(one->BkColor(), clYellow);

    a->SetImageList(two);
    EXPECT_EQ(one->LinkCount(), 0);
    EXPECT_EQ(two->LinkCount(), 1);
    EXPECT_EQ(two->BkColor(), clAqua);

    two->Destroying();  // a list being destroyed detaches its links itself
    a->SetImageList(one);
    EXPECT_EQ(two->LinkCount(), 1);
    delete two;
    EXPECT_EQ(a->ImageList(), one);

    delete one;  // its removal reaches the painter through the form
    EXPECT_EQ(a->ImageList(), nullptr);

    // A list with another owner sends no removal notification; the detached link tells.
    auto* foreign = new TImageList(nullptr);
    a->SetImageList(foreign);
    delete foreign;
    EXPECT_EQ(a->ImageList(), nullptr);
    a->SetImageList(nullptr);
}

TEST(BackGround, WritingTheSettingsAsAWholeCopiesThem)
{
    auto form = MakeForm(40, 30);
    FormHandlers earlier;
    earlier.HookInto(*form);
    auto* painter = new TpkxBackGround(form.get());
    TpkxBkColor* ownColor = painter->BkColor();
    TpkxBkAnimate* ownAnimate = painter->BkAnimate();

    TpkxBkColor colours;
    colours.SetBeginColor(clRed);
    colours.SetFillStyle(fsHorz);
    painter->SetBkColor(&colours);
    EXPECT_EQ(painter->BkColor(), ownColor);
    EXPECT_EQ(ownColor->BeginColor(), clRed);
    EXPECT_EQ(ownColor->EndColor(), clBlack);
    EXPECT_EQ(ownColor->FillStyle(), fsHorz);
    EXPECT_EQ(earlier.resizes, 1);  // one refresh for the whole change
    colours.SetBeginColor(clLime);
    EXPECT_EQ(ownColor->BeginColor(), clRed);
    painter->SetBkColor(&colours);
    painter->SetBkColor(nullptr);
    EXPECT_EQ(earlier.resizes, 2);

    TImageList list(nullptr);
    TpkxBkAnimate animate;
    animate.SetSpeed(990);
    animate.SetImageList(&list);
    painter->SetBkAnimate(&animate);
    EXPECT_EQ(painter->BkAnimate(), ownAnimate);
    EXPECT_EQ(ownAnimate->Speed(), 990);
    EXPECT_EQ(ownAnimate->FrameTimer()->Interval(), 11u);
    EXPECT_EQ(ownAnimate->ImageList(), &list);
    EXPECT_EQ(list.LinkCount(), 2);
    delete painter;
    EXPECT_EQ(list.LinkCount(), 1);
}

TEST(BackGround, SettingsAreStoredWithTheFormAndReadBack)
{
    auto form = MakeForm(40, 30);
    form->SetName("Form1");
    auto* list = new TImageList(form.get());
    list->SetName("ImageList1");
    auto* painter = new TpkxBackGround(form.get());
    painter->SetName("pkxBackGround1");
    std::string plain = WriteComponentText(form.get());
    for (const char* line : {"BkColor.BeginColor = clBlue\n", "BkColor.EndColor = clBlack\n", "BkColor.FillStyle = fsVert\n",
                             "BkAnimate.Speed = 700\n"})
        EXPECT_NE(plain.find(line), std::string::npos) << line;
    EXPECT_EQ(plain.find("BkPicture"), std::string::npos);
    EXPECT_EQ(plain.find("BkAnimate.ImageList"), std::string::npos);

    painter->BkColor()->SetEndColor(clRed);
    painter->BkColor()->SetFillStyle(fsHorz);
    painter->BkAnimate()->SetSpeed(123);
    painter->BkAnimate()->SetImageList(list);
    TPicture picture;
    picture.SetGraphic(CoordinateBitmap(5, 3).get());
    painter->SetPicture(&picture);
    std::string text = WriteComponentText(form.get());

    TForm copy(nullptr);
    ReadComponentText(&copy, text);
    auto* read = dynamic_cast<TpkxBackGround*>(copy.FindComponent("pkxBackGround1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->BkColor()->EndColor(), clRed);
    EXPECT_EQ(read->BkColor()->FillStyle(), fsHorz);
    EXPECT_EQ(read->BkAnimate()->Speed(), 123);
    EXPECT_EQ(read->BkAnimate()->ImageList(), copy.FindComponent("ImageList1"));
    EXPECT_EQ(read->BkPicture()->Data(), picture.Data());
    EXPECT_EQ(copy.OnPaint.Data(), read);
}

}  // namespace
