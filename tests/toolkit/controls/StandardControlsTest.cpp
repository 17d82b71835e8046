// Push button, check box, list box, memo, progress bar and track bar: read from a form
// description, shown as real windows, and driven as a user would.
#include "tests/fixtures/FileDialogAnswer.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/CheckBox.h"
#include "toolkit/controls/ComCtrls.h"
#include "toolkit/controls/FileDialogs.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/ListBox.h"
#include "toolkit/controls/Memo.h"
#include "toolkit/controls/PushButton.h"
#include "toolkit/controls/StdCtrls.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"
#include "toolkit/system/Published.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace {

class TControlsForm : public TForm {
    TK_CLASS(TControlsForm)
public:
    using TForm::TForm;
    TButton* OkButton = nullptr;
    TCheckBox* Option = nullptr;
    TListBox* Names = nullptr;
    TMemo* Notes = nullptr;
    TProgressBar* Progress = nullptr;
    TTrackBar* Speed = nullptr;
    TEdit* Secret = nullptr;
    std::vector<std::string> calls;
    void OkClick(TObject*) { calls.push_back("ok"); }
    void OptionClick(TObject*) { calls.push_back(Option->Checked() ? "checked" : "unchecked"); }
    void NamesClick(TObject*) { calls.push_back("select " + std::to_string(Names->ItemIndex())); }
    void NamesDblClick(TObject*) { calls.push_back("open " + std::to_string(Names->ItemIndex())); }
    void SpeedChange(TObject*) { calls.push_back("speed " + std::to_string(Speed->Position())); }
};

}  // namespace

TK_CLASS_IMPL(TControlsForm, TForm, {
    PublishField(info, "OkButton", &TControlsForm::OkButton);
    PublishField(info, "Option", &TControlsForm::Option);
    PublishField(info, "Names", &TControlsForm::Names);
    PublishField(info, "Notes", &TControlsForm::Notes);
    PublishField(info, "Progress", &TControlsForm::Progress);
    PublishField(info, "Speed", &TControlsForm::Speed);
    PublishField(info, "Secret", &TControlsForm::Secret);
    PublishMethod(info, "OkClick", &TControlsForm::OkClick);
    PublishMethod(info, "OptionClick", &TControlsForm::OptionClick);
    PublishMethod(info, "NamesClick", &TControlsForm::NamesClick);
    PublishMethod(info, "NamesDblClick", &TControlsForm::NamesDblClick);
    PublishMethod(info, "SpeedChange", &TControlsForm::SpeedChange);
})

namespace {

const char* kControls = R"(object ControlsForm: TControlsForm
  Caption = 'Controls'
  ClientHeight = 300
  ClientWidth = 400
  object OkButton: TButton
    Left = 8
    Top = 8
    Width = 90
    Height = 25
    Caption = '了解'
    Default = True
    TabOrder = 0
    OnClick = OkClick
  end
  object Option: TCheckBox
    Left = 8
    Top = 40
    Width = 120
    Height = 20
    Caption = 'Passive'
    Checked = True
    TabOrder = 1
    OnClick = OptionClick
  end
  object Names: TListBox
    Left = 8
    Top = 70
    Width = 150
    Height = 100
    Sorted = True
    TabOrder = 2
    OnClick = NamesClick
    OnDblClick = NamesDblClick
  end
  object Notes: TMemo
    Left = 170
    Top = 70
    Width = 200
    Height = 100
    ReadOnly = True
    ScrollBars = ssVertical
    TabOrder = 3
    WordWrap = False
  end
  object Progress: TProgressBar
    Left = 8
    Top = 180
    Width = 300
    Height = 16
    Max = 1000
    Position = 250
    Step = 100
    TabOrder = 4
  end
  object Speed: TTrackBar
    Left = 8
    Top = 200
    Width = 300
    Height = 36
    Frequency = 100
    LineSize = 10
    Max = 1000
    Min = 1
    PageSize = 100
    Position = 700
    TabOrder = 5
    OnChange = SpeedChange
  end
  object Secret: TEdit
    Left = 8
    Top = 250
    Width = 100
    Height = 21
    PasswordChar = '*'
    TabOrder = 6
  end
end
)";

class StandardControls : public testing::Test {
protected:
    void SetUp() override
    {
        ReadComponentText(&form, kControls);
        form.Show();
        form.calls.clear();
    }
    TControlsForm form{nullptr};
};

