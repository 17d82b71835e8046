// KitLister host port user password [picture.bmp]: lists the server's directory in its window.
// With a picture file it lists once at start, saves its title as painted and ends: 0 when the
// listing came, 1 when it failed.
#include "ListerForm.h"

#include "toolkit/controls/ProgramMain.h"
#include "toolkit/controls/Timer.h"
#include "toolkit/graphics/Bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

TListerForm* ListerForm = nullptr;

namespace {
// Lists, saves the title's picture and closes, once the window runs.
class TOneShot : public TComponent {
public:
    TOneShot(TListerForm* form, std::string picture) : TComponent(form), FForm(form), FPicture(std::move(picture))
    {
        FTimer = new TTimer(this);
        FTimer->SetInterval(1);
        FTimer->SetOnTimer(TNotifyEvent(this, &TOneShot::Run));
    }

private:
    void Run(TObject*)
    {
        FTimer->SetEnabled(false);
        FForm->ListButton->Click();
        TBitmap title;
        title.SetPixelFormat(pf24bit);
        title.SetSize(FForm->Title->Width(), FForm->Title->Height());
        FForm->Title->Perform(WM_PAINT, reinterpret_cast<WPARAM>(title.Canvas()->Handle()));
        title.SaveToFile(FPicture);
        FForm->Close();
    }
    TListerForm* FForm;
    std::string FPicture;
    TTimer* FTimer;
};
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s host port user password [picture.bmp]\n", argv[0]);
        return 2;
    }
    bool failed = false;
    int status = RunMainForm<TListerForm>("KitLister", argv[0], ListerForm, [&](TListerForm& form) {
        form.Ftp1->SetHost(AnsiString::FromUtf8(argv[1]));
        form.Ftp1->SetPort(std::atoi(argv[2]));
        form.Ftp1->SetUserID(AnsiString::FromUtf8(argv[3]));
        form.Ftp1->SetPassword(AnsiString::FromUtf8(argv[4]));
        form.OnLine = [](const std::string& line) { std::printf("listed: %s\n", line.c_str()); };
        form.OnProblem = [&](const std::string& why) {
            std::printf("failed: %s\n", why.c_str());
            failed = true;
        };
        if (argc == 6) new TOneShot(&form, argv[5]);  // the form owns it
    });
    return status == 0 && failed && argc == 6 ? 1 : status;
}
