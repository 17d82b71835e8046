#pragma once
// Popup menus: items with captions and click events, shown at the pointer.
#include "toolkit/system/Classes.h"
#include "toolkit/system/Events.h"

#include <memory>
#include <vector>

class TPopupMenu;
class TPopupMenuPrivate;

class TMenuItem : public TComponent {
    TK_CLASS(TMenuItem)
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    // "-" makes a separator line; "&" marks the access key.
    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& value) { FCaption = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool value) { FChecked = value; }

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    // Appends an item (taken from the item it was in); the item's owner stays its owner.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    TMenuItem* Parent() const { return FParent; }

    // Fires OnClick, as choosing the item does.
    virtual void Click();
    TNotifyEvent OnClick;

    // A form description nests items in their menu or their parent item.
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;

private:
    friend class TPopupMenu;
    AnsiString FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TPopupMenu* FMenu = nullptr;  // set on a menu's root item
};

class TPopupMenu : public TComponent {
    TK_CLASS(TPopupMenu)
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // The root item; the menu shows its children.
    TMenuItem* Items() { return FItems; }
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    // The control the menu was last shown for.
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* value) { FPopupComponent = value; }

    // Shows the menu with its top left at a screen point; returns at once, the chosen item's
    // click runs later from the message loop.
    virtual void Popup(int X, int Y);
    // Whether the menu is open on screen.
    bool Showing() const;
    TNotifyEvent OnPopup;

    void Notification(TComponent* AComponent, TOperation operation) override;

private:
    TMenuItem* FItems;
    bool FAutoPopup = true;
    TComponent* FPopupComponent = nullptr;
    std::unique_ptr<TPopupMenuPrivate> d;
};
