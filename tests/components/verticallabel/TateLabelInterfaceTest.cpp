// The label's published interface in stored forms: popup menu, drag and drop, cursor, align.
#include "components/verticallabel/TateLabel.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/ExtCtrls.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/Menus.h"
#include "toolkit/streaming/FormWriter.h"
#include "toolkit/system/Published.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

namespace {

class TTateInterfaceForm : public TForm {
    TK_CLASS(TTateInterfaceForm)
public:
    TTateInterfaceForm(const std::string& text) : TForm(nullptr) { InitFormText(text); }

    TTateLabel* Label(const char* name) { return dynamic_cast<TTateLabel*>(FindComponent(AnsiString(name))); }

    void CopyClick(TObject* Sender)
    {
        ++clicks;
        clickSender = Sender;
    }
    void SourceStartDrag(TObject* Sender, TDragObject*&) { started = Sender; }
    void SourceEndDrag(TObject* Sender, TObject* Target, int, int)
    {
        ended = Sender;
        endTarget = Target;
        ++ends;
    }
    void TargetDragOver(TObject*, TObject* Source, int, int, TDragState, bool& Accept)
    {
        overSource = Source;
        Accept = accept;
    }
    void TargetDragDrop(TObject* Sender, TObject* Source, int X, int Y)
    {
        dropTarget = Sender;
        dropSource = Source;
        dropX = X;
        dropY = Y;
        ++drops;
    }

    int clicks = 0, ends = 0, drops = 0, dropX = -1, dropY = -1;
    bool accept = true;
    TObject *clickSender = nullptr, *started = nullptr, *ended = nullptr, *endTarget = nullptr;
    TObject *overSource = nullptr, *dropTarget = nullptr, *dropSource = nullptr;
};

}  // namespace

TK_CLASS_IMPL(TTateInterfaceForm, TForm, {
    PublishMethod(info, "CopyClick", &TTateInterfaceForm::CopyClick);
    PublishMethod(info, "SourceStartDrag", &TTateInterfaceForm::SourceStartDrag);
    PublishMethod(info, "SourceEndDrag", &TTateInterfaceForm::SourceEndDrag);
    PublishMethod(info, "TargetDragOver", &TTateInterfaceForm::TargetDragOver);
    PublishMethod(info, "TargetDragDrop", &TTateInterfaceForm::TargetDragDrop);
})

namespace {

const char* const kInteractiveForm = R"(object InterfaceForm: TTateInterfaceForm
  ClientWidth = 300
  ClientHeight = 200
  Color = clWhite
  object Source: TTateLabel
    Left = 10
    Top = 10
    Cursor = crHandPoint
    Caption = 'ドラッグ元'
    DragCursor = crMultiDrag
    DragMode = dmAutomatic
    PopupMenu = Menu
    OnEndDrag = SourceEndDrag
    OnStartDrag = SourceStartDrag
  end
  object Target: TTateLabel
    Left = 150
    Top = 10
    Tategaki = True
    Caption = '受け取り'
    OnDragDrop = TargetDragDrop
    OnDragOver = TargetDragOver
  end
  object Panel: TPanel
    Left = 10
    Top = 120
    Width = 100
    Height = 60
    Cursor = crSizeWE
  end
  object Menu: TPopupMenu
    object MenuCopy: TMenuItem
      Caption = 'コピー'
      OnClick = CopyClick
    end
    object MenuLine: TMenuItem
      Caption = '-'
    end
  end
end
)";

QPoint CentreOf(TControl* c) { return QPoint(c->Left() + c->Width() / 2, c->Top() + c->Height() / 2); }

class TateInterface : public ::testing::Test {
protected:
    TateInterface() : form(kInteractiveForm) { form.Show(); }
    ~TateInterface() override
    {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }
    QWidget* Window() { return WidgetOf(&form); }
    TTateInterfaceForm form;
};

