// The main window: its settings, and both conversions driven through real clicks, a real
// message box, the real colour dialog and the real clipboard.
#include "app/Unit2.h"
#include "tests/fixtures/DevicePixels.h"
#include "tests/fixtures/Grab.h"
#include "tests/fixtures/WaylandFrames.h"
#include "toolkit/controls/Application.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

QString Q(const AnsiString& s) { return QString::fromStdString(s.ToUtf8()); }

struct ShownMessage {
    QString caption;
    QString text;
    bool plain;         // no icon, a single OK button
    bool aboveTheForm;  // transient for the main window, so the window manager keeps it above
};

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm1(nullptr);
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window()));
    }
    void TearDown() override
    {
        // The last click repainted the window: its frame is answered before the window goes.
        if (form && form->HandleAllocated()) { EXPECT_TRUE(AwaitLastFrame(Window())); }
        delete form;
    }

    QWidget* Window() { return WidgetOf(form); }
    QLineEdit* LineEdit(TEdit* edit) { return qobject_cast<QLineEdit*>(WidgetOf(edit)); }

    void Click(TControl* button)
    {
        QPoint centre(button->Left() + button->Width() / 2, button->Top() + button->Height() / 2);
        QTest::mouseClick(Window(), Qt::LeftButton, {}, centre);
    }

    void Type(TEdit* edit, const QString& text)
    {
        QLineEdit* line = LineEdit(edit);
        line->setFocus();
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Delete);
        // Japanese text arrives committed by an input method, the rest as key presses.
        bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii) return QTest::keyClicks(line, text);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(line, &commit);
    }

    // Clicks the button and answers the message box it opens, if any, with OK.
    std::optional<ShownMessage> ClickAndAnswer(TControl* button)
    {
        std::optional<ShownMessage> shown;
        ModalAnswerer answerer([this, &shown](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            if (!box) return dialog->close(), void();
            const bool above = box->windowHandle() && box->windowHandle()->transientParent() == Window()->windowHandle();
            shown = ShownMessage{box->windowTitle(), box->text(),
                                 box->icon() == QMessageBox::NoIcon && box->buttons().size() == 1 && box->button(QMessageBox::Ok),
                                 above};
            box->button(QMessageBox::Ok)->click();
        });
        Click(button);  // returns once the box, if one opened, was answered
        return shown;
    }

    // Clicks 色を開く and answers the colour dialog; returns the colour it opened on.
    QColor PickColour(std::optional<QColor> pick)
    {
        QColor opened;
        ModalAnswerer answerer([&opened, pick](QWidget* dialog) {
            auto* colours = qobject_cast<QColorDialog*>(dialog);
            if (!colours) return dialog->close(), void();
            opened = colours->currentColor();
            if (!pick) return colours->reject();
            colours->setCurrentColor(*pick);
            colours->accept();
        });
        Click(form->FlatButton2);
        EXPECT_TRUE(answerer.Answered());
        return opened;
    }

    uint32_t SwatchPixel()
    {
        QImage image = GrabWindow(form);
        const QRect centre =
            GridOf(form).Of(form->Shape1->Left() + form->Shape1->Width() / 2, form->Shape1->Top() + form->Shape1->Height() / 2);
        return DevicePixelRef(image, centre.topLeft());
    }

    void ExpectComponents(const char* red, const char* green, const char* blue)
    {
        EXPECT_EQ(form->edtRed->Text().str(), red);
        EXPECT_EQ(form->edtGreen->Text().str(), green);
        EXPECT_EQ(form->edtBlue->Text().str(), blue);
    }

    TForm1* form = nullptr;
};

