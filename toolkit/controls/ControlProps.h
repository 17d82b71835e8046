#pragma once
// Published-property entries for what every control has. A class publishes the ones it shows
// by adding them to its table; a property equal to its default is not stored.
#include "toolkit/controls/Controls.h"
#include "toolkit/controls/Menus.h"
#include "toolkit/system/Published.h"

namespace ControlProps {

inline TPropInfo Left() { return Prop::Integer("Left", &TControl::Left, &TControl::SetLeft); }
inline TPropInfo Top() { return Prop::Integer("Top", &TControl::Top, &TControl::SetTop); }
inline TPropInfo Width() { return Prop::Integer("Width", &TControl::Width, &TControl::SetWidth); }
inline TPropInfo Height() { return Prop::Integer("Height", &TControl::Height, &TControl::SetHeight); }
// Cursors are written by name (crHandPoint), other numbers as numbers.
inline TPropInfo Cursor()
{
    TPropInfo p = Prop::Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault);
    p.Idents = CursorIdents();
    return p;
}
inline TPropInfo DragCursor()
{
    TPropInfo p = Prop::Integer("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor, crDrag);
    p.Idents = CursorIdents();
    return p;
}
inline TPropInfo DragMode()
{
    return Prop::Enumeration("DragMode", {"dmManual", "dmAutomatic"}, &TControl::DragMode, &TControl::SetDragMode, dmManual);
}
inline TPropInfo PopupMenu() { return Prop::Component("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu); }
inline TPropInfo Hint() { return Prop::Text("Hint", &TControl::Hint, &TControl::SetHint); }
inline TPropInfo HelpContext() { return Prop::Integer("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext, 0); }
inline TPropInfo Caption(const char* name = "Caption") { return Prop::Text(name, &TControl::GetText, &TControl::SetText); }
inline TPropInfo Visible() { return Prop::Boolean("Visible", &TControl::Visible, &TControl::SetVisible, 1); }
inline TPropInfo Enabled() { return Prop::Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, 1); }
// Stored only while the control does not follow its parent's colour.
inline TPropInfo Color()
{
    return Prop::Color("Color", &TControl::Color, &TControl::SetColor).StoredWhen([](TObject* o) {
        return !static_cast<TControl*>(o)->ParentColor();
    });
}
inline TPropInfo ParentColor() { return Prop::Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, 1); }
// The font's settings are stored only while the control does not follow its parent's font.
inline TPropInfo Font()
{
    TPropInfo p = Prop::Object<TControl>("Font", [](TControl& c) { return c.Font(); });
    p.StoredWhen([](TObject* o) { return !static_cast<TControl*>(o)->ParentFont(); });
    return p;
}
inline TPropInfo ParentFont() { return Prop::Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, 1); }
inline TPropInfo ShowHint()
{
    return Prop::Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).StoredWhen([](TObject* o) {
        return !static_cast<TControl*>(o)->ParentShowHint();
    });
}
inline TPropInfo ParentShowHint()
{
    return Prop::Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, 1);
}
inline TPropInfo Align()
{
    return Prop::Enumeration("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}, &TControl::Align,
                             &TControl::SetAlign, alNone);
}
inline TPropInfo OnClick() { return Prop::Event("OnClick", &TControl::OnClick); }
inline TPropInfo OnDblClick() { return Prop::Event("OnDblClick", &TControl::OnDblClick); }
inline TPropInfo OnMouseDown() { return Prop::Event("OnMouseDown", &TControl::OnMouseDown); }
inline TPropInfo OnMouseUp() { return Prop::Event("OnMouseUp", &TControl::OnMouseUp); }
inline TPropInfo OnMouseMove() { return Prop::Event("OnMouseMove", &TControl::OnMouseMove); }
inline TPropInfo OnDragDrop() { return Prop::Event("OnDragDrop", &TControl::OnDragDrop); }
inline TPropInfo OnDragOver() { return Prop::Event("OnDragOver", &TControl::OnDragOver); }
inline TPropInfo OnEndDrag() { return Prop::Event("OnEndDrag", &TControl::OnEndDrag); }
inline TPropInfo OnStartDrag() { return Prop::Event("OnStartDrag", &TControl::OnStartDrag); }
// OnClick, OnDblClick, OnMouseDown, OnMouseMove and OnMouseUp, in that order.
inline void AddClickAndMouseEvents(std::vector<TPropInfo>& props)
{
    for (TPropInfo p : {OnClick(), OnDblClick(), OnMouseDown(), OnMouseMove(), OnMouseUp()}) props.push_back(std::move(p));
}

inline TPropInfo TabOrder() { return Prop::Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1); }

}  // namespace ControlProps