TEST_F(StandardControls, DescriptionSetsEveryPropertyOnTheWindows)
{
    auto* ok = qobject_cast<QPushButton*>(WidgetOf(form.OkButton));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text().toStdString(), "了解");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), QRect(8, 8, 90, 25));
    auto* option = qobject_cast<QCheckBox*>(WidgetOf(form.Option));
    ASSERT_NE(option, nullptr);
    EXPECT_TRUE(option->isChecked());
    EXPECT_EQ(option->text().toStdString(), "Passive");
    EXPECT_TRUE(form.Names->Sorted());
    auto* notes = qobject_cast<QPlainTextEdit*>(WidgetOf(form.Notes));
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(notes->isReadOnly());
    EXPECT_EQ(notes->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(notes->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    auto* progress = qobject_cast<QProgressBar*>(WidgetOf(form.Progress));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->maximum(), 1000);
    EXPECT_EQ(progress->value(), 250);
    auto* speed = qobject_cast<QSlider*>(WidgetOf(form.Speed));
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->minimum(), 1);
    EXPECT_EQ(speed->maximum(), 1000);
    EXPECT_EQ(speed->value(), 700);
    EXPECT_EQ(speed->tickInterval(), 100);
    EXPECT_EQ(speed->pageStep(), 100);
    auto* secret = qobject_cast<QLineEdit*>(WidgetOf(form.Secret));
    ASSERT_NE(secret, nullptr);
    EXPECT_EQ(secret->echoMode(), QLineEdit::Password);

    // Written back, the description holds what was read (defaults left out).
    std::string text = WriteComponentText(&form);
    for (const char* line : {"Default = True", "Checked = True", "Sorted = True", "ScrollBars = ssVertical", "WordWrap = False",
                             "Position = 250", "Position = 700", "Frequency = 100", "PasswordChar = '*'"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("Step = "), text.find("Step = 100")) << "a default step is not stored";
}