TEST_F(MainWindow, IsAFixedWindowOfTheDesignedSize)
{
    QWidget* w = Window();
    EXPECT_EQ(w->windowTitle(), "Tavin3");
    EXPECT_EQ(form->ClientWidth(), 152);
    EXPECT_EQ(form->ClientHeight(), 213);
    EXPECT_EQ(w->size(), QSize(152, 213));
    EXPECT_EQ(form->Left(), 202);
    EXPECT_EQ(form->Top(), 116);
    EXPECT_EQ(w->pos(), QPoint(202, 116));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    w->resize(300, 300);
    EXPECT_EQ(w->size(), QSize(152, 213));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(form->BorderStyle(), bsSingle);
    EXPECT_EQ(form->Color(), clBtnFace);
    EXPECT_EQ(form->Font()->Name().ToUtf8(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(form->Font()->Height(), -12);
    EXPECT_EQ(form->Font()->Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(form->Font()->Color(), clWindowText);
    EXPECT_EQ(form->Font()->Style(), 0u);
    EXPECT_EQ(form->PixelsPerInch(), 96);
    EXPECT_EQ(form->TextHeight(), 12);
}

TEST_F(MainWindow, ShowsTheApplicationIcon)
{
    QImage expected(QString(TAVIN3_SOURCE_DIR) + "/app/MAINICON.ico");
    ASSERT_EQ(expected.size(), QSize(32, 32));
    QImage shown = Window()->windowIcon().pixmap(32, 32).toImage();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
    QSet<QRgb> colours;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) colours.insert(expected.pixel(x, y) & 0xFFFFFF);
    EXPECT_LE(colours.size(), 16);
}

struct Placement {
    const char* name;
    const char* className;
    int left, top, width, height;  // height -1: the label sizes itself to the installed font
    const char* caption;           // caption or text, UTF-8
};

TEST_F(MainWindow, PlacesEveryControlAsDesigned)
{
    // clang-format off
    const Placement controls[] = {
        {"Shape1", "TShape", 80, 72, 65, 73, ""},
        {"Label1", "TLabel", 24, 76, 12, -1, "赤"},
        {"Label2", "TLabel", 24, 100, 12, -1, "緑"},
        {"Label3", "TLabel", 24, 124, 12, -1, "青"},
        {"Bevel1", "TBevel", 8, 152, 137, 9, ""},
        {"FlatButton2", nullptr, 80, 8, 65, 25, "色を開く"},
        {"Button1", nullptr, 80, 40, 65, 25, "色分解"},
        {"FlatButton1", nullptr, 80, 160, 65, 25, "終了"},
        {"FlatEdit1", "TEdit", 8, 8, 65, 23, "#000000"},
        {"Edit1", "TEdit", 8, 40, 65, 23, "000000"},
        {"edtRed", "TEdit", 40, 72, 33, 23, "0"},
        {"edtGreen", "TEdit", 40, 96, 33, 23, "0"},
        {"edtBlue", "TEdit", 40, 120, 33, 23, "0"},
        {"UrlShowPanel1", nullptr, 5, 190, 140, 19, nullptr},
    };
    // clang-format on
    for (const Placement& p : controls) {
        SCOPED_TRACE(p.name);
        auto* c = dynamic_cast<TControl*>(form->FindComponent(AnsiString(p.name)));
        ASSERT_NE(c, nullptr);
        if (p.className) { EXPECT_EQ(c->ClassName(), p.className); }
        EXPECT_EQ(c->Parent(), form);
        EXPECT_EQ(c->Left(), p.left);
        EXPECT_EQ(c->Top(), p.top);
        EXPECT_EQ(c->Width(), p.width);
        if (p.height >= 0) { EXPECT_EQ(c->Height(), p.height); }
        if (p.caption) { EXPECT_EQ(c->GetText().ToUtf8(), p.caption); }
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            EXPECT_EQ(WidgetOf(w)->geometry(), QRect(p.left, p.top, p.width, p.height));
        }
    }
    EXPECT_EQ(form->Bevel1->Shape(), bsTopLine);
    EXPECT_EQ(form->Shape1->Brush()->Color(), clWhite);
    EXPECT_EQ(form->Shape1->Pen()->Color(), clBlack);
    EXPECT_EQ(form->Shape1->Pen()->Width(), 1);
    EXPECT_EQ(form->ColorDialog1->Options(), (1u << cdFullOpen) | (1u << cdPreventFullOpen));
    EXPECT_TRUE(form->ColorDialog1->Ctl3D());
    EXPECT_EQ(form->ComponentCount(), 16);  // with the background painter
}

struct FontCase {
    const char* name;
    const char* face;
    int height;
    TColor colour;
    int charset;
    TColor background;  // clNone: not a windowed control
};

TEST_F(MainWindow, ControlsCarryTheirFontsAndColours)
{
    const FontCase fonts[] = {
        {"Label1", "ＭＳ Ｐゴシック", -12, clWindowText, SHIFTJIS_CHARSET, clNone},
        {"FlatButton2", "ＭＳ Ｐゴシック", -12, clBlack, SHIFTJIS_CHARSET, clNone},
        {"Button1", "ＭＳ Ｐゴシック", -12, clBlack, SHIFTJIS_CHARSET, clNone},
        {"FlatButton1", "ＭＳ Ｐゴシック", -12, clBlack, SHIFTJIS_CHARSET, clNone},
        {"FlatEdit1", "ＭＳ ゴシック", -15, clWindowText, SHIFTJIS_CHARSET, clSilver},
        {"Edit1", "ＭＳ ゴシック", -15, clWindowText, SHIFTJIS_CHARSET, clWhite},
        {"edtRed", "ＭＳ ゴシック", -15, clRed, DEFAULT_CHARSET, clWhite},
        {"edtGreen", "ＭＳ ゴシック", -15, clGreen, DEFAULT_CHARSET, clWhite},
        {"edtBlue", "ＭＳ ゴシック", -15, clBlue, DEFAULT_CHARSET, clWhite},
    };
    for (const FontCase& f : fonts) {
        SCOPED_TRACE(f.name);
        auto* c = dynamic_cast<TControl*>(form->FindComponent(AnsiString(f.name)));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Font()->Name().ToUtf8(), f.face);
        EXPECT_EQ(c->Font()->Height(), f.height);
        EXPECT_EQ(c->Font()->Color(), f.colour);
        EXPECT_EQ(c->Font()->Charset(), f.charset);
        if (f.background != clNone) { EXPECT_EQ(c->Color(), f.background); }
    }
    for (TLabel* label : {form->Label1, form->Label2, form->Label3}) {
        EXPECT_TRUE(label->ParentFont());
        EXPECT_TRUE(label->Transparent());
    }
    EXPECT_EQ(form->UrlShowPanel1->Color(), 16744448);
    EXPECT_EQ(form->UrlShowPanel1->Hint().ToUtf8(), "ミルゾホームページへ！");
}

