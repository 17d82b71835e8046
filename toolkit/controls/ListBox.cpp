#include "toolkit/controls/ListBox.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QListWidget>
#include <QPointer>
#include <QSignalBlocker>

#include <algorithm>

class TListBoxPrivate {
public:
    QPointer<QListWidget> list;

    // Shows items and selection as the control holds them, without telling the control back.
    void Mirror(const std::vector<AnsiString>& items, int index)
    {
        if (!list) return;
        QSignalBlocker block(list);
        list->clear();
        for (const AnsiString& s : items) list->addItem(QString::fromStdString(s.ToUtf8()));
        list->setCurrentRow(index);
    }
};

TK_CLASS_IMPL(TListBox, TWinControl, {
    info.Create = CreatorOf<TListBox>();
    info.Props.push_back(ControlProps::Align());
    info.Props.push_back(ControlProps::Color());
    info.Props.back().Stored = TStoredRule::Default;
    info.Props.back().Default = clWindow;
    info.Props.push_back(ControlProps::Enabled());
    info.Props.push_back(ControlProps::Font());
    info.Props.push_back(ControlProps::ParentColor());
    info.Props.back().Default = 0;
    info.Props.push_back(ControlProps::ParentFont());
    info.Props.push_back(ControlProps::ParentShowHint());
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(Prop::Boolean("Sorted", &TListBox::Sorted, &TListBox::SetSorted, 0));
    info.Props.push_back(ControlProps::TabOrder());
    info.Props.push_back(ControlProps::Visible());
    info.Props.push_back(ControlProps::OnClick());
    info.Props.push_back(ControlProps::OnDblClick());
})

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner), d(std::make_unique<TListBoxPrivate>())
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox()
{
    if (d->list) QObject::disconnect(d->list, nullptr, nullptr, nullptr);
}

HWND TListBox::CreateWindowHandle(HWND parentWindow)
{
    auto* l = new QListWidget(WidgetFromHandle(parentWindow));
    l->setFocusPolicy(Qt::StrongFocus);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setUniformItemSizes(true);
    d->list = l;
    d->Mirror(FItems, FItemIndex);
    QObject::connect(l, &QListWidget::currentRowChanged, l, [this](int row) { Application->Guard([&] { UserSelected(row); }); });
    // The double-clicked item is the selected one when OnDblClick runs.
    QObject::connect(l, &QListWidget::itemDoubleClicked, l, [this, l](QListWidgetItem* item) {
        Application->Guard([&] {
            UserSelected(l->row(item));
            OnDblClick(this);
        });
    });
    return HandleOfWidget(l);
}

const AnsiString& TListBox::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw EInvalidOperation(AnsiString("List index out of bounds (" + std::to_string(index) + ")"));
    return FItems[static_cast<std::size_t>(index)];
}

int TListBox::Add(const AnsiString& text)
{
    auto at = FSorted ? std::upper_bound(FItems.begin(), FItems.end(), text) : FItems.end();
    int index = static_cast<int>(at - FItems.begin());
    FItems.insert(at, text);
    if (FItemIndex >= index) ++FItemIndex;
    if (d->list) {
        QSignalBlocker block(d->list);
        d->list->insertItem(index, QString::fromStdString(text.ToUtf8()));
        d->list->setCurrentRow(FItemIndex);
    }
    return index;
}

void TListBox::Clear()
{
    if (FItems.empty()) return;
    FItems.clear();
    FItemIndex = -1;
    d->Mirror(FItems, FItemIndex);
}

void TListBox::SetItemIndex(int value)
{
    if (value < -1 || value >= Count()) value = -1;
    if (value == FItemIndex) return;
    FItemIndex = value;
    if (d->list) {
        QSignalBlocker block(d->list);
        d->list->setCurrentRow(value);
    }
}

void TListBox::SetSorted(bool value)
{
    if (value == FSorted) return;
    FSorted = value;
    if (!value) return;
    AnsiString selected = FItemIndex >= 0 ? FItems[static_cast<std::size_t>(FItemIndex)] : AnsiString();
    int rank = 0;  // which of several equal texts was selected
    for (int i = 0; i < FItemIndex; ++i) rank += FItems[static_cast<std::size_t>(i)] == selected;
    std::stable_sort(FItems.begin(), FItems.end());
    if (FItemIndex >= 0)
        FItemIndex = static_cast<int>(std::lower_bound(FItems.begin(), FItems.end(), selected) - FItems.begin()) + rank;
    d->Mirror(FItems, FItemIndex);
}

void TListBox::UserSelected(int row)
{
    if (row == FItemIndex) return;
    FItemIndex = row < Count() ? row : -1;
    Click();
}
