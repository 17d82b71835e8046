// The form background painter's cost: a full paint of the main window (painter, translucent
// buttons, controls), the painter alone on the main window's size, and the gradient on
// forms from 100 to 3840 pixels high: time per paint and number of fills, against one plain
// fill of the same area.
#include "components/background/BackGround.h"
#include "app/Unit2.h"
#include "bench/BenchSupport.h"
#include "toolkit/controls/Application.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Whole paints: measured one by one over about a third of a second.
double SecondsPerCall(const std::function<void()>& f) { return bench::SecondsPerCall(f, 0.33, 1, 3); }

// The fills one paint made: each band of the gradient is one fill of its own colour, and
// blue to black gives every band a colour of its own.
int Fills(TBitmap& target, bool vertical)
{
    int n = vertical ? target.Height() : target.Width();
    int runs = 0;
    TColor last = -1;
    for (int a = 0; a < n; ++a) {
        TColor c = static_cast<TColor>(vertical ? target.Canvas()->Pixel(0, a) : target.Canvas()->Pixel(a, 0));
        if (c != last) ++runs;
        last = c;
    }
    return runs;
}

// Paints through the form's canvas into a bitmap of the form's client size.
struct PaintTarget {
    TForm form{nullptr};
    TBitmap bitmap;
    TpkxBackGround* painter;
    PaintTarget(int w, int h)
    {
        form.SetClientWidth(w);
        form.SetClientHeight(h);
        bitmap.SetSize(w, h);
        painter = new TpkxBackGround(&form);
    }
    void Paint()
    {
        form.Canvas()->SetHandle(bitmap.Canvas()->Handle());
        form.OnPaint(&form);
        form.Canvas()->SetHandle(nullptr);
    }
    double PlainFill()
    {
        return SecondsPerCall([&] {
            TCanvas* c = bitmap.Canvas();
            c->Brush()->SetColor(c->Brush()->Color() == clRed ? clLime : clRed);
            c->FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
        });
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    {
        TForm1 form(nullptr);
        form.Show();
        Application->ProcessMessages();
        QWidget* w = WidgetFromHandle(form.Handle());
        double whole = SecondsPerCall([&] { w->repaint(); });
        std::printf("main window %dx%d, full repaint (picture, buttons, controls): %8.1f us\n", form.ClientWidth(),
                    form.ClientHeight(), whole * 1e6);
    }
    {
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetPixelFormat(pf24bit);
        bmp->LoadFromFile(TAVIN3_SOURCE_DIR "/app/background.bmp");
        PaintTarget t(152, 213);
        t.painter->BkPicture()->SetGraphic(bmp.get());
        double painter = SecondsPerCall([&] { t.Paint(); });
        double plain = t.PlainFill();
        std::printf("painter alone, 152x213, picture tiled 4 times:       %8.1f us  (%.1f x one plain fill)\n", painter * 1e6,
                    painter / plain);
    }

    std::printf("\ngradient, fsVert, blue to black, width 400\n");
    std::printf("%8s %8s %12s %12s %10s\n", "height", "fills", "us/paint", "us/fill", "x plain");
    for (int h : {100, 128, 200, 255, 256, 300, 384, 600, 1080, 2160, 3840}) {
        PaintTarget t(400, h);
        double paint = SecondsPerCall([&] { t.Paint(); });
        int fills = Fills(t.bitmap, true);
        double plain = t.PlainFill();
        std::printf("%8d %8d %12.1f %12.2f %10.1f\n", h, fills, paint * 1e6, paint * 1e6 / fills, paint / plain);
    }
    std::printf("\ngradient, fsHorz, blue to black, height 400\n");
    std::printf("%8s %8s %12s %12s %10s\n", "width", "fills", "us/paint", "us/fill", "x plain");
    for (int w : {100, 255, 256, 1920, 3840}) {
        PaintTarget t(w, 400);
        t.painter->BkColor()->SetFillStyle(fsHorz);
        double paint = SecondsPerCall([&] { t.Paint(); });
        int fills = Fills(t.bitmap, false);
        double plain = t.PlainFill();
        std::printf("%8d %8d %12.1f %12.2f %10.1f\n", w, fills, paint * 1e6, paint * 1e6 / fills, paint / plain);
    }
    return 0;
}
