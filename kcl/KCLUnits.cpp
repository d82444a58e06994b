#include "kcl/KCLUnits.h"

#include "kcl/KCLBitmapList.h"
#include "kcl/KCLCFCSettingObject.h"
#include "kcl/KCLCFCStateObject.h"
#include "kcl/KCLClass.h"
#include "kcl/KCLCont.h"
#include "kcl/KCLDwmApi.h"
#include "kcl/KCLFormPersistent.h"
#include "kcl/KCLGraphUtils.h"
#include "kcl/KCLImageList.h"
#include "kcl/KCLIniCtrl.h"
#include "kcl/KCLProcs.h"
#include "kcl/KCLShUtils.h"
#include "kcl/KCLStringList.h"
#include "kcl/KCLSysIn.h"
#include "kcl/KCLSysInfo.h"
#include "kcl/KCLWaveList.h"
#include "kcl/KCLXPStyles.h"
#include "kcl/KCLXPThemeManager.h"

#include <vector>

namespace {

int startCount = 0;

const std::vector<platform::TClass> &componentClasses()
{
    static const std::vector<platform::TClass> classes = {
        TKCLIniCtrl::StaticClass(), TKCLFormPersistent::StaticClass(), TKCLSysInfo::StaticClass(),
        TKCLTimerPool::StaticClass(), TKCLBitmapList::StaticClass(), TKCLImageList::StaticClass(),
        TKCLStringList::StaticClass(), TKCLWaveList::StaticClass()};
    return classes;
}

void registerComponentClasses()
{
    for (platform::TClass c : componentClasses())
        platform::RegisterClass(c);
}

void unregisterComponentClasses()
{
    for (platform::TClass c : componentClasses())
        platform::UnRegisterClass(c);
}

} // namespace

void KCLInitializeUnits()
{
    if (startCount++ > 0)
        return;
    KCLSIInitOSFlags();
    KCLProcsInit();
    KCLGraphUtilsInit();
    KCLBindChangeWindowMessageFilter();
    KCLXPStylesLoad();
    KCLDwmApiLoad();
    KCLClassInit();
    registerComponentClasses();
    KCLContInit();
    KCLCFCSettingObjectInitialize();
    KCLCFCStateObjectInitialize();
}

void KCLFinalizeUnits()
{
    if (startCount == 0 || --startCount > 0)
        return;
    KCLCFCStateObjectFinalize();
    KCLCFCSettingObjectFinalize();
    KCLContFini();
    unregisterComponentClasses();
    KCLClassDone();
    KCLXPThemeManagerDone();
    KCLDwmApiUnload();
    KCLXPStylesUnload();
    KCLUnbindChangeWindowMessageFilter();
    KCLGraphUtilsDone();
    KCLProcsDone();
}

bool KCLUnitsInitialized() { return startCount > 0; }
