// Binding of the desktop-composition library ("dwmapi.dll", with
// "DrawThemeTextEx" of "uxtheme.dll") by name, only on systems of the Vista
// family and later. The pointers stay nil while a library or function is
// absent, as always on this system outside tests; KCLDwmCompositionEnabled
// then stays false.
#pragma once

#include "platform/Libraries.h"
#include "platform/WinTypes.h"

using TKCLDwmIsCompositionEnabledFunc = platform::HRESULT(platform::BOOL *Enabled);
using TKCLDwmSetWindowAttributeFunc = platform::HRESULT(platform::HWND, platform::DWORD Attribute, const void *Value,
                                                        platform::DWORD Size);
using TKCLDwmGetWindowAttributeFunc = platform::HRESULT(platform::HWND, platform::DWORD Attribute, void *Value,
                                                        platform::DWORD Size);
using TKCLDwmExtendFrameIntoClientAreaFunc = platform::HRESULT(platform::HWND, const platform::MARGINS *Margins);
using TKCLDrawThemeTextExFunc = platform::HRESULT(platform::HTHEME, platform::HDC, int PartId, int StateId,
                                                  platform::LPCWSTR Text, int Count, platform::DWORD Flags,
                                                  platform::RECT *Rect, const platform::DTTOPTS *Options);

extern TKCLDwmIsCompositionEnabledFunc *DwmIsCompositionEnabled;
extern TKCLDwmSetWindowAttributeFunc *DwmSetWindowAttribute;
extern TKCLDwmGetWindowAttributeFunc *DwmGetWindowAttribute;
extern TKCLDwmExtendFrameIntoClientAreaFunc *DwmExtendFrameIntoClientArea;
extern TKCLDrawThemeTextExFunc *DrawThemeTextEx;

// True once the unit has loaded (or tried to load) the composition library.
extern bool KCLDwmApiLoaded;
// What the composition query last answered (a BOOL, non-zero when on).
extern platform::BOOL KCLDwmCompositionEnabled;

// The unit's start-up: when not loaded and the system is of the Vista family
// or later, loads both libraries, binds what they hold, marks itself loaded
// and refreshes the composition state.
void KCLDwmApiLoad();
// The unit's finalisation: frees both libraries when the composition library
// was loaded, and clears the pointers.
void KCLDwmApiUnload();
// Asks the bound composition query into KCLDwmCompositionEnabled; without it
// the variable keeps its value.
void KCLDwmRefreshComposition();
