#include "app/Unit2.h"

#include "app/ColourCode.h"
#include "toolkit/controls/Application.h"
#include "toolkit/system/Published.h"

TForm1* Form1 = nullptr;

TK_CLASS_IMPL(TForm1, TForm, {
    PublishField(info, "Shape1", &TForm1::Shape1);
    PublishField(info, "Label1", &TForm1::Label1);
    PublishField(info, "Label2", &TForm1::Label2);
    PublishField(info, "Label3", &TForm1::Label3);
    PublishField(info, "Bevel1", &TForm1::Bevel1);
    PublishField(info, "FlatButton2", &TForm1::FlatButton2);
    PublishField(info, "Button1", &TForm1::Button1);
    PublishField(info, "FlatButton1", &TForm1::FlatButton1);
    PublishField(info, "FlatEdit1", &TForm1::FlatEdit1);
    PublishField(info, "Edit1", &TForm1::Edit1);
    PublishField(info, "edtRed", &TForm1::edtRed);
    PublishField(info, "edtGreen", &TForm1::edtGreen);
    PublishField(info, "edtBlue", &TForm1::edtBlue);
    PublishField(info, "UrlShowPanel1", &TForm1::UrlShowPanel1);
    PublishField(info, "ColorDialog1", &TForm1::ColorDialog1);
    PublishField(info, "pkxBackGround1", &TForm1::pkxBackGround1);
    PublishMethod(info, "FlatButton1Click", &TForm1::FlatButton1Click);
    PublishMethod(info, "FlatButton2Click", &TForm1::FlatButton2Click);
    PublishMethod(info, "Button1Click", &TForm1::Button1Click);
    PublishMethod(info, "FormCreate", &TForm1::FormCreate);
})

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) { InitForm("TFORM1"); }

void TForm1::FlatButton1Click(TObject*) { Close(); }

void TForm1::FlatButton2Click(TObject*)
{
    if (!ColorDialog1->Execute()) return;
    FlatEdit1->SetText(FormatWebCode(ColorDialog1->Color()));
    FlatEdit1->SelectAll();
    FlatEdit1->CopyToClipboard();
}

void TForm1::Button1Click(TObject*)
{
    TDecomposedColour colour = DecomposeHexCode(Edit1->Text());
    if (!colour.Ok()) {
        Application->MessageBox(HexCodeMessage(colour.Result), Application->Title(), MB_OK);
        return;
    }
    edtRed->SetText(FormatComponent(colour.Red));
    edtGreen->SetText(FormatComponent(colour.Green));
    edtBlue->SetText(FormatComponent(colour.Blue));
    Shape1->Brush()->SetColor(colour.Colour);
}

void TForm1::FormCreate(TObject*) { UrlShowPanel1->SetShowHint(true); }
