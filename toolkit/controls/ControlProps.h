#pragma once
// Published-property entries for what every control has. A class publishes the ones it shows
// by adding them to its table; stored defaults follow the original's.
#include "toolkit/controls/Controls.h"
#include "toolkit/controls/Menus.h"
#include "toolkit/system/Published.h"

namespace ControlProps {

inline TPropInfo Left()
{
    return Prop::Integer<TControl>("Left", [](TControl& c) { return c.Left(); }, [](TControl& c, int64_t v) { c.SetLeft(int(v)); });
}
inline TPropInfo Top()
{
    return Prop::Integer<TControl>("Top", [](TControl& c) { return c.Top(); }, [](TControl& c, int64_t v) { c.SetTop(int(v)); });
}
inline TPropInfo Width()
{
    return Prop::Integer<TControl>("Width", [](TControl& c) { return c.Width(); }, [](TControl& c, int64_t v) { c.SetWidth(int(v)); });
}
inline TPropInfo Height()
{
    return Prop::Integer<TControl>("Height", [](TControl& c) { return c.Height(); },
                                   [](TControl& c, int64_t v) { c.SetHeight(int(v)); });
}
// Cursors are written by name (crHandPoint), other numbers as numbers.
inline TPropInfo Cursor()
{
    TPropInfo p = Prop::Integer<TControl>("Cursor", [](TControl& c) { return c.Cursor(); },
                                          [](TControl& c, int64_t v) { c.SetCursor(int(v)); })
                      .WithDefault(crDefault);
    p.Idents = CursorIdents();
    return p;
}
inline TPropInfo DragCursor()
{
    TPropInfo p = Prop::Integer<TControl>("DragCursor", [](TControl& c) { return c.DragCursor(); },
                                          [](TControl& c, int64_t v) { c.SetDragCursor(int(v)); })
                      .WithDefault(crDrag);
    p.Idents = CursorIdents();
    return p;
}
inline TPropInfo DragMode()
{
    return Prop::Enumeration<TControl>("DragMode", {"dmManual", "dmAutomatic"}, [](TControl& c) { return c.DragMode(); },
                                       [](TControl& c, int64_t v) { c.SetDragMode(TDragMode(v)); })
        .WithDefault(dmManual);
}
inline TPropInfo PopupMenu()
{
    return Prop::Component<TControl, TPopupMenu>("PopupMenu", [](TControl& c) { return c.PopupMenu(); },
                                                 [](TControl& c, TPopupMenu* v) { c.SetPopupMenu(v); });
}
inline TPropInfo Hint()
{
    return Prop::Text<TControl>("Hint", [](TControl& c) { return c.Hint(); }, [](TControl& c, const AnsiString& v) { c.SetHint(v); });
}
inline TPropInfo HelpContext()
{
    return Prop::Integer<TControl>("HelpContext", [](TControl& c) { return c.HelpContext(); },
                                   [](TControl& c, int64_t v) { c.SetHelpContext(int(v)); })
        .WithDefault(0);
}
inline TPropInfo Caption(const char* name = "Caption")
{
    return Prop::Text<TControl>(name, [](TControl& c) { return c.GetText(); }, [](TControl& c, const AnsiString& v) { c.SetText(v); });
}
inline TPropInfo Visible()
{
    return Prop::Boolean<TControl>("Visible", [](TControl& c) { return c.Visible(); },
                                   [](TControl& c, int64_t v) { c.SetVisible(v != 0); })
        .WithDefault(1);
}
inline TPropInfo Enabled()
{
    return Prop::Boolean<TControl>("Enabled", [](TControl& c) { return c.Enabled(); },
                                   [](TControl& c, int64_t v) { c.SetEnabled(v != 0); })
        .WithDefault(1);
}
// Stored only while the control does not follow its parent's colour.
inline TPropInfo Color()
{
    return Prop::Color<TControl>("Color", [](TControl& c) { return c.Color(); },
                                 [](TControl& c, int64_t v) { c.SetColor(TColor(v)); })
        .StoredWhen([](TObject* o) { return !static_cast<TControl*>(o)->ParentColor(); });
}
inline TPropInfo ParentColor()
{
    return Prop::Boolean<TControl>("ParentColor", [](TControl& c) { return c.ParentColor(); },
                                   [](TControl& c, int64_t v) { c.SetParentColor(v != 0); })
        .WithDefault(1);
}
// The font's settings are stored only while the control does not follow its parent's font.
inline TPropInfo Font()
{
    TPropInfo p = Prop::Object<TControl>("Font", [](TControl& c) { return c.Font(); });
    p.StoredWhen([](TObject* o) { return !static_cast<TControl*>(o)->ParentFont(); });
    return p;
}
inline TPropInfo ParentFont()
{
    return Prop::Boolean<TControl>("ParentFont", [](TControl& c) { return c.ParentFont(); },
                                   [](TControl& c, int64_t v) { c.SetParentFont(v != 0); })
        .WithDefault(1);
}
inline TPropInfo ShowHint()
{
    return Prop::Boolean<TControl>("ShowHint", [](TControl& c) { return c.ShowHint(); },
                                   [](TControl& c, int64_t v) { c.SetShowHint(v != 0); })
        .StoredWhen([](TObject* o) { return !static_cast<TControl*>(o)->ParentShowHint(); });
}
inline TPropInfo ParentShowHint()
{
    return Prop::Boolean<TControl>("ParentShowHint", [](TControl& c) { return c.ParentShowHint(); },
                                   [](TControl& c, int64_t v) { c.SetParentShowHint(v != 0); })
        .WithDefault(1);
}
inline TPropInfo Align()
{
    return Prop::Enumeration<TControl>("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
                                       [](TControl& c) { return c.Align(); },
                                       [](TControl& c, int64_t v) { c.SetAlign(TAlign(v)); })
        .WithDefault(alNone);
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

inline TPropInfo TabOrder()
{
    return Prop::Integer<TWinControl>("TabOrder", [](TWinControl& c) { return c.TabOrder(); },
                                      [](TWinControl& c, int64_t v) { c.SetTabOrder(int(v)); })
        .WithDefault(-1);
}

}  // namespace ControlProps
