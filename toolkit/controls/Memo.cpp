#include "toolkit/controls/Memo.h"

#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

TK_CLASS_IMPL(TMemo, TWinControl, {
    info.Create = CreatorOf<TMemo>();
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(ControlProps::Color());
    info.Props.back().Stored = TStoredRule::Default;
    info.Props.back().Default = clWindow;
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(ControlProps::ParentColor());
    info.Props.back().Default = 0;
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(Prop::Boolean("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly, 0));
    info.Props.push_back(Prop::Enumeration("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, &TMemo::ScrollBars,
                                           &TMemo::SetScrollBars, ssNone));
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(Prop::Boolean("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap, 1));
    info.Props.push_back(Prop::Event("OnChange", &TMemo::OnChange));
})

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner)
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 185, 89);
}

HWND TMemo::CreateWindowHandle(HWND parentWindow)
{
    auto* e = MakeWindow<QPlainTextEdit>(parentWindow);
    e->setFocusPolicy(Qt::StrongFocus);
    e->setPlainText(QString::fromStdString(FText));
    ApplyOptions();
    OnSignal(e, &QPlainTextEdit::textChanged, [this] { OnChange(this); });
    return HandleOfWidget(e);
}

void TMemo::ApplyOptions()
{
    auto* e = WindowAs<QPlainTextEdit>();
    if (!e) return;
    e->setReadOnly(FReadOnly);
    e->setLineWrapMode(FWordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    bool horizontal = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    bool vertical = FScrollBars == ssVertical || FScrollBars == ssBoth;
    e->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

AnsiString TMemo::GetText() const
{
    auto* e = WindowAs<QPlainTextEdit>();
    return AnsiString::FromUtf8(e ? e->toPlainText().toStdString() : FText);
}

void TMemo::SetText(const AnsiString& value)
{
    std::string utf8 = value.ToUtf8();
    if (auto* e = WindowAs<QPlainTextEdit>()) {
        if (e->toPlainText().toStdString() != utf8) e->setPlainText(QString::fromStdString(utf8));
    } else if (utf8 != FText) {
        FText = utf8;
        OnChange(this);
    }
}

int TMemo::LineCount() const
{
    if (auto* e = WindowAs<QPlainTextEdit>()) return e->toPlainText().isEmpty() ? 0 : e->document()->blockCount();
    if (FText.empty()) return 0;
    return 1 + static_cast<int>(std::count(FText.begin(), FText.end(), '\n'));
}

AnsiString TMemo::Line(int index) const
{
    if (index < 0 || index >= LineCount())
        throw EInvalidOperation(AnsiString("Line index out of bounds (" + std::to_string(index) + ")"));
    if (auto* e = WindowAs<QPlainTextEdit>())
        return AnsiString::FromUtf8(e->document()->findBlockByNumber(index).text().toStdString());
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) start = FText.find('\n', start) + 1;
    std::size_t end = FText.find('\n', start);
    return AnsiString::FromUtf8(FText.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

void TMemo::Append(const AnsiString& line)
{
    std::string utf8 = line.ToUtf8();
    if (auto* e = WindowAs<QPlainTextEdit>()) {
        e->appendPlainText(QString::fromStdString(utf8));
        e->verticalScrollBar()->setValue(e->verticalScrollBar()->maximum());
        return;
    }
    if (!FText.empty()) FText += '\n';
    FText += utf8;
    OnChange(this);
}

void TMemo::SetReadOnly(bool value)
{
    if (value == FReadOnly) return;
    FReadOnly = value;
    ApplyOptions();
}

void TMemo::SetScrollBars(TScrollStyle value)
{
    if (value == FScrollBars) return;
    FScrollBars = value;
    ApplyOptions();
}

void TMemo::SetWordWrap(bool value)
{
    if (value == FWordWrap) return;
    FWordWrap = value;
    ApplyOptions();
}
