#pragma once
// The open and save dialogs. Filter is written as "Description|pattern;pattern|..." pairs;
// FileName is a path in the ANSI code page like every AnsiString.
#include "toolkit/system/Classes.h"

#include <string>
#include <vector>

class TOpenDialog : public TComponent {
    TK_CLASS(TOpenDialog)
public:
    explicit TOpenDialog(TComponent* AOwner);
    // Runs the dialog modally; true when a file was chosen (then FileName holds its path).
    bool Execute();

    const AnsiString& FileName() const { return FFileName; }
    void SetFileName(const AnsiString& value) { FFileName = value; }
    const AnsiString& Filter() const { return FFilter; }
    void SetFilter(const AnsiString& value) { FFilter = value; }
    const AnsiString& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const AnsiString& value) { FInitialDir = value; }
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& value) { FTitle = value; }

protected:
    // Whether the dialog picks a file to write (asking before it replaces one).
    virtual bool Saving() const { return false; }

private:
    AnsiString FFileName;
    AnsiString FFilter;
    AnsiString FInitialDir;
    AnsiString FTitle;
};

class TSaveDialog : public TOpenDialog {
    TK_CLASS(TSaveDialog)
public:
    using TOpenDialog::TOpenDialog;

protected:
    bool Saving() const override { return true; }
};

// "Text|*.txt;*.log|All|*.*" as the window system's name filters: "Text (*.txt *.log)", "All (*)".
std::vector<std::string> FileDialogNameFilters(const AnsiString& filter);
