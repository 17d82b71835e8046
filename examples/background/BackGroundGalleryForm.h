#pragma once
// The gallery window: the form background painter under translucent buttons and a link panel,
// with its settings changed live from the panel on the right.
#include "components/alphabutton/AlphaBtn.h"
#include "components/background/BackGround.h"
#include "components/linkpanel/UrlShowPanel.h"
#include "toolkit/controls/CheckBox.h"
#include "toolkit/controls/ComCtrls.h"
#include "toolkit/controls/Dialogs.h"
#include "toolkit/controls/ExtCtrls.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/PushButton.h"
#include "toolkit/controls/StdCtrls.h"
#include "toolkit/graphics/ImageList.h"
#include "toolkit/graphics/Picture.h"

#include <string>

class TBackGroundGalleryForm : public TForm {
    TK_CLASS(TBackGroundGalleryForm)
public:
    // Reads the description compiled into the program.
    explicit TBackGroundGalleryForm(TComponent* AOwner);
    // Reads the given description text.
    TBackGroundGalleryForm(TComponent* AOwner, const std::string& description);

    // Published: the form description fills these by name.
    TAlphaSpeedButton* AlphaButton64 = nullptr;
    TAlphaSpeedButton* AlphaButton128 = nullptr;
    TAlphaSpeedButton* AlphaButton200 = nullptr;
    TUrlShowPanel* UrlShowPanel1 = nullptr;
    TPanel* ControlPanel = nullptr;
    TCheckBox* AnimateCheck = nullptr;
    TCheckBox* PictureCheck = nullptr;
    TCheckBox* HorzCheck = nullptr;
    TButton* BeginColorButton = nullptr;
    TButton* EndColorButton = nullptr;
    TLabel* SpeedLabel = nullptr;
    TTrackBar* SpeedBar = nullptr;
    TColorDialog* ColorDialog1 = nullptr;
    TImageList* FrameList = nullptr;
    TpkxBackGround* pkxBackGround1 = nullptr;

    void FormCreate(TObject* Sender);
    void AnimateCheckClick(TObject* Sender);
    void PictureCheckClick(TObject* Sender);
    void HorzCheckClick(TObject* Sender);
    void BeginColorButtonClick(TObject* Sender);
    void EndColorButtonClick(TObject* Sender);
    void SpeedBarChange(TObject* Sender);

private:
    // Shows what the check boxes ask for: frames over the picture over the gradient.
    void ApplyLayers();
    void ShowSpeed();
    // The picture of the description, kept while the painter shows none.
    TPicture FTiles;
    bool FCreated = false;
};
