#include "toolkit/controls/Menus.h"

#include "toolkit/controls/Application.h"
#include "toolkit/system/Published.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <algorithm>
#include <unordered_set>

namespace {
// Items that exist: an open menu may outlive the item one of its entries stands for.
std::unordered_set<TMenuItem*>& LiveItems()
{
    static std::unordered_set<TMenuItem*> items;
    return items;
}
}  // namespace

TK_CLASS_IMPL(TMenuItem, TComponent, {
    info.Create = CreatorOf<TMenuItem>();
    info.Props.push_back(Prop::Text("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption));
    info.Props.push_back(Prop::Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, 0));
    info.Props.push_back(Prop::Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, 1));
    info.Props.push_back(Prop::Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, 1));
    info.Props.push_back(Prop::Event("OnClick", &TMenuItem::OnClick));
})

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { LiveItems().insert(this); }

TMenuItem::~TMenuItem()
{
    Destroying();
    LiveItems().erase(this);
    if (FParent) FParent->Remove(this);
    for (TMenuItem* child : FItems) child->FParent = nullptr;
}

void TMenuItem::Add(TMenuItem* item)
{
    if (!item || item == this) return;
    for (TMenuItem* p = this; p; p = p->FParent)
        if (p == item) throw EInvalidOperation(AnsiString("A menu item cannot contain itself"));
    if (item->FParent) item->FParent->Remove(item);
    FItems.push_back(item);
    item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    item->FParent = nullptr;
}

void TMenuItem::Click() { OnClick(this); }

TComponent* TMenuItem::GetParentComponent() const
{
    if (FParent && FParent->FMenu) return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent* value)
{
    if (auto* menu = dynamic_cast<TPopupMenu*>(value)) menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(value)) item->Add(this);
}

// ---- TPopupMenu -----------------------------------------------------------------------------

class TPopupMenuPrivate {
public:
    ~TPopupMenuPrivate() { delete menu; }

    // Rebuilt at every showing, so that it shows the items as they are now.
    void Build(QMenu* into, TMenuItem* parent)
    {
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* item = parent->Items(i);
            if (!item->Visible()) continue;
            QString caption = QString::fromStdString(item->Caption().ToUtf8());
            if (caption == "-") {
                into->addSeparator();
                continue;
            }
            if (item->Count() > 0) {
                QMenu* sub = into->addMenu(caption);
                sub->setEnabled(item->Enabled());
                Build(sub, item);
                continue;
            }
            QAction* action = into->addAction(caption);
            action->setEnabled(item->Enabled());
            action->setCheckable(item->Checked());
            action->setChecked(item->Checked());
            QObject::connect(action, &QAction::triggered, [item] {
                if (LiveItems().contains(item)) Application->Guard([item] { item->Click(); });
            });
        }
    }

    QPointer<QMenu> menu;
};

TK_CLASS_IMPL(TPopupMenu, TComponent, {
    info.Create = CreatorOf<TPopupMenu>();
    info.Props.push_back(Prop::Boolean("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup, 1));
    info.Props.push_back(Prop::Event("OnPopup", &TPopupMenu::OnPopup));
})

TPopupMenu::TPopupMenu(TComponent* AOwner)
    : TComponent(AOwner), FItems(new TMenuItem(nullptr)), d(std::make_unique<TPopupMenuPrivate>())
{
    FItems->FMenu = this;
}

TPopupMenu::~TPopupMenu()
{
    Destroying();
    d.reset();  // the menu window goes before its items
    delete FItems;
}

void TPopupMenu::Popup(int X, int Y)
{
    OnPopup(this);
    if (d->menu) d->menu->deleteLater();
    d->menu = new QMenu;
    d->menu->setAttribute(Qt::WA_DeleteOnClose, false);
    d->Build(d->menu, FItems);
    if (d->menu->actions().isEmpty()) return;
    d->menu->popup(QPoint(X, Y));
}

bool TPopupMenu::Showing() const { return d->menu && d->menu->isVisible(); }

void TPopupMenu::Notification(TComponent* AComponent, TOperation operation)
{
    TComponent::Notification(AComponent, operation);
    if (operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}
