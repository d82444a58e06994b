#include "kcl/KCLDwmApi.h"

#include "kcl/KCLSysIn.h"

TKCLDwmIsCompositionEnabledFunc *DwmIsCompositionEnabled = nullptr;
TKCLDwmSetWindowAttributeFunc *DwmSetWindowAttribute = nullptr;
TKCLDwmGetWindowAttributeFunc *DwmGetWindowAttribute = nullptr;
TKCLDwmExtendFrameIntoClientAreaFunc *DwmExtendFrameIntoClientArea = nullptr;
TKCLDrawThemeTextExFunc *DrawThemeTextEx = nullptr;
bool KCLDwmApiLoaded = false;
platform::BOOL KCLDwmCompositionEnabled = 0;

namespace {
platform::HMODULE dwmapi = 0;
platform::HMODULE uxtheme = 0;

template <class F>
void bind(F *&pointer, platform::HMODULE module, const char *name)
{
    pointer = platform::FromFarProc<F>(platform::GetProcAddress(module, name));
}
} // namespace

void KCLDwmApiLoad()
{
    if (KCLDwmApiLoaded || !KCLSIWinVistaUp)
        return;
    dwmapi = platform::LoadLibrary("dwmapi.dll");
    uxtheme = platform::LoadLibrary("uxtheme.dll");
    if (dwmapi != 0) {
        bind(DwmIsCompositionEnabled, dwmapi, "DwmIsCompositionEnabled");
        bind(DwmSetWindowAttribute, dwmapi, "DwmSetWindowAttribute");
        bind(DwmGetWindowAttribute, dwmapi, "DwmGetWindowAttribute");
        bind(DwmExtendFrameIntoClientArea, dwmapi, "DwmExtendFrameIntoClientArea");
        if (uxtheme != 0)
            bind(DrawThemeTextEx, uxtheme, "DrawThemeTextEx");
    }
    KCLDwmApiLoaded = true;
    KCLDwmRefreshComposition();
}

void KCLDwmApiUnload()
{
    // A uxtheme handle taken without dwmapi is released too, so that no load
    // stays counted.
    if (dwmapi != 0)
        platform::FreeLibrary(dwmapi);
    if (uxtheme != 0)
        platform::FreeLibrary(uxtheme);
    dwmapi = uxtheme = 0;
    DwmIsCompositionEnabled = nullptr;
    DwmSetWindowAttribute = nullptr;
    DwmGetWindowAttribute = nullptr;
    DwmExtendFrameIntoClientArea = nullptr;
    DrawThemeTextEx = nullptr;
    KCLDwmApiLoaded = false;
    KCLDwmCompositionEnabled = 0;
}

void KCLDwmRefreshComposition()
{
    if (DwmIsCompositionEnabled != nullptr)
        DwmIsCompositionEnabled(&KCLDwmCompositionEnabled);
}
