#include "examples/background/BackGroundGalleryForm.h"

#include "toolkit/streaming/FormReader.h"
#include "toolkit/system/Published.h"

TK_CLASS_IMPL(TBackGroundGalleryForm, TForm, {
    using F = TBackGroundGalleryForm;
    PublishField(info, "AlphaButton64", &F::AlphaButton64);
    PublishField(info, "AlphaButton128", &F::AlphaButton128);
    PublishField(info, "AlphaButton200", &F::AlphaButton200);
    PublishField(info, "UrlShowPanel1", &F::UrlShowPanel1);
    PublishField(info, "ControlPanel", &F::ControlPanel);
    PublishField(info, "AnimateCheck", &F::AnimateCheck);
    PublishField(info, "PictureCheck", &F::PictureCheck);
    PublishField(info, "HorzCheck", &F::HorzCheck);
    PublishField(info, "BeginColorButton", &F::BeginColorButton);
    PublishField(info, "EndColorButton", &F::EndColorButton);
    PublishField(info, "SpeedLabel", &F::SpeedLabel);
    PublishField(info, "SpeedBar", &F::SpeedBar);
    PublishField(info, "ColorDialog1", &F::ColorDialog1);
    PublishField(info, "FrameList", &F::FrameList);
    PublishField(info, "pkxBackGround1", &F::pkxBackGround1);
    PublishMethod(info, "FormCreate", &F::FormCreate);
    PublishMethod(info, "AnimateCheckClick", &F::AnimateCheckClick);
    PublishMethod(info, "PictureCheckClick", &F::PictureCheckClick);
    PublishMethod(info, "HorzCheckClick", &F::HorzCheckClick);
    PublishMethod(info, "BeginColorButtonClick", &F::BeginColorButtonClick);
    PublishMethod(info, "EndColorButtonClick", &F::EndColorButtonClick);
    PublishMethod(info, "SpeedBarChange", &F::SpeedBarChange);
})

TBackGroundGalleryForm::TBackGroundGalleryForm(TComponent* AOwner)
    : TBackGroundGalleryForm(AOwner, LoadResourceText("TBACKGROUNDGALLERYFORM"))
{}

TBackGroundGalleryForm::TBackGroundGalleryForm(TComponent* AOwner, const std::string& description) : TForm(AOwner)
{
    InitFormText(description);
}

void TBackGroundGalleryForm::FormCreate(TObject*)
{
    FTiles.Assign(pkxBackGround1->BkPicture());
    UrlShowPanel1->SetShowHint(true);
    FCreated = true;
    ApplyLayers();
    ShowSpeed();
}

void TBackGroundGalleryForm::ApplyLayers()
{
    // Check boxes read from the description click before the form is complete.
    if (!FCreated) return;
    pkxBackGround1->BkAnimate()->SetImageList(AnimateCheck->Checked() ? FrameList : nullptr);
    pkxBackGround1->SetPicture(PictureCheck->Checked() ? &FTiles : nullptr);
    Invalidate();
}

void TBackGroundGalleryForm::AnimateCheckClick(TObject*) { ApplyLayers(); }

void TBackGroundGalleryForm::PictureCheckClick(TObject*) { ApplyLayers(); }

void TBackGroundGalleryForm::HorzCheckClick(TObject*)
{
    if (!FCreated) return;
    pkxBackGround1->BkColor()->SetFillStyle(HorzCheck->Checked() ? fsHorz : fsVert);
    Invalidate();
}

void TBackGroundGalleryForm::BeginColorButtonClick(TObject*)
{
    ColorDialog1->SetColor(pkxBackGround1->BkColor()->BeginColor());
    if (!ColorDialog1->Execute()) return;
    pkxBackGround1->BkColor()->SetBeginColor(ColorDialog1->Color());
    Invalidate();
}

void TBackGroundGalleryForm::EndColorButtonClick(TObject*)
{
    ColorDialog1->SetColor(pkxBackGround1->BkColor()->EndColor());
    if (!ColorDialog1->Execute()) return;
    pkxBackGround1->BkColor()->SetEndColor(ColorDialog1->Color());
    Invalidate();
}

void TBackGroundGalleryForm::SpeedBarChange(TObject*)
{
    if (!FCreated) return;
    pkxBackGround1->BkAnimate()->SetSpeed(SpeedBar->Position());
    ShowSpeed();
}

void TBackGroundGalleryForm::ShowSpeed()
{
    SpeedLabel->SetCaption("コマ送りの速さ: "_ansi + IntToStr(pkxBackGround1->BkAnimate()->Speed()));
}
