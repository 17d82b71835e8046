#pragma once
// TUrlShowPanel: a panel that shows a page title, looks like a link under the mouse and
// opens its address with the shell when clicked.
#include "toolkit/controls/ExtCtrls.h"

class TUrlShowPanel : public TCustomPanel {
    TK_CLASS(TUrlShowPanel)
public:
    explicit TUrlShowPanel(TComponent* AOwner);
    ~TUrlShowPanel() override;

    void Dispatch(TMessage& Message) override;
    // Opens Url; no OnClick.
    void Click() override;

    TColor OnMouseColor() const { return FOnMouseColor; }
    void SetOnMouseColor(TColor value);
    TColor OffMouseColor() const { return FOffMouseColor; }
    void SetOffMouseColor(TColor value);
    AnsiString GetPageTitle() const;
    void SetPageTitle(const AnsiString& value);
    AnsiString GetUrl() const;
    void SetUrl(const AnsiString& value);
    // The panel's own copy of its background colour (hides the control's).
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Font_Size() const { return FFont_Size; }
    void SetFont_Size(int value);
    bool Font_Bold() const { return FFont_Bold; }
    void SetFont_Bold(bool value);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void MouseEnter();
    void MouseLeave();

private:
    AnsiString FUrl;
    TColor FOnMouseColor = clRed;
    TColor FOffMouseColor = clBlue;
    TColor FColor = clBtnFace;
    int FFont_Size = 9;
    bool FFont_Bold = false;
};

namespace Urlshowpanel {
// Palette registration for a form designer; the program does not call it.
void Register();
}  // namespace Urlshowpanel
