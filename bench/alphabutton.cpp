// The translucent speed button's cost: one 65 x 25 paint with the system routine and with
// SoftAlphaBlend (a plain speed button for reference), and SoftAlphaBlend's throughput
// against a plain memory copy of the same bytes.
#include "bench/BenchSupport.h"
#include "components/alphabutton/AlphaBtn.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/winapi/SystemLibraries.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// Fast calls: measured in batches of a hundred over about half a second.
double SecondsPerCall(const std::function<void()>& f) { return bench::SecondsPerCall(f, 0.5, 100, 10); }

struct TMemoryImage {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    TMemoryImage(int w, int h)
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(nullptr, w, h);
        old = SelectObject(dc, bitmap);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetPixel(dc, x, y, static_cast<COLORREF>((x * 7) | (y * 11) << 8 | ((x + y) * 5 & 0xFF) << 16));
    }
    ~TMemoryImage()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

// Runs the unit's initialisation again with msimg32's AlphaBlend hidden or present.
void ChooseRoutine(bool hideSystem)
{
    int users = 0;
    while (AlphaBtnInitCount() != 0) {
        AlphaBtnFinalization();
        ++users;
    }
    SetSystemExportHidden("msimg32.dll", "AlphaBlend", hideSystem);
    for (int i = 0; i < users; ++i) AlphaBtnInitialization();
    SetSystemExportHidden("msimg32.dll", "AlphaBlend", false);
}

double PaintSeconds(TControl* button, HDC target)
{
    return SecondsPerCall([&] { button->Perform(WM_PAINT, reinterpret_cast<WPARAM>(target)); });
}

void BlendThroughput(int w, int h)
{
    TMemoryImage dst(w, h), src(w, h);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 150, 0};
    const double bytes = 3.0 * w * h;
    const double soft = SecondsPerCall([&] { SoftAlphaBlend(dst.dc, 0, 0, w, h, src.dc, 0, 0, w, h, blend); });
    std::vector<unsigned char> from(static_cast<std::size_t>(bytes), 1), to(from.size());
    const double copy = SecondsPerCall([&] {
        std::memcpy(to.data(), from.data(), from.size());
        asm volatile("" : : "r"(to.data()) : "memory");  // keep the copy
    });
    std::printf("  %4d x %-4d  SoftAlphaBlend %9.1f MB/s   memcpy %9.1f MB/s   memcpy / SoftAlphaBlend = %.0f\n", w, h,
                bytes / soft / 1e6, bytes / copy / 1e6, soft / copy);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    TForm form(nullptr);
    auto* plain = new TSpeedButton(&form);
    auto* button = new TAlphaSpeedButton(&form);
    for (TSpeedButton* b : {plain, static_cast<TSpeedButton*>(button)}) {
        b->SetBounds(0, 0, 65, 25);
        b->SetCaption("色分解"_ansi);
        b->SetParent(&form);
    }
    button->SetAlpha(150);
    TMemoryImage target(65, 25);

    std::printf("One 65 x 25 button painted (microseconds per paint):\n");
    const double plainPaint = PaintSeconds(plain, target.dc);
    ChooseRoutine(false);
    const double systemPaint = PaintSeconds(button, target.dc);
    ChooseRoutine(true);
    const bool soft = AlphaBlendRoutine() == &SoftAlphaBlend;
    const double softPaint = PaintSeconds(button, target.dc);
    ChooseRoutine(false);
    std::printf("  plain TSpeedButton (no blend)        %8.1f\n", plainPaint * 1e6);
    std::printf("  TAlphaSpeedButton, system AlphaBlend %8.1f\n", systemPaint * 1e6);
    std::printf("  TAlphaSpeedButton, SoftAlphaBlend    %8.1f%s\n", softPaint * 1e6, soft ? "" : "  (routine not switched!)");
    std::printf("  SoftAlphaBlend / system              %8.2f\n", softPaint / systemPaint);

    std::printf("SoftAlphaBlend against memcpy of the same bytes (3 per pixel):\n");
    BlendThroughput(65, 25);
    BlendThroughput(640, 480);
    return 0;
}