TEST_F(TateInterface, StoredPropertiesLoadAndAreWrittenBack)
{
    TTateLabel* source = form.Label("Source");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->Cursor(), crHandPoint);
    EXPECT_EQ(source->DragCursor(), crMultiDrag);
    EXPECT_EQ(source->DragMode(), dmAutomatic);
    auto* menu = dynamic_cast<TPopupMenu*>(form.FindComponent("Menu"_ansi));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(source->PopupMenu(), menu);
    ASSERT_EQ(menu->Items()->Count(), 2);
    EXPECT_EQ(menu->Items()->Items(0)->Caption(), "コピー"_ansi);

    std::string text = WriteComponentText(&form);
    for (const char* line : {"Cursor = crHandPoint", "DragCursor = crMultiDrag", "DragMode = dmAutomatic", "PopupMenu = Menu",
                             "OnStartDrag = SourceStartDrag", "OnDragDrop = TargetDragDrop", "Cursor = crSizeWE",
                             "object MenuCopy: TMenuItem", "OnClick = CopyClick"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    // Defaults stay out.
    EXPECT_EQ(text.find("DragMode = dmManual"), std::string::npos);
    EXPECT_EQ(text.find("DragCursor = crDrag"), std::string::npos);

    // What was written reads back into the same settings.
    TTateInterfaceForm again(text);
    EXPECT_EQ(again.Label("Source")->Cursor(), crHandPoint);
    EXPECT_EQ(again.Label("Source")->PopupMenu(), again.FindComponent("Menu"_ansi));
    EXPECT_EQ(dynamic_cast<TPopupMenu*>(again.FindComponent("Menu"_ansi))->Items()->Count(), 2);
}

TEST_F(TateInterface, NumericAndUnknownCursorValues)
{
    TTateInterfaceForm numeric(R"(object F: TTateInterfaceForm
  object L: TTateLabel
    Cursor = -21
  end
end
)");
    EXPECT_EQ(numeric.Label("L")->Cursor(), crHandPoint);
    EXPECT_THROW(TTateInterfaceForm(R"(object F: TTateInterfaceForm
  object L: TTateLabel
    Cursor = crNoSuchCursor
  end
end
)"),
                 EReadError);
}

TEST_F(TateInterface, RightClickShowsTheMenuAndItsItemRuns)
{
    TTateLabel* source = form.Label("Source");
    auto* menu = dynamic_cast<TPopupMenu*>(form.FindComponent("Menu"_ansi));
    QTest::mouseClick(Window(), Qt::RightButton, {}, CentreOf(source));
    ASSERT_TRUE(menu->Showing());
    auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(menu->PopupComponent(), source);
    QAction* copy = nullptr;
    for (QAction* a : shown->actions())
        if (a->text() == QString::fromUtf8("コピー")) copy = a;
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(shown->actions().size(), 2) << "the item and the separator";
    QTest::mouseClick(shown, Qt::LeftButton, {}, shown->actionGeometry(copy).center());
    EXPECT_EQ(form.clicks, 1);
    EXPECT_EQ(form.clickSender, menu->Items()->Items(0));

    // A control without a menu of its own and a parent without one: nothing shows.
    TTateLabel* target = form.Label("Target");
    QTest::mouseClick(Window(), Qt::RightButton, {}, CentreOf(target));
    EXPECT_FALSE(menu->Showing());
    // A left click does not show the menu.
    QTest::mouseClick(Window(), Qt::LeftButton, {}, CentreOf(source));
    EXPECT_FALSE(menu->Showing());
}

TEST_F(TateInterface, MenuGoneBeforeTheControlLeavesNoReference)
{
    TTateLabel* source = form.Label("Source");
    delete form.FindComponent("Menu"_ansi);
    EXPECT_EQ(source->PopupMenu(), nullptr);
    QTest::mouseClick(Window(), Qt::RightButton, {}, CentreOf(source));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(TateInterface, CursorShowsOverGraphicAndWindowedControls)
{
    TTateLabel* source = form.Label("Source");
    QTest::mouseMove(Window(), CentreOf(source));
    EXPECT_EQ(Window()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(Window(), QPoint(290, 190));
    EXPECT_EQ(Window()->cursor().shape(), Qt::ArrowCursor);
    auto* panel = dynamic_cast<TPanel*>(form.FindComponent("Panel"_ansi));
    EXPECT_EQ(WidgetOf(panel)->cursor().shape(), Qt::SizeHorCursor);
    // Changed by code, it shows at once on a window and at the next move on a graphic control.
    panel->SetCursor(crHourGlass);
    EXPECT_EQ(WidgetOf(panel)->cursor().shape(), Qt::WaitCursor);
    source->SetCursor(crCross);
    QTest::mouseMove(Window(), CentreOf(source));
    EXPECT_EQ(Window()->cursor().shape(), Qt::CrossCursor);
}

TEST_F(TateInterface, DropReachesTheTargetWithTheSource)
{
    TTateLabel* source = form.Label("Source");
    TTateLabel* target = form.Label("Target");
    QPoint from = CentreOf(source), to = CentreOf(target);
    QTest::mousePress(Window(), Qt::LeftButton, {}, from);
    EXPECT_FALSE(source->Dragging()) << "not before the mouse moves";
    QTest::mouseMove(Window(), from + QPoint(8, 0));
    EXPECT_TRUE(source->Dragging());
    EXPECT_EQ(form.started, source);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor) << "the source itself takes no drop";
    QTest::mouseMove(Window(), to);
    EXPECT_EQ(form.overSource, source);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::DragCopyCursor) << "the source's DragCursor";
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, to);

    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form.drops, 1);
    EXPECT_EQ(form.dropTarget, target);
    EXPECT_EQ(form.dropSource, source);
    EXPECT_EQ(form.dropX, to.x() - target->Left());
    EXPECT_EQ(form.dropY, to.y() - target->Top());
    EXPECT_EQ(form.ends, 1);
    EXPECT_EQ(form.ended, source);
    EXPECT_EQ(form.endTarget, target);
}

