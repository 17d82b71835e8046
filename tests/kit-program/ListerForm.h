#pragma once
// The window: a vertical title, a translucent button that lists the server's directory, the
// list it fills, and the FTP client that does the work.
#include "components/alphabutton/AlphaBtn.h"
#include "components/ftp/vellftp.h"
#include "components/verticallabel/TateLabel.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/ListBox.h"

#include <functional>
#include <string>

class TListerForm : public TForm {
    TK_CLASS(TListerForm)
public:
    explicit TListerForm(TComponent* AOwner);

    // Published: the form description fills these by name.
    TTateLabel* Title = nullptr;
    TAlphaSpeedButton* ListButton = nullptr;
    TListBox* Files = nullptr;
    TVellFtp* Ftp1 = nullptr;

    void ListButtonClick(TObject* Sender);
    void Ftp1ListItem(AnsiString Listing);

    // Told each line of a listing, and why a listing failed (UTF-8).
    std::function<void(const std::string&)> OnLine, OnProblem;
};
