#pragma once
// TListBox: the system's single-selection list of texts. OnClick fires when the user moves
// the selection, OnDblClick on a double click on an item.
#include "toolkit/controls/Controls.h"

#include <vector>

class TListBox : public TWinControl {
    TK_CLASS(TListBox)
public:
    explicit TListBox(TComponent* AOwner);

    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EInvalidOperation for an index out of range.
    const AnsiString& Item(int index) const;
    int Add(const AnsiString& text);
    void Clear();
    // The selected item, -1 for none. Setting it does not fire OnClick.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int value);
    bool Sorted() const { return FSorted; }
    // Sorting keeps the selected item selected.
    void SetSorted(bool value);

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    void UserSelected(int row);
    // Shows items and selection as the control holds them, without telling the control back.
    void MirrorItems();
    std::vector<AnsiString> FItems;
    int FItemIndex = -1;
    bool FSorted = false;
};
