// The library's unit start-up as the program runs it: what exists after
// KCLInitializeUnits, what the finalisation releases, and the counting of
// nested calls. The test program itself starts the units once for all its
// tests (the environment below), as the program does in main.
#include "kcl/KCLCFCStateObject.h"
#include "kcl/KCLClass.h"
#include "kcl/KCLCont.h"
#include "kcl/KCLDwmApi.h"
#include "kcl/KCLProcs.h"
#include "kcl/KCLSysIn.h"
#include "kcl/KCLUnits.h"
#include "kcl/KCLXPStyles.h"
#include "kcl/KCLXPThemeManager.h"
#include "platform/Classes.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include "KCLUnitsEnvironment.h"

namespace {

const char *const registeredNames[] = {
    "TKCLBevel",       "TKCL3DCaption",   "TKCLFxCaption",      "TKCLFillObject", "TFont",
    "TKCLBitmapEffectObject", "TKCLColorObject", "TKCLCtlSettings", "TKCLStyleObject",
    "TKCLIniCtrl",     "TKCLFormPersistent", "TKCLSysInfo",     "TKCLTimerPool",
    "TKCLWaveListItem", "TKCLStringListItem"};

} // namespace

TEST(KCLUnits, StartUpBuildsTheLibraryState)
{
    ASSERT_TRUE(KCLUnitsInitialized());
    for (const char *name : registeredNames)
        EXPECT_NE(platform::GetClass(name), nullptr) << name;
    EXPECT_EQ(KCLStateEntryCount(), 8);
    ASSERT_NE(KCLApplication(), nullptr);
    EXPECT_NE(KCLApplication()->IniCtrl(), nullptr);
    ASSERT_NE(KCLDefaultContainer, nullptr);
    EXPECT_TRUE(KCLDefaultContainer->WaveList()->IsEmpty());
    EXPECT_TRUE(KCLDefaultContainer->StringList()->IsEmpty());
    EXPECT_TRUE(KCLSIWinNT); // the version record of this system is NT 6.1
    EXPECT_TRUE(KCLSIWinVistaUp);
    EXPECT_EQ(KCLClipboardFormatNames[1], "TEXT");
    EXPECT_EQ(KCLClipboardFormatNames[16], "LOCALE");
    // No system library exists here: every binding is nil.
    EXPECT_FALSE(KCLThemeLibraryLoaded);
    EXPECT_EQ(IsThemeActive, nullptr);
    EXPECT_EQ(AlphaBlend, nullptr);
    EXPECT_EQ(DwmIsCompositionEnabled, nullptr);
    EXPECT_FALSE(KCLDwmCompositionEnabled);
    EXPECT_FALSE(KCLThemesActive());
}

TEST(KCLUnits, FinalisationReleasesEverythingAndStartUpRebuildsIt)
{
    KCLInitializeUnits(); // nested: counted, changes nothing
    TKCLApplication *app = KCLApplication();
    KCLFinalizeUnits();
    EXPECT_EQ(KCLApplication(), app);
    EXPECT_EQ(KCLStateEntryCount(), 8);

    KCLThemeManager(); // made on demand, freed by the finalisation
    KCLFinalizeUnits(); // the environment's start-up ends here
    EXPECT_FALSE(KCLUnitsInitialized());
    EXPECT_EQ(KCLApplication(), nullptr);
    EXPECT_EQ(KCLDefaultContainer, nullptr);
    EXPECT_FALSE(KCLThemeManagerExists());
    EXPECT_EQ(KCLStateEntries, nullptr);
    EXPECT_EQ(KCLStateEntryCount(), 0);
    EXPECT_EQ(platform::GetClass("TKCLColorObject"), nullptr);
    EXPECT_EQ(platform::GetClass("TKCLIniCtrl"), nullptr);
    EXPECT_EQ(KCLClipboardFormatNames[1], "");
    KCLFinalizeUnits(); // one too many: nothing happens

    KCLInitializeUnits();
    EXPECT_TRUE(KCLUnitsInitialized());
    EXPECT_NE(KCLApplication(), nullptr);
    EXPECT_NE(KCLDefaultContainer, nullptr);
    EXPECT_EQ(KCLStateEntryCount(), 8);
    for (const char *name : registeredNames)
        EXPECT_NE(platform::GetClass(name), nullptr) << name;
}

TEST(KCLUnits, AStreamNamingTheLibraryComponentsCreatesThem)
{
    platform::TComponent owner(nullptr);
    for (const char *name : {"TKCLIniCtrl", "TKCLSysInfo", "TKCLTimerPool"}) {
        platform::TObject *made = platform::FindClass(name)->Create(&owner);
        ASSERT_NE(made, nullptr) << name;
        EXPECT_TRUE(made->ClassNameIs(name));
    }
    EXPECT_EQ(owner.ComponentCount(), 3);
}