TEST_F(TateInterface, RefusedOrCancelledDragDropsNothing)
{
    TTateLabel* source = form.Label("Source");
    TTateLabel* target = form.Label("Target");
    form.accept = false;
    QTest::mousePress(Window(), Qt::LeftButton, {}, CentreOf(source));
    QTest::mouseMove(Window(), CentreOf(target));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, CentreOf(target));
    EXPECT_EQ(form.drops, 0);
    EXPECT_EQ(form.ends, 1);
    EXPECT_EQ(form.endTarget, nullptr);

    // Started by code and ended without dropping.
    form.accept = true;
    source->BeginDrag(true);
    EXPECT_TRUE(source->Dragging());
    QTest::mouseMove(Window(), CentreOf(target));
    source->EndDrag(false);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(form.drops, 0);
    EXPECT_EQ(form.ends, 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A short press is a click, not a drag.
    QTest::mouseClick(Window(), Qt::LeftButton, {}, CentreOf(source));
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(form.ends, 2);
}

TEST_F(TateInterface, TargetDestroyedDuringTheDrag)
{
    TTateLabel* source = form.Label("Source");
    QTest::mousePress(Window(), Qt::LeftButton, {}, CentreOf(source));
    QTest::mouseMove(Window(), CentreOf(form.Label("Target")));
    delete form.Label("Target");
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, QPoint(140, 50));
    EXPECT_EQ(form.drops, 0);
    EXPECT_EQ(form.ends, 1);
    EXPECT_EQ(form.endTarget, nullptr);
}

const char* const kAlignedForm = R"(object AlignForm: TTateInterfaceForm
  ClientWidth = 200
  ClientHeight = 150
  object Top1: TTateLabel
    Height = 20
    Align = alTop
    AutoSize = False
    Caption = '上'
  end
  object Left1: TTateLabel
    Left = 50
    Top = 30
    Width = 30
    Align = alLeft
    AutoSize = False
    Caption = '左'
  end
  object Bottom1: TTateLabel
    Height = 25
    Align = alBottom
    AutoSize = False
    Caption = '下'
  end
  object Right1: TTateLabel
    Width = 40
    Align = alRight
    AutoSize = False
    Caption = '右'
  end
  object Client1: TTateLabel
    Align = alClient
    AutoSize = False
    Caption = '中'
  end
end
)";

struct Box {
    int left, top, width, height;
};
void ExpectBounds(TTateInterfaceForm& f, const char* name, Box b)
{
    TControl* c = f.Label(name);
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(c->Left(), b.left) << name;
    EXPECT_EQ(c->Top(), b.top) << name;
    EXPECT_EQ(c->Width(), b.width) << name;
    EXPECT_EQ(c->Height(), b.height) << name;
}

TEST(TateAlign, AlignedLabelsTakeTheirEdgesAndFollowResizing)
{
    TTateInterfaceForm form(kAlignedForm);
    ExpectBounds(form, "Top1", {0, 0, 200, 20});
    ExpectBounds(form, "Bottom1", {0, 125, 200, 25});
    ExpectBounds(form, "Left1", {0, 20, 30, 105});
    ExpectBounds(form, "Right1", {160, 20, 40, 105});
    ExpectBounds(form, "Client1", {30, 20, 130, 105});

    // The window made larger by the window system.
    form.Show();
    WidgetOf(&form)->resize(300, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Width() == 300 && form.Height() == 200; }, 10000));
    ExpectBounds(form, "Top1", {0, 0, 300, 20});
    ExpectBounds(form, "Bottom1", {0, 175, 300, 25});
    ExpectBounds(form, "Left1", {0, 20, 30, 155});
    ExpectBounds(form, "Right1", {260, 20, 40, 155});
    ExpectBounds(form, "Client1", {30, 20, 230, 155});

    // A hidden control gives its edge back; an aligned control's new size is kept.
    form.Label("Top1")->SetVisible(false);
    ExpectBounds(form, "Left1", {0, 0, 30, 175});
    form.Label("Left1")->SetWidth(50);
    ExpectBounds(form, "Left1", {0, 0, 50, 175});
    ExpectBounds(form, "Client1", {50, 0, 210, 175});
    form.Label("Right1")->SetAlign(alNone);
    ExpectBounds(form, "Client1", {50, 0, 250, 175});
}

TEST(TateAlign, AutoSizedVerticalLabelKeepsItsWidthOnTheLeftEdge)
{
    TTateInterfaceForm form(R"(object AlignForm: TTateInterfaceForm
  ClientWidth = 200
  ClientHeight = 150
  object Column: TTateLabel
    Left = 50
    Top = 30
    Align = alLeft
    Tategaki = True
    Caption = '縦書き'
  end
end
)");
    TTateLabel* l = form.Label("Column");
    EXPECT_EQ(l->Left(), 0);
    EXPECT_EQ(l->Top(), 0);
    EXPECT_EQ(l->Height(), 150);
    EXPECT_GT(l->Width(), 8);
    EXPECT_LT(l->Width(), 40);
}

}  // namespace
