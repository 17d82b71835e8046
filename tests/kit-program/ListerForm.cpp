#include "ListerForm.h"

#include "toolkit/system/Published.h"

TK_CLASS_IMPL(TListerForm, TForm, {
    using F = TListerForm;
    PublishField(info, "Title", &F::Title);
    PublishField(info, "ListButton", &F::ListButton);
    PublishField(info, "Files", &F::Files);
    PublishField(info, "Ftp1", &F::Ftp1);
    PublishMethod(info, "ListButtonClick", &F::ListButtonClick);
    PublishMethod(info, "Ftp1ListItem", &F::Ftp1ListItem);
})

TListerForm::TListerForm(TComponent* AOwner) : TForm(AOwner) { InitForm("TLISTERFORM"); }

void TListerForm::ListButtonClick(TObject*)
{
    Files->Clear();
    // The client waits for the server on this thread and keeps the window running meanwhile.
    try {
        if (!Ftp1->Connected()) Ftp1->Connect();
        Ftp1->List();
    } catch (const std::exception& e) {
        if (OnProblem) OnProblem(e.what());
    }
}

void TListerForm::Ftp1ListItem(AnsiString Listing)
{
    Files->Add(Listing);
    if (OnLine) OnLine(Listing.ToUtf8());
}
