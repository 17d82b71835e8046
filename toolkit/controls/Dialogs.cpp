#include "toolkit/controls/Dialogs.h"

#include "toolkit/controls/DialogOwner.h"
#include "toolkit/system/Published.h"

#include <QColorDialog>

TK_CLASS_IMPL(TColorDialog, TComponent, {
    info.Create = CreatorOf<TColorDialog>();
    info.Props.push_back(Prop::Color("Color", &TColorDialog::Color, &TColorDialog::SetColor, clBlack));
    info.Props.push_back(Prop::Boolean("Ctl3D", &TColorDialog::Ctl3D, &TColorDialog::SetCtl3D, 1));
    info.Props.push_back(Prop::Set("Options", {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"},
                                   &TColorDialog::Options, &TColorDialog::SetOptions, 0));
})

TColorDialog::TColorDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TColorDialog::Execute()
{
    uint32_t rgb = ColorToRGB(FColor);
    QColorDialog dialog(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)), DialogOwner());
    // The toolkit's own dialog, so that it looks and behaves the same everywhere.
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return false;
    QColor c = dialog.selectedColor();
    FColor =
        static_cast<TColor>(RGB(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())));
    return true;
}
