#pragma once
// The main window: decomposes a hex colour code and encodes a picked colour for the web.
#include "components/alphabutton/AlphaBtn.h"
#include "components/background/BackGround.h"
#include "components/linkpanel/UrlShowPanel.h"
#include "toolkit/controls/Buttons.h"
#include "toolkit/controls/Dialogs.h"
#include "toolkit/controls/ExtCtrls.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/StdCtrls.h"

class TForm1 : public TForm {
    TK_CLASS(TForm1)
public:
    explicit TForm1(TComponent* AOwner);

    // Published: the form description fills these by name.
    TShape* Shape1 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TBevel* Bevel1 = nullptr;
    TAlphaSpeedButton* FlatButton2 = nullptr;
    TAlphaSpeedButton* Button1 = nullptr;
    TAlphaSpeedButton* FlatButton1 = nullptr;
    TEdit* FlatEdit1 = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* edtRed = nullptr;
    TEdit* edtGreen = nullptr;
    TEdit* edtBlue = nullptr;
    TUrlShowPanel* UrlShowPanel1 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;
    TpkxBackGround* pkxBackGround1 = nullptr;

    void FlatButton1Click(TObject* Sender);
    void FlatButton2Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void FormCreate(TObject* Sender);
};

extern TForm1* Form1;
