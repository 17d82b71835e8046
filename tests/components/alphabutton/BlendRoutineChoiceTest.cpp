// The unit looks up msimg32's AlphaBlend once, falls back to SoftAlphaBlend when the system
// lacks it, and releases the library when its last user finalises.
#include "tests/components/alphabutton/BlendFixtures.h"

#include <gtest/gtest.h>

namespace {

TAlphaBlendFunc SystemAlphaBlend()
{
    HMODULE lib = LoadLibraryA("msimg32.dll");
    auto f = reinterpret_cast<TAlphaBlendFunc>(reinterpret_cast<void (*)()>(GetProcAddress(lib, "AlphaBlend")));
    FreeLibrary(lib);
    return f;
}

TEST(BlendRoutineChoice, SystemRoutineWhenPresent)
{
    TUnitReinitialised unit(TUnitReinitialised::hideNothing);
    ASSERT_NE(SystemAlphaBlend(), nullptr);
    EXPECT_EQ(AlphaBlendRoutine(), SystemAlphaBlend());
    EXPECT_NE(AlphaBlendRoutine(), &SoftAlphaBlend);
    EXPECT_EQ(AlphaBlendLibrary(), GetModuleHandleA("msimg32.dll"));
}

TEST(BlendRoutineChoice, SoftwareWhenTheExportIsMissing)
{
    {
        TUnitReinitialised unit(TUnitReinitialised::hideExport);
        EXPECT_EQ(AlphaBlendRoutine(), &SoftAlphaBlend);
        // The library stays loaded, idle, until the unit finalises.
        EXPECT_NE(AlphaBlendLibrary(), nullptr);
        EXPECT_NE(GetModuleHandleA("msimg32.dll"), nullptr);
        AlphaBtnFinalization();
        EXPECT_EQ(GetModuleHandleA("msimg32.dll"), nullptr);
        AlphaBtnInitialization();  // for the helper to finalise
    }
    EXPECT_EQ(AlphaBlendRoutine(), SystemAlphaBlend());
}

TEST(BlendRoutineChoice, SoftwareWhenTheLibraryIsMissing)
{
    TUnitReinitialised unit(TUnitReinitialised::hideLibrary);
    EXPECT_EQ(AlphaBlendRoutine(), &SoftAlphaBlend);
    EXPECT_EQ(AlphaBlendLibrary(), nullptr);
}

TEST(BlendRoutineChoice, OnlyTheFirstUserLooksUpAndOnlyTheLastReleases)
{
    TUnitReinitialised unit(TUnitReinitialised::hideNothing);
    EXPECT_EQ(AlphaBtnInitCount(), -1);
    HMODULE lib = AlphaBlendLibrary();
    // A hidden export no longer matters once the routine was chosen.
    SetSystemExportHidden("msimg32.dll", "AlphaBlend", true);
    AlphaBtnInitialization();
    SetSystemExportHidden("msimg32.dll", "AlphaBlend", false);
    EXPECT_EQ(AlphaBtnInitCount(), -2);
    EXPECT_EQ(AlphaBlendRoutine(), SystemAlphaBlend());
    AlphaBtnFinalization();
    EXPECT_EQ(AlphaBlendLibrary(), lib);
    EXPECT_NE(GetModuleHandleA("msimg32.dll"), nullptr);
    AlphaBtnFinalization();
    EXPECT_EQ(AlphaBtnInitCount(), 0);
    EXPECT_EQ(GetModuleHandleA("msimg32.dll"), nullptr);
    EXPECT_EQ(AlphaBlendRoutine(), nullptr);
    AlphaBtnFinalization();  // one too many: nothing to release, the count stays
    EXPECT_EQ(AlphaBtnInitCount(), 0);
    AlphaBtnInitialization();  // for the helper to finalise
}

}  // namespace
