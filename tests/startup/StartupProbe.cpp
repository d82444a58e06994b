// A program linked as the reader is (its static libraries, no reference to
// any unit of the library but the start-up call the reader's main makes).
// It runs the start-up and reports on stdout what the class registry and the
// control-state table hold, then finalises; exit status 0 when everything
// that a form stream or a control may name is there.
#include "kcl/KCLCFCStateObject.h"
#include "kcl/KCLClass.h"
#include "kcl/KCLCont.h"
#include "kcl/KCLUnits.h"
#include "platform/TypInfo.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const char *const names[] = {"TKCLBevel",       "TKCL3DCaption",     "TKCLFxCaption",   "TKCLFillObject",
                                 "TFont",           "TKCLBitmapEffectObject", "TKCLColorObject", "TKCLCtlSettings",
                                 "TKCLStyleObject", "TKCLIniCtrl",       "TKCLFormPersistent", "TKCLSysInfo",
                                 "TKCLTimerPool"};
    int missing = 0;
    for (const char *name : names)
        if (platform::GetClass(name) != nullptr) {
            std::printf("registered before start-up: %s\n", name);
            ++missing;
        }
    KCLInitializeUnits();
    for (const char *name : names)
        if (platform::GetClass(name) == nullptr) {
            std::printf("not registered: %s\n", name);
            ++missing;
        }
    std::printf("state entries: %d\n", KCLStateEntryCount());
    std::printf("global container: %s\n", KCLDefaultContainer ? "made" : "missing");
    for (const char *item : {"TKCLBitmapListItem", "TKCLImageListItem", "TKCLWaveListItem", "TKCLStringListItem"})
        if (platform::GetClass(item) == nullptr) {
            std::printf("not registered: %s\n", item);
            ++missing;
        }
    if (KCLStateEntryCount() != 8 || KCLApplication() == nullptr || KCLDefaultContainer == nullptr)
        ++missing;
    KCLFinalizeUnits();
    if (KCLStateEntryCount() != 0 || KCLApplication() != nullptr || platform::GetClass("TKCLBevel") != nullptr)
        ++missing;
    std::printf("%s\n", missing == 0 ? "start-up complete" : "start-up incomplete");
    return missing == 0 ? 0 : 1;
}
