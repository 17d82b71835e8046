// The table of system libraries behind LoadLibraryA / GetProcAddress / FreeLibrary, the switch
// that hides entries for tests, and AlphaBlend's refusals.
#include "toolkit/winapi/SystemLibraries.h"
#include "toolkit/winapi/Windows.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemLibraries, LoadsAreCountedAndNamesMatchAsOnWindows)
{
    ASSERT_EQ(GetModuleHandleA("msimg32.dll"), nullptr) << "a test left msimg32 loaded";
    HMODULE a = LoadLibraryA("msimg32.dll");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(LoadLibraryA("C:\\Windows\\System32\\MSIMG32"), a);
    EXPECT_NE(GetProcAddress(a, "AlphaBlend"), nullptr);
    EXPECT_EQ(GetProcAddress(a, "alphablend"), nullptr);                      // export names are case-sensitive
    EXPECT_EQ(GetProcAddress(a, reinterpret_cast<const char*>(1)), nullptr);  // ordinals: none
    EXPECT_EQ(GetProcAddress(a, nullptr), nullptr);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(GetModuleHandleA("msimg32.dll"), a);  // one load left
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(GetModuleHandleA("msimg32.dll"), nullptr);
    EXPECT_FALSE(FreeLibrary(a));
    EXPECT_EQ(GetProcAddress(a, "AlphaBlend"), nullptr);  // unloaded

    EXPECT_EQ(LoadLibraryA("nosuch.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&a)));
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&a), "AlphaBlend"), nullptr);
}

TEST(SystemLibraries, HiddenEntriesLookMissing)
{
    EXPECT_FALSE(SetSystemLibraryHidden("nosuch.dll", true));
    EXPECT_FALSE(SetSystemExportHidden("msimg32.dll", "NoSuchExport", true));

    ASSERT_TRUE(SetSystemLibraryHidden("MSIMG32.DLL", true));
    EXPECT_EQ(LoadLibraryA("msimg32.dll"), nullptr);
    SetSystemLibraryHidden("msimg32.dll", false);

    ASSERT_TRUE(SetSystemExportHidden("msimg32", "AlphaBlend", true));
    HMODULE lib = LoadLibraryA("msimg32.dll");
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(GetProcAddress(lib, "AlphaBlend"), nullptr);
    SetSystemExportHidden("msimg32", "AlphaBlend", false);
    EXPECT_EQ(reinterpret_cast<void (*)()>(GetProcAddress(lib, "AlphaBlend")), reinterpret_cast<void (*)()>(&AlphaBlend));
    FreeLibrary(lib);
}

TEST(AlphaBlendCall, RefusesWhatItCannotDo)
{
    const int before = GdiLiveObjectCount();
    HDC dst = CreateCompatibleDC(nullptr), src = CreateCompatibleDC(nullptr);
    HBITMAP db = CreateCompatibleBitmap(nullptr, 4, 4), sb = CreateCompatibleBitmap(nullptr, 4, 4);
    HGDIOBJ dOld = SelectObject(dst, db), sOld = SelectObject(src, sb);
    SetPixel(src, 0, 0, 0xFFFFFF);
    const BLENDFUNCTION ok{AC_SRC_OVER, 0, 255, 0};
    struct Case {
        const char* what;
        BLENDFUNCTION f;
        int sx, sw;
        HDC from;
    } refused[] = {
        {"other operation", {1, 0, 255, 0}, 0, 4, src},
        {"flags", {AC_SRC_OVER, 1, 255, 0}, 0, 4, src},
        {"per-pixel alpha", {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}, 0, 4, src},
        {"source past its bitmap", ok, 1, 4, src},
        {"negative size", ok, 0, -1, src},
        {"no source", ok, 0, 4, nullptr},
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(AlphaBlend(dst, 0, 0, 4, 4, c.from, c.sx, 0, c.sw, 4, c.f)) << c.what;
        EXPECT_EQ(GetPixel(dst, 0, 0), 0u) << c.what;
    }
    EXPECT_TRUE(AlphaBlend(dst, 0, 0, 4, 4, src, 0, 0, 4, 4, ok));
    EXPECT_EQ(GetPixel(dst, 0, 0), 0xFFFFFFu);
    // Stretched: one source pixel over the whole destination.
    EXPECT_TRUE(AlphaBlend(dst, 0, 0, 4, 4, src, 1, 1, 1, 1, ok));
    EXPECT_EQ(GetPixel(dst, 3, 3), 0u);
    EXPECT_EQ(GetPixel(dst, 0, 0), 0u);
    SelectObject(dst, dOld);
    SelectObject(src, sOld);
    DeleteDC(dst);
    DeleteDC(src);
    DeleteObject(db);
    DeleteObject(sb);
    EXPECT_EQ(GdiLiveObjectCount(), before);
}

}  // namespace
