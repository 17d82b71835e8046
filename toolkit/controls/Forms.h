#pragma once
// Forms: top-level windows built from a form description.
#include "toolkit/controls/Controls.h"

#include <string>

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = unsigned;  // bit i = TBorderIcon i
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = TEvent<TObject*, TCloseAction&>;

class TCustomForm : public TWinControl {
    TK_CLASS(TCustomForm)
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // The form's canvas; it draws on the window while the form paints.
    TCanvas* Canvas() { return &FCanvas; }

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value) { FPosition = value; }
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value) { FPixelsPerInch = value; }
    int TextHeight() const { return FTextHeight; }
    void SetTextHeight(int value) { FTextHeight = value; }
    // The window's icon: a Windows .ico file's bytes (the toolkit decodes it). Without one the
    // window shows the application's icon, the resource MAINICON.
    void SetIconData(const std::string& icoBytes);

    void Show();
    void Hide();
    // Closes the window; closing the main form ends the application's loop.
    void Close();
    bool Showing() const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnPaint;
    TNotifyEvent OnResize;
    TNotifyEvent OnShow;
    TCloseEvent OnClose;

    // Called by the window system.
    void Resized(int width, int height) override;
    bool CloseRequested() override { return CloseQuery(); }
    bool CloseQuery();

protected:
    // Reads the form description compiled in under resourceName, then runs OnCreate.
    void InitForm(const std::string& resourceName);
    // Reads a form description given as text, then runs OnCreate.
    void InitFormText(const std::string& text);
    HWND CreateWindowHandle(HWND parentWindow) override;
    void PaintWindow(HDC DC) override;
    virtual void Paint();
    virtual void Resize();
    void UpdateWidgetState() override;

private:
    void ApplyWindowFlags();
    TCanvas FCanvas;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
    TPosition FPosition = poDesigned;
    int FPixelsPerInch = 96;
    int FTextHeight = 12;
    std::string FIconData;
};

class TForm : public TCustomForm {
    TK_CLASS(TForm)
public:
    using TCustomForm::TCustomForm;
};