TEST_F(MainWindow, FormCreateShowsThePanelsHintOnly)
{
    EXPECT_TRUE(form->UrlShowPanel1->ShowHint());
    EXPECT_FALSE(form->ShowHint());
}

TEST_F(MainWindow, TabWalksTheEditBoxesInOrder)
{
    Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    form->FlatEdit1->SetFocus();
    const TEdit* expected[] = {form->Edit1, form->edtRed, form->edtGreen, form->edtBlue, form->FlatEdit1};
    for (const TEdit* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), WidgetOf(const_cast<TEdit*>(next))) << next->Name().str();
    }
}

TEST_F(MainWindow, StartsWithZerosAndAWhiteSwatch)
{
    EXPECT_EQ(form->FlatEdit1->Text().str(), "#000000");
    EXPECT_EQ(form->Edit1->Text().str(), "000000");
    ExpectComponents("0", "0", "0");
    EXPECT_EQ(SwatchPixel(), 0xFFFFFFu);
    QImage image = GrabWindow(form);
    EXPECT_EQ(PixelRef(image, form->Shape1->Left(), form->Shape1->Top()), 0x000000u);  // the pen
}

TEST_F(MainWindow, LabelsDrawTheirGlyphsInTheResolvedJapaneseFaces)
{
    // The faces the form names resolve to the installed Japanese ones.
    EXPECT_EQ(QFontInfo(Window()->font()).family(), "IPAPGothic");
    EXPECT_EQ(QFontInfo(LineEdit(form->Edit1)->font()).family(), "IPAGothic");

    // Each caption's glyphs: what the label's box shows beyond the picture behind it.
    const QImage withText = GrabWindow(form);
    for (TLabel* label : {form->Label1, form->Label2, form->Label3}) label->SetVisible(false);
    const QImage behind = GrabWindow(form);
    for (TLabel* label : {form->Label1, form->Label2, form->Label3}) {
        SCOPED_TRACE(label->Name().str());
        int ink = 0, darkInk = 0;
        for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
            for (int x = label->Left(); x < label->Left() + label->Width(); ++x) {
                const QRgb shown = withText.pixel(x, y);
                if (shown == behind.pixel(x, y)) continue;
                ++ink;
                darkInk += qGray(shown) < qGray(behind.pixel(x, y));  // clWindowText: black glyphs
            }
        // A 12-pixel kanji covers a good part of its box; an empty caption would leave none.
        EXPECT_GT(ink, 20);
        EXPECT_GT(darkInk, ink * 3 / 4);
    }
}

