#include "toolkit/controls/Memo.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

class TMemoPrivate {
public:
    QPointer<QPlainTextEdit> edit;
    std::string text;  // UTF-8, while there is no window
};

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

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), d(std::make_unique<TMemoPrivate>())
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo()
{
    if (d->edit) QObject::disconnect(d->edit, nullptr, nullptr, nullptr);
}

HWND TMemo::CreateWindowHandle(HWND parentWindow)
{
    auto* e = new QPlainTextEdit(WidgetFromHandle(parentWindow));
    e->setFocusPolicy(Qt::StrongFocus);
    e->setPlainText(QString::fromStdString(d->text));
    d->edit = e;
    ApplyOptions();
    QObject::connect(e, &QPlainTextEdit::textChanged, e, [this] { Application->Guard([this] { OnChange(this); }); });
    return HandleOfWidget(e);
}

void TMemo::ApplyOptions()
{
    QPlainTextEdit* e = d->edit;
    if (!e) return;
    e->setReadOnly(FReadOnly);
    e->setLineWrapMode(FWordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    bool horizontal = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    bool vertical = FScrollBars == ssVertical || FScrollBars == ssBoth;
    e->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

AnsiString TMemo::GetText() const { return AnsiString::FromUtf8(d->edit ? d->edit->toPlainText().toStdString() : d->text); }

void TMemo::SetText(const AnsiString& value)
{
    std::string utf8 = value.ToUtf8();
    if (d->edit) {
        if (d->edit->toPlainText().toStdString() != utf8) d->edit->setPlainText(QString::fromStdString(utf8));
    } else if (utf8 != d->text) {
        d->text = utf8;
        OnChange(this);
    }
}

int TMemo::LineCount() const
{
    if (d->edit) return d->edit->toPlainText().isEmpty() ? 0 : d->edit->document()->blockCount();
    if (d->text.empty()) return 0;
    return 1 + static_cast<int>(std::count(d->text.begin(), d->text.end(), '\n'));
}

AnsiString TMemo::Line(int index) const
{
    if (index < 0 || index >= LineCount())
        throw EInvalidOperation(AnsiString("Line index out of bounds (" + std::to_string(index) + ")"));
    if (d->edit) return AnsiString::FromUtf8(d->edit->document()->findBlockByNumber(index).text().toStdString());
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) start = d->text.find('\n', start) + 1;
    std::size_t end = d->text.find('\n', start);
    return AnsiString::FromUtf8(d->text.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

void TMemo::Append(const AnsiString& line)
{
    std::string utf8 = line.ToUtf8();
    if (d->edit) {
        d->edit->appendPlainText(QString::fromStdString(utf8));
        d->edit->verticalScrollBar()->setValue(d->edit->verticalScrollBar()->maximum());
        return;
    }
    if (!d->text.empty()) d->text += '\n';
    d->text += utf8;
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