TEST_F(StandardControls, ButtonAndCheckBoxClickAsTheUserDoes)
{
    QTest::mouseClick(WidgetOf(form.OkButton), Qt::LeftButton);
    form.OkButton->SetEnabled(false);
    QTest::mouseClick(WidgetOf(form.OkButton), Qt::LeftButton);  // disabled: no click
    form.OkButton->SetCaption(AnsiString("Later"));
    EXPECT_EQ(qobject_cast<QPushButton*>(WidgetOf(form.OkButton))->text().toStdString(), "Later");

    QTest::mouseClick(WidgetOf(form.Option), Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_FALSE(form.Option->Checked());
    form.Option->SetChecked(true);
    form.Option->SetChecked(true);  // no change, no click
    EXPECT_TRUE(qobject_cast<QCheckBox*>(WidgetOf(form.Option))->isChecked());
    EXPECT_EQ(form.calls, (std::vector<std::string>{"ok", "unchecked", "checked"}));
}

TEST_F(StandardControls, EditTextIsTheSameThroughEveryReaderAfterTyping)
{
    TEdit* edit = form.Secret;
    int changes = 0;
    edit->OnChange = TNotifyEvent([&changes](TObject*) { ++changes; }, nullptr, {});
    auto* line = qobject_cast<QLineEdit*>(WidgetOf(edit));
    ASSERT_NE(line, nullptr);
    line->setFocus();
    QTest::keyClicks(line, "abc");
    EXPECT_EQ(changes, 3);
    for (const AnsiString& read : {edit->Caption(), edit->Text(), edit->GetText()}) EXPECT_EQ(read, AnsiString("abc"));
    QTest::keyClick(line, Qt::Key_Backspace);
    EXPECT_EQ(edit->Caption(), AnsiString("ab"));
    EXPECT_NE(WriteComponentText(&form).find("Text = 'ab'"), std::string::npos) << "typed text is what is stored";

    edit->SetText("色"_ansi);
    EXPECT_EQ(line->text().toStdString(), "色");
    EXPECT_EQ(edit->Caption(), "色"_ansi);
    EXPECT_EQ(changes, 5);
    edit->SetText("色"_ansi);  // no change, no event
    EXPECT_EQ(changes, 5);
}

TEST_F(StandardControls, ListBoxKeepsItemsSortedAndReportsTheUsersChoice)
{
    TListBox* names = form.Names;
    for (const char* s : {"pear", "apple", "fig", "apple"}) names->Add(AnsiString(s));
    ASSERT_EQ(names->Count(), 4);
    EXPECT_EQ(names->Item(0), AnsiString("apple"));
    EXPECT_EQ(names->Item(3), AnsiString("pear"));
    EXPECT_THROW(names->Item(4), EInvalidOperation);
    EXPECT_THROW(names->Item(-1), EInvalidOperation);
    names->SetItemIndex(2);  // fig, by the program: no click
    names->Add(AnsiString("banana"));
    EXPECT_EQ(names->ItemIndex(), 3) << "the selection follows its item";
    EXPECT_EQ(names->Item(names->ItemIndex()), AnsiString("fig"));
    EXPECT_TRUE(form.calls.empty());

    auto* list = qobject_cast<QListWidget*>(WidgetOf(names));
    ASSERT_EQ(list->count(), 5);
    QRect second = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(names->ItemIndex(), 1);
    ASSERT_GE(form.calls.size(), 2u);
    EXPECT_EQ(form.calls.front(), "select 1");
    EXPECT_EQ(form.calls.back(), "open 1");

    names->Clear();
    EXPECT_EQ(names->Count(), 0);
    EXPECT_EQ(names->ItemIndex(), -1);
    EXPECT_EQ(list->count(), 0);
    names->SetItemIndex(5);  // out of range: none
    EXPECT_EQ(names->ItemIndex(), -1);
}

TEST(ListBox, SortingLaterKeepsTheSelectedItem)
{
    TListBox names(nullptr);
    for (const char* s : {"b", "a", "b", "a"}) names.Add(AnsiString(s));
    names.SetItemIndex(2);  // the second "b"
    names.SetSorted(true);
    EXPECT_EQ(names.ItemIndex(), 3);
    EXPECT_EQ(names.Item(0), AnsiString("a"));
}

TEST_F(StandardControls, MemoHoldsLinesBeforeAndAfterItsWindow)
{
    TMemo loose(nullptr);
    EXPECT_EQ(loose.LineCount(), 0);
    loose.Append(AnsiString("one"));
    loose.Append("二"_ansi);
    EXPECT_EQ(loose.LineCount(), 2);
    EXPECT_EQ(loose.Line(1), "二"_ansi);
    EXPECT_EQ(loose.GetText(), "one\n二"_ansi);
    EXPECT_THROW(loose.Line(2), EInvalidOperation);

    TMemo* notes = form.Notes;
    for (int i = 0; i < 200; ++i) notes->Append(AnsiString("line " + std::to_string(i)));
    EXPECT_EQ(notes->LineCount(), 200);
    EXPECT_EQ(notes->Line(199), AnsiString("line 199"));
    auto* edit = qobject_cast<QPlainTextEdit*>(WidgetOf(notes));
    QApplication::processEvents();
    EXPECT_EQ(edit->verticalScrollBar()->value(), edit->verticalScrollBar()->maximum()) << "the last line is in view";
    EXPECT_GT(edit->verticalScrollBar()->maximum(), 0);
    notes->Clear();
    EXPECT_EQ(notes->LineCount(), 0);
}

TEST_F(StandardControls, ProgressAndTrackBarsStayWithinTheirRange)
{
    TProgressBar* progress = form.Progress;
    struct Case {
        int set, expected;
    } cases[] = {{-5, 0}, {400, 400}, {5000, 1000}};
    for (Case c : cases) {
        progress->SetPosition(c.set);
        EXPECT_EQ(progress->Position(), c.expected) << c.set;
        EXPECT_EQ(qobject_cast<QProgressBar*>(WidgetOf(progress))->value(), c.expected) << c.set;
    }
    progress->SetPosition(950);
    progress->StepIt();
    EXPECT_EQ(progress->Position(), 0) << "past the end it starts again";
    progress->StepIt();
    EXPECT_EQ(progress->Position(), 100);
    EXPECT_THROW(progress->SetRange(10, 5), EInvalidOperation);
    progress->SetMax(50);
    EXPECT_EQ(progress->Position(), 50);

    TTrackBar* speed = form.Speed;
    speed->SetPosition(2000);
    EXPECT_EQ(speed->Position(), 1000);
    auto* slider = qobject_cast<QSlider*>(WidgetOf(speed));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);  // one line down
    EXPECT_EQ(speed->Position(), 990);
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(speed->Position(), 890);
    speed->SetMin(900);
    EXPECT_EQ(speed->Position(), 900);
    speed->SetPosition(900);  // no change, no event
    EXPECT_EQ(form.calls, (std::vector<std::string>{"speed 1000", "speed 990", "speed 890", "speed 900"}));
}