TEST_F(MainWindow, DecomposesTheTypedCode)
{
    Type(form->Edit1, "FF8000");
    EXPECT_FALSE(ClickAndAnswer(form->Button1));
    ExpectComponents("255", "128", "0");
    EXPECT_EQ(form->Shape1->Brush()->Color(), 0x0080FF);
    EXPECT_EQ(SwatchPixel(), 0x0080FFu);
    EXPECT_EQ(form->FlatEdit1->Text().str(), "#000000");

    Type(form->Edit1, "-10000");
    EXPECT_FALSE(ClickAndAnswer(form->Button1));
    ExpectComponents("-1", "0", "0");
    EXPECT_EQ(SwatchPixel(), 0x0000FFu);
}

struct WrongInput {
    QString typed;
    const char* message;
};

TEST_F(MainWindow, WrongInputIsAnsweredAndChangesNothing)
{
    Type(form->Edit1, "FF8000");
    ClickAndAnswer(form->Button1);
    // clang-format off
    const WrongInput inputs[] = {
        {"", "6桁の16進数で入力"},       {"12345", "6桁の16進数で入力"}, {"#FF8000", "6桁の16進数で入力"},
        {"#FF800", "入力間違い"},        {"GG0000", "入力間違い"},       {QString::fromUtf8("赤緑青"), "入力間違い"},
        {QString::fromUtf8("赤緑青x"), "6桁の16進数で入力"},
    };
    // clang-format on
    for (const WrongInput& input : inputs) {
        SCOPED_TRACE(input.typed.toStdString());
        Type(form->Edit1, input.typed);
        std::optional<ShownMessage> shown = ClickAndAnswer(form->Button1);
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->text.toStdString(), input.message);
        EXPECT_EQ(shown->caption, Q(Application->Title()));
        EXPECT_TRUE(shown->plain);
        EXPECT_TRUE(shown->aboveTheForm);
        EXPECT_EQ(LineEdit(form->Edit1)->text(), input.typed);
        ExpectComponents("255", "128", "0");
        EXPECT_EQ(SwatchPixel(), 0x0080FFu);
    }
}

TEST_F(MainWindow, PickedColourIsWrittenAndCopied)
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText("before");
    EXPECT_EQ(PickColour(QColor(255, 0, 0)), QColor(0, 0, 0));  // opens on black the first time
    EXPECT_EQ(form->FlatEdit1->Text().str(), "#FF0000");
    EXPECT_EQ(clipboard->text(), "#FF0000");
    ExpectComponents("0", "0", "0");
    EXPECT_EQ(SwatchPixel(), 0xFFFFFFu);

    clipboard->setText("kept");
    EXPECT_EQ(PickColour(std::nullopt), QColor(255, 0, 0));  // reopens on the last pick; cancelled
    EXPECT_EQ(form->FlatEdit1->Text().str(), "#FF0000");
    EXPECT_EQ(clipboard->text(), "kept");

    EXPECT_EQ(PickColour(QColor(0, 0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(form->FlatEdit1->Text().str(), "#000000");
    EXPECT_EQ(clipboard->text(), "#000000");
}

TEST_F(MainWindow, ExitButtonClosesTheWindow)
{
    int closes = 0;
    struct Watch : TObject {
        int* n;
        void Closed(TObject*, TCloseAction&) { ++*n; }
    } watch;
    watch.n = &closes;
    form->OnClose = TCloseEvent(&watch, &Watch::Closed);
    Click(form->FlatButton1);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(Window()->isVisible());
}

// On a Wayland compositor (the run puts the tests on a private one): what other programs and the
// compositor see. Elsewhere they have nothing to check.
class MainWindowOnWayland : public MainWindow {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != "wayland") GTEST_SKIP() << "not on Wayland";
        MainWindow::SetUp();
    }

    // Runs a tool against the compositor while this program goes on answering it (the clipboard
    // is served from here); its output, or nullopt when it fails (a failure of the test unless
    // it may) or does not end.
    static std::optional<QString> Tool(const QString& program, const QStringList& arguments, bool mayFail = false)
    {
        QProcess tool;
        tool.start(program, arguments);
        if (!tool.waitForStarted(10000)) return std::nullopt;
        if (!QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 20000)) {
            tool.kill();
            tool.waitForFinished();
            return std::nullopt;
        }
        if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
            if (!mayFail) ADD_FAILURE() << program.toStdString() << ": " << tool.readAllStandardError().toStdString();
            return std::nullopt;
        }
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    // The compositor's node of the focused window, and whether it floats above the tiled ones.
    static std::optional<std::pair<QJsonObject, bool>> FocusedNode()
    {
        std::optional<QString> tree = Tool("swaymsg", {"-r", "-t", "get_tree"});
        if (!tree) return std::nullopt;
        std::optional<std::pair<QJsonObject, bool>> found;
        std::function<void(const QJsonObject&, bool)> walk = [&](const QJsonObject& node, bool floating) {
            if (node["focused"].toBool() && node["type"].toString().endsWith("con")) found = {node, floating};
            for (const QJsonValue child : node["nodes"].toArray()) walk(child.toObject(), floating);
            for (const QJsonValue child : node["floating_nodes"].toArray()) walk(child.toObject(), true);
        };
        walk(QJsonDocument::fromJson(tree->toUtf8()).object(), false);
        return found;
    }
};

