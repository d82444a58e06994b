#include "kcl/KCLXPStyles.h"

#include "kcl/KCLSysIn.h"

#define KCL_DEFINE_POINTER(name, result, params) result(*name) params = nullptr;
KCL_UXTHEME_FUNCTIONS(KCL_DEFINE_POINTER)
#undef KCL_DEFINE_POINTER

#define KCL_NAME(name, result, params) #name,
const char *const KCLXPStylesFunctionNames[KCLXPStylesFunctionCount] = {KCL_UXTHEME_FUNCTIONS(KCL_NAME)};
#undef KCL_NAME

bool KCLThemeLibraryLoaded = false;

namespace {

platform::HMODULE themeLibrary = 0;

template <class F>
void bind(F *&pointer, const char *name)
{
    pointer = platform::FromFarProc<F>(platform::GetProcAddress(themeLibrary, name));
}

bool systemFitForThemes()
{
    platform::TOSVersionInfoEx v;
    KCLSIInitVersionInfo(v);
    if (!KCLSIGetVersionEx(v) || v.dwPlatformId != platform::VER_PLATFORM_WIN32_NT)
        return false;
    return (v.dwMajorVersion == 5 && v.dwMinorVersion >= 1) || v.dwMajorVersion >= 6;
}

} // namespace

void KCLDebugOutput(const char *) {}

void KCLXPStylesLoad()
{
    if (KCLThemeLibraryLoaded || !systemFitForThemes())
        return;
    const uint32_t oldMode = platform::SetErrorMode(platform::SEM_NOOPENFILEERRORBOX);
    themeLibrary = platform::LoadLibrary("UxTheme.dll");
    platform::SetErrorMode(oldMode);
    if (themeLibrary == 0)
        return;
#define KCL_BIND(name, result, params) bind(name, #name);
    KCL_UXTHEME_FUNCTIONS(KCL_BIND)
#undef KCL_BIND
    KCLThemeLibraryLoaded = true;
}

void KCLXPStylesUnload()
{
    try {
        if (KCLThemeLibraryLoaded) {
#define KCL_CLEAR(name, result, params) name = nullptr;
            KCL_UXTHEME_FUNCTIONS(KCL_CLEAR)
#undef KCL_CLEAR
            platform::FreeLibrary(themeLibrary);
            themeLibrary = 0;
        }
        KCLThemeLibraryLoaded = false;
    } catch (const std::exception &e) {
        KCLDebugOutput((std::string("ERROR finalization KCLUxTheme: ") + e.what()).c_str());
    }
}
