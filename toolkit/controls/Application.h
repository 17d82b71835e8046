#pragma once
// The application object: message loop, title, message boxes and the exception box.
#include "toolkit/controls/DisplayProbe.h"
#include "toolkit/system/Classes.h"

#include <exception>
#include <memory>
#include <string>

class TForm;
class TApplicationPrivate;

// MessageBox flags and results; callers compare with these numbers.
constexpr int MB_OK = 0x0;
constexpr int IDOK = 1;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Creates the GUI application if none exists yet, and loads the system translations.
    void Initialize();
    // Tells the desktop who the program is: its name (also its window class), its version and
    // the name of its desktop entry without ".desktop". The title is not touched.
    void SetIdentity(const std::string& name, const std::string& version, const std::string& desktopFileName);
    // Loads Qt's own translations for the current locale, in place of those loaded before, so
    // that system dialogs and standard buttons speak the user's language.
    void LoadSystemTranslations();
    // Destroys the forms, then the GUI application this object created. The clipboard is handed
    // to the desktop's clipboard manager then, so that what was copied outlives the program.
    void Finalize();
    // Builds a form owned by the application; the first one becomes the main form.
    template <class F>
    void CreateForm(F*& reference)
    {
        reference = new F(this);
        if (!FMainForm) FMainForm = reference;
    }
    // Runs the message loop until the main form closes or Terminate is called.
    void Run();
    // Processes all pending messages, then returns.
    void ProcessMessages();
    // Waits until a message arrives (when none is pending), then processes what is pending.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }

    // Without a title set, it is the executable's name: cut at the first '.', first letter kept,
    // the rest in lower case.
    AnsiString Title() const;
    void SetTitle(const AnsiString& value) { FTitle = value; }

    // Plain modal message box: text, caption, OK; no icon; centred on the screen.
    int MessageBox(const AnsiString& text, const AnsiString& caption, int flags = MB_OK);
    // The exception box: shows the exception's message with the application title.
    void ShowException(const std::exception& e);
    // Called where the toolkit runs a handler and an exception escapes it.
    void HandleException(const std::exception& e);
    // Runs f; any exception goes to HandleException instead of crossing Qt's event dispatch.
    template <class F>
    void Guard(F&& f)
    {
        try {
            f();
        } catch (const std::exception& e) {
            HandleException(e);
        }
    }

    void Notification(TComponent* AComponent, TOperation operation) override;

private:
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    AnsiString FTitle;
    std::unique_ptr<TApplicationPrivate> d;
};

extern TApplication* Application;

// Title from an executable path: "/x/tavin3.EXE" gives "Tavin3".
AnsiString TitleFromExecutable(const std::string& path);
