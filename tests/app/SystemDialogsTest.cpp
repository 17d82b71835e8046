// The system dialogs as the user meets them: the colour dialog in the user's language, and the
// plain message box.
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Application.h"
#include "toolkit/controls/Dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

namespace {

struct DialogTexts {
    QStringList buttons;
    QStringList labels;
    QString title;
};

// Opens the colour dialog, keeps its texts and cancels it.
DialogTexts ColourDialogTexts()
{
    DialogTexts texts;
    AnswerNextModal(
        [&texts](QWidget* dialog) {
            texts.title = dialog->windowTitle();
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->isVisible()) texts.buttons << button->text().remove(QLatin1Char('&'));
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->isVisible() && !label->text().isEmpty()) texts.labels << label->text();
            if (auto* colours = qobject_cast<QColorDialog*>(dialog)) colours->reject();
            else dialog->close();
        },
        20000);
    TColorDialog dialog(nullptr);
    EXPECT_FALSE(dialog.Execute());
    return texts;
}

// Leaves the locale and Qt's translations as the other tests expect them.
class SystemLanguage : public testing::Test {
protected:
    void UseLocale(const QLocale& locale)
    {
        QLocale::setDefault(locale);
        Application->Initialize();  // the GUI application exists already: only the translations load
    }
    void TearDown() override { UseLocale(QLocale::c()); }
};

TEST_F(SystemLanguage, ColourDialogSpeaksJapaneseUnderAJapaneseLocale)
{
    UseLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    DialogTexts texts = ColourDialogTexts();
    EXPECT_TRUE(texts.buttons.contains(QStringLiteral("キャンセル"))) << texts.buttons.join(u'|').toStdString();
    EXPECT_FALSE(texts.buttons.contains(QStringLiteral("Cancel"))) << texts.buttons.join(u'|').toStdString();
    EXPECT_TRUE(texts.buttons.contains(QStringLiteral("OK")));
    EXPECT_NE(texts.title, QStringLiteral("Select Color"));
    EXPECT_TRUE(texts.labels.filter(QStringLiteral("基本カラー")).size() == 1) << texts.labels.join(u'|').toStdString();
}

TEST_F(SystemLanguage, AnotherLocaleReplacesTheTranslations)
{
    UseLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    UseLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    DialogTexts texts = ColourDialogTexts();
    EXPECT_TRUE(texts.buttons.contains(QStringLiteral("Cancel"))) << texts.buttons.join(u'|').toStdString();
    EXPECT_EQ(texts.title, QStringLiteral("Select Color"));
}

struct ShownBox {
    QString title, text;
    QList<QAbstractButton*> buttons;
    bool buttonHasIcon = true;
    QString buttonText;
    QRect box, label, button, textRect;
    Qt::Alignment alignment;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::Warning;
};

ShownBox ShowMessage(const char* text, const char* caption)
{
    ShownBox shown;
    AnswerNextModal(
        [&shown](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_TRUE(box);
            shown.title = box->windowTitle();
            shown.text = box->text();
            shown.icon = box->icon();
            shown.buttons = box->buttons();
            shown.box = box->rect();
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_TRUE(label);
            shown.label = QRect(label->mapTo(box, QPoint(0, 0)), label->size());
            shown.alignment = label->alignment();
            shown.format = label->textFormat();
            QRect inside = label->contentsRect();
            QSize used =
                label->fontMetrics().boundingRect(inside, int(label->alignment() | Qt::TextWordWrap), label->text()).size();
            // Where the text lies: its box, placed in the label as the label aligns it.
            QRect text = QStyle::alignedRect(Qt::LeftToRight, label->alignment(), used, inside);
            shown.textRect = text.translated(label->mapTo(box, QPoint(0, 0)));
            if (shown.buttons.size() == 1) {
                QAbstractButton* ok = shown.buttons.front();
                shown.buttonHasIcon = !ok->icon().isNull();
                shown.buttonText = ok->text();
                shown.button = QRect(ok->mapTo(box, QPoint(0, 0)), ok->size());
            }
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
            else box->close();
        },
        20000);
    EXPECT_EQ(Application->MessageBox(AnsiString::FromUtf8(text), AnsiString::FromUtf8(caption)), IDOK);
    return shown;
}

TEST(PlainMessageBox, OneOkButtonWithoutIconsAndTheTextCentredWithEvenMargins)
{
    for (const char* text : {"入力間違い", "6桁の16進数で入力", "A rather longer message that still fits on one line."}) {
        SCOPED_TRACE(text);
        ShownBox shown = ShowMessage(text, "Tavin3");
        EXPECT_EQ(shown.title, QStringLiteral("Tavin3"));
        EXPECT_EQ(shown.text, QString::fromUtf8(text));
        EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
        ASSERT_EQ(shown.buttons.size(), 1);
        EXPECT_FALSE(shown.buttonHasIcon);
        EXPECT_EQ(shown.buttonText.remove(QLatin1Char('&')), QStringLiteral("OK"));
        EXPECT_TRUE(shown.alignment & Qt::AlignHCenter);
        const int left = shown.textRect.left(), right = shown.box.width() - 1 - shown.textRect.right();
        EXPECT_LE(std::abs(left - right), 2) << "text margins " << left << " and " << right;
        EXPECT_GT(left, 0);
        const int buttonLeft = shown.button.left(), buttonRight = shown.box.width() - 1 - shown.button.right();
        EXPECT_LE(std::abs(buttonLeft - buttonRight), 2) << "button margins " << buttonLeft << " and " << buttonRight;
    }
}

TEST(PlainMessageBox, MarkupIsShownAsWritten)
{
    // Messages may carry a server's reply line; it is text, not markup.
    ShownBox shown = ShowMessage("550 <b>no</b> such file", "Tavin3");
    EXPECT_EQ(shown.text, QStringLiteral("550 <b>no</b> such file"));
    EXPECT_EQ(shown.format, Qt::PlainText);
}

}  // namespace
