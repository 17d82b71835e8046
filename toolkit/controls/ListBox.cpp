#include "toolkit/controls/ListBox.h"

#include "toolkit/controls/ControlProps.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QListWidget>
#include <QSignalBlocker>

#include <algorithm>

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

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner)
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

HWND TListBox::CreateWindowHandle(HWND parentWindow)
{
    auto* l = MakeWindow<QListWidget>(parentWindow);
    l->setFocusPolicy(Qt::StrongFocus);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setUniformItemSizes(true);
    MirrorItems();
    OnSignal(l, &QListWidget::currentRowChanged, [this](int row) { UserSelected(row); });
    // The double-clicked item is the selected one when OnDblClick runs.
    OnSignal(l, &QListWidget::itemDoubleClicked, [this, l](QListWidgetItem* item) {
        UserSelected(l->row(item));
        OnDblClick(this);
    });
    return HandleOfWidget(l);
}

void TListBox::MirrorItems()
{
    auto* l = WindowAs<QListWidget>();
    if (!l) return;
    QSignalBlocker block(l);
    l->clear();
    for (const AnsiString& s : FItems) l->addItem(QString::fromStdString(s.ToUtf8()));
    l->setCurrentRow(FItemIndex);
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
    if (auto* l = WindowAs<QListWidget>()) {
        QSignalBlocker block(l);
        l->insertItem(index, QString::fromStdString(text.ToUtf8()));
        l->setCurrentRow(FItemIndex);
    }
    return index;
}

void TListBox::Clear()
{
    if (FItems.empty()) return;
    FItems.clear();
    FItemIndex = -1;
    MirrorItems();
}

void TListBox::SetItemIndex(int value)
{
    if (value < -1 || value >= Count()) value = -1;
    if (value == FItemIndex) return;
    FItemIndex = value;
    if (auto* l = WindowAs<QListWidget>()) {
        QSignalBlocker block(l);
        l->setCurrentRow(value);
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
    MirrorItems();
}

void TListBox::UserSelected(int row)
{
    if (row == FItemIndex) return;
    FItemIndex = row < Count() ? row : -1;
    Click();
}
