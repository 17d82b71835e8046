// The bitmap file reader: a refused file leaves the bitmap as it was; a read one is saved,
// and the saved file reads back with the same pixels.
#include "fuzz/FuzzSupport.h"
#include "toolkit/graphics/Bitmap.h"

#include <cstdint>
#include <string>

namespace {

bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    // B, G, R of each pixel; pf32bit and pfDevice add a fourth byte.
    const int step = a.PixelFormat() == pf24bit ? 3 : 4;
    const int stepB = b.PixelFormat() == pf24bit ? 3 : 4;
    for (int y = 0; y < a.Height(); ++y) {
        const uint8_t* ra = a.ScanLine(y);
        const uint8_t* rb = b.ScanLine(y);
        for (int x = 0; x < a.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                if (ra[x * step + c] != rb[x * stepB + c]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StartOffscreenApplication();
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(3, 2);
    bitmap.ScanLine(1)[4] = 0x5A;
    const std::string before = bitmap.SaveToData();
    try {
        bitmap.LoadFromData(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const Exception&) {
        FUZZ_CHECK(bitmap.SaveToData() == before);
        return 0;
    }
    if (bitmap.Empty()) return 0;
    TBitmap back;
    back.LoadFromData(bitmap.SaveToData());
    FUZZ_CHECK(SamePixels(bitmap, back));
    return 0;
}
