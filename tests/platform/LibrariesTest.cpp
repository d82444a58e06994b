// Libraries loaded by name: the empty table of the program, registered fake
// providers, load counting, stale handles and library resources.
#include "platform/Libraries.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

int answer42() { return 42; }

class LibraryTable : public ::testing::Test {
protected:
    void SetUp() override { ClearLibraries(); }
    void TearDown() override { ClearLibraries(); }
};

} // namespace

TEST_F(LibraryTable, EmptyTableLoadsNothing)
{
    EXPECT_EQ(LoadLibraryA("UxTheme.dll"), 0u);
    EXPECT_EQ(LoadLibrary(""), 0u);
    EXPECT_EQ(GetProcAddress(0, "IsThemeActive"), nullptr);
    EXPECT_FALSE(FreeLibrary(0));
    EXPECT_FALSE(FreeLibrary(12345));
    EXPECT_EQ(FindResourceData(0, "X"), nullptr);
}

TEST_F(LibraryTable, NamesMatchLikeTheSystemLoader)
{
    RegisterLibrary("UxTheme.dll", {{"IsThemeActive", ToFarProc(&answer42)}});
    const HMODULE h = LoadLibrary("uxtheme.DLL");
    ASSERT_NE(h, 0u);
    EXPECT_EQ(LoadLibrary("UXTHEME"), h);                     // ".DLL" added
    EXPECT_EQ(LoadLibrary("C:\\Windows\\System32\\uxtheme.dll"), h); // folder ignored
    EXPECT_EQ(LibraryLoadCount("uxtheme.dll"), 3);

    FARPROC p = GetProcAddress(h, "IsThemeActive");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(FromFarProc<int()>(p)(), 42);
    EXPECT_EQ(GetProcAddress(h, "isthemeactive"), nullptr); // function names are exact
    EXPECT_EQ(GetProcAddress(h, "DrawThemeTextEx"), nullptr); // absent from a present library
    EXPECT_EQ(LoadLibrary("uxtheme.exe"), 0u);
}

TEST_F(LibraryTable, LoadsAreCountedAndStaleHandlesAnswerNothing)
{
    RegisterLibrary("dwmapi.dll", {{"DwmIsCompositionEnabled", ToFarProc(&answer42)}});
    const HMODULE h = LoadLibrary("dwmapi.dll");
    EXPECT_EQ(LoadLibrary("dwmapi.dll"), h);
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_NE(GetProcAddress(h, "DwmIsCompositionEnabled"), nullptr); // one load left
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(GetProcAddress(h, "DwmIsCompositionEnabled"), nullptr); // freed
    EXPECT_FALSE(FreeLibrary(h));                                      // once too often

    const HMODULE again = LoadLibrary("dwmapi.dll");
    UnregisterLibrary("DWMAPI");
    EXPECT_EQ(GetProcAddress(again, "DwmIsCompositionEnabled"), nullptr);
    EXPECT_FALSE(FreeLibrary(again));
    EXPECT_EQ(LibraryLoadCount("dwmapi.dll"), 0);
}

TEST_F(LibraryTable, ResourcesOfLibrariesAndOfTheProgram)
{
    RegisterLibraryResource("pictures.dll", "CANCELGRAY", "BM-gray");
    RegisterLibraryResource("pictures.dll", ResourceIdName(7), "BM-seven");
    const HMODULE h = LoadLibrary("pictures.dll");
    EXPECT_EQ(FindResourceData(h, "nothing"), nullptr);
    ASSERT_NE(FindResourceData(h, "cancelgray"), nullptr);
    EXPECT_EQ(*FindResourceData(h, "CancelGray"), "BM-gray");
    EXPECT_EQ(*FindResourceData(h, "#7"), "BM-seven");
    FreeLibrary(h);
    EXPECT_EQ(FindResourceData(h, "CANCELGRAY"), nullptr); // not loaded any more

    EXPECT_EQ(FindResourceData(HInstance, "#1"), nullptr);
    RegisterLibraryResource(ProgramModuleName, ResourceIdName(1), "own");
    ASSERT_NE(FindResourceData(HInstance, "#1"), nullptr); // always loaded
    EXPECT_EQ(*FindResourceData(HInstance, "#1"), "own");
    EXPECT_TRUE(FreeLibrary(HInstance));
    EXPECT_NE(FindResourceData(HInstance, "#1"), nullptr);
}

TEST_F(LibraryTable, ErrorModeAnswersThePreviousOne)
{
    EXPECT_EQ(SetErrorMode(SEM_NOOPENFILEERRORBOX), 0u);
    EXPECT_EQ(SetErrorMode(0), SEM_NOOPENFILEERRORBOX);
    EXPECT_EQ(GetErrorMode(), 0u);
}
