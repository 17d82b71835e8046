#pragma once
// TMemo: the system's multi-line edit box, holding lines of text.
#include "toolkit/controls/Controls.h"

#include <string>

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TWinControl {
    TK_CLASS(TMemo)
public:
    explicit TMemo(TComponent* AOwner);

    // All lines, joined with line feeds; typed text included.
    AnsiString GetText() const override;
    void SetText(const AnsiString& value) override;
    int LineCount() const;
    // Raises EInvalidOperation for an index out of range.
    AnsiString Line(int index) const;
    // Adds a line at the end and scrolls it into view.
    void Append(const AnsiString& line);
    void Clear() { SetText(AnsiString()); }

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);

    TNotifyEvent OnChange;

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    void ApplyOptions();
    bool FReadOnly = false;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    std::string FText;  // UTF-8, while there is no window
};