// A handler that throws, run from the window's signal: the exception box shows its message, and
// the control goes on (the next action runs the handler again, the user's change is kept).
TEST_F(StandardControls, AHandlersExceptionIsShownAndTheControlGoesOn)
{
    const TNotifyEvent refuse([](TObject*) { throw EInvalidOperation(AnsiString("refused")); }, nullptr, {});
    for (const char* s : {"apple", "fig", "pear"}) form.Names->Add(AnsiString(s));
    form.Notes->SetReadOnly(false);
    auto* list = qobject_cast<QListWidget*>(WidgetOf(form.Names));
    auto* slider = WidgetOf(form.Speed);
    const struct {
        const char* name;
        std::function<void()> arm;
        std::function<void(int attempt)> act;
        std::function<std::string()> state;
        std::string after;  // the state after two attempts
    } rows[] = {
        {"button", [&] { form.OkButton->OnClick = refuse; },
         [&](int) { QTest::mouseClick(WidgetOf(form.OkButton), Qt::LeftButton); }, [] { return std::string(); }, ""},
        {"check box", [&] { form.Option->OnClick = refuse; },
         [&](int) { QTest::mouseClick(WidgetOf(form.Option), Qt::LeftButton, {}, QPoint(6, 10)); },
         [&] { return std::string(form.Option->Checked() ? "checked" : "unchecked"); }, "checked"},
        {"edit box", [&] { form.Secret->OnChange = refuse; }, [&](int) { QTest::keyClicks(WidgetOf(form.Secret), "x"); },
         [&] { return form.Secret->Text().str(); }, "xx"},
        {"memo", [&] { form.Notes->OnChange = refuse; }, [&](int) { QTest::keyClicks(WidgetOf(form.Notes), "y"); },
         [&] { return form.Notes->GetText().str(); }, "yy"},
        {"list box", [&] { form.Names->OnClick = refuse; },
         [&](int attempt) {
             QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(attempt)).center());
         },
         [&] { return std::to_string(form.Names->ItemIndex()); }, "1"},
        {"track bar", [&] { form.Speed->OnChange = refuse; }, [&](int) { QTest::keyClick(slider, Qt::Key_Right); },
         [&] { return std::to_string(form.Speed->Position()); }, "720"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.arm();
        for (int attempt = 0; attempt < 2; ++attempt) {
            QString shown;
            ModalAnswerer answerer([&shown](QWidget* dialog) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                if (!box) return dialog->close(), void();
                shown = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            row.act(attempt);
            EXPECT_EQ(shown.toStdString(), "refused.") << "attempt " << attempt;
        }
        EXPECT_EQ(row.state(), row.after);
    }
}

TEST(FileDialogs, FiltersBecomeNameFilters)
{
    struct Case {
        const char* filter;
        std::vector<std::string> expected;
    } cases[] = {
        {"", {}},
        {"Text|*.txt", {"Text (*.txt)"}},
        {"Logs|*.log;*.txt|All|*.*", {"Logs (*.log *.txt)", "All (*)"}},
        {"Broken|", {}},
        {"Odd", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(FileDialogNameFilters(AnsiString(c.filter)), c.expected) << c.filter;
}

TEST(FileDialogs, ChosenPathComesBackAndCancelKeepsTheOldOne)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("tavin3-dialog-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "data.bin") << "x";
    struct Cleanup {
        fs::path dir;
        ~Cleanup() { fs::remove_all(dir); }
    } cleanup{dir};

    TOpenDialog open(nullptr);
    open.SetInitialDir(AnsiString::FromUtf8(dir.string()));
    open.SetTitle(AnsiString("Pick one"));
    std::string title;
    AnswerNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle().toStdString();
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        ChooseInFileDialog(dialog, (dir / "data.bin").string());
    });
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(title, "Pick one");
    EXPECT_EQ(open.FileName().ToUtf8(), (dir / "data.bin").string());

    TSaveDialog save(nullptr);
    save.SetFileName(AnsiString("kept.txt"));
    AnswerNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->reject();
    });
    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(save.FileName(), AnsiString("kept.txt"));
}

}  // namespace
