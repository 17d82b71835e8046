#pragma once
// Labels and edit boxes.
#include "toolkit/controls/Controls.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
    TK_CLASS(TCustomLabel)
public:
    explicit TCustomLabel(TComponent* AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    bool Transparent() const { return !(ControlStyle() & csOpaque); }
    void SetTransparent(bool value);
    bool AutoSize() const { return FAutoSize; }
    virtual void SetAutoSize(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value) { FFocusControl = value; }

    void Dispatch(TMessage& Message) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation operation) override;

    // The text the label draws: its caption.
    virtual AnsiString GetLabelText() const { return Caption(); }
    // Resizes to the text when AutoSize is on and the label is not being read.
    virtual void AdjustBounds();

protected:
    void Paint() override;
    // Draws the label text into r with DrawTextA flags; DT_CALCRECT measures.
    void DoDrawText(TRect& r, UINT flags);

    bool FAutoSize = true;

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

// Published-property entries of the label's own properties, for classes that publish them.
namespace LabelProps {
TPropInfo Alignment();
TPropInfo Layout();
TPropInfo Transparent();
TPropInfo FocusControl();
}  // namespace LabelProps

class TLabel : public TCustomLabel {
    TK_CLASS(TLabel)
public:
    using TCustomLabel::TCustomLabel;
};

class TEdit : public TWinControl {
    TK_CLASS(TEdit)
public:
    explicit TEdit(TComponent* AOwner);

    void SetText(const AnsiString& value) override;
    // What the edit box holds now, typed text included.
    AnsiString Text() const { return GetText(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // While not NUL, typed characters are hidden (password boxes).
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char value);
    void SelectAll();
    AnsiString SelText() const;
    // Copies the selection to the clipboard as text.
    void CopyToClipboard();
    void PasteFromClipboard();

    TNotifyEvent OnChange;

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    bool FReadOnly = false;
    char FPasswordChar = '\0';
};