TEST_F(MainWindowOnWayland, WrongCodesBoxFloatsAboveTheWindow)
{
    Type(form->Edit1, "GG0000");
    std::optional<std::pair<QJsonObject, bool>> box;
    ModalAnswerer answerer([&box](QWidget* dialog) {
        // The compositor shows the box once it has been mapped.
        (void)QTest::qWaitFor(
            [&] { return (box = FocusedNode()) && box->first["name"].toString() == dialog->windowTitle() && box->second; },
            10000);
        qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Ok)->click();
    });
    Click(form->Button1);
    ASSERT_TRUE(answerer.Answered());
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->second) << "the box is tiled beside the window, not above it";
    EXPECT_EQ(box->first["name"].toString(), Q(Application->Title()));
    EXPECT_EQ(box->first["visible"].toBool(), true);
}

TEST_F(MainWindowOnWayland, TypedThroughTheCompositorAndPickedCodeReachesOtherPrograms)
{
    // Keys from a virtual keyboard the compositor delivers to the focused window; a program may
    // only take the clipboard after input of its own.
    // The keys of a keyboard that has just appeared may come before this program has taken it
    // up: one is held open throughout (the clipboard is taken with its input), and the typing
    // is tried again should keys still be lost.
    QProcess held;
    held.start("wtype", {"-s", "600000", "-k", "Shift_L"});
    ASSERT_TRUE(held.waitForStarted(10000));
    form->Edit1->SetFocus();
    bool typed = false;
    for (int attempt = 0; attempt < 5 && !typed; ++attempt) {
        LineEdit(form->Edit1)->clear();
        ASSERT_TRUE(Tool("wtype", {"FF8000"}));
        typed = QTest::qWaitFor([&] { return LineEdit(form->Edit1)->text() == "FF8000"; }, 5000);
    }
    ASSERT_TRUE(typed) << LineEdit(form->Edit1)->text().toStdString();
    Click(form->Button1);
    ExpectComponents("255", "128", "0");
    EXPECT_EQ(SwatchPixel(), 0x0080FFu);

    PickColour(QColor(0x12, 0xAB, 0xEF));
    EXPECT_EQ(form->FlatEdit1->Text().str(), "#12ABEF");
    // The compositor takes the selection once it has read this program's offer, which may come
    // after a tool has asked.
    std::optional<QString> pasted;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (pasted = Tool("wl-paste", {"--no-newline"}, true)) == QString("#12ABEF"); }, 15000))
        << (pasted ? pasted->toStdString() : std::string("wl-paste found no selection"));
    held.kill();
    held.waitForFinished();
}

}  // namespace
