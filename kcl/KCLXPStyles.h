// Binding of the visual-styles library ("UxTheme.dll") by name. Each of its
// functions is a global pointer that stays nil while the library or the
// function is absent; callers test the pointer (or KCLThemeLibraryLoaded)
// before calling. The library is looked for only on the NT platform at
// version 5.1 or later, with the system's file-error box suppressed during
// the load.
//
// On this system the library table is empty (platform/Libraries.h), so the
// pointers stay nil and KCLThemeLibraryLoaded false unless a test registers a
// provider.
#pragma once

#include "platform/Libraries.h"
#include "platform/WinTypes.h"

using platform::BOOL;
using platform::COLORREF;
using platform::DWORD;
using platform::HBRUSH;
using platform::HDC;
using platform::HIMAGELIST;
using platform::HRESULT;
using platform::HRGN;
using platform::HTHEME;
using platform::HWND;
using platform::LPCWSTR;
using platform::LPWSTR;
using platform::UINT;
using platform::WORD;

// X(name, result, parameters), in binding order.
#define KCL_UXTHEME_FUNCTIONS(X)                                                                                      \
    X(IsThemeActive, BOOL, ())                                                                                        \
    X(EnableTheming, HRESULT, (BOOL))                                                                                 \
    X(OpenThemeData, HTHEME, (HWND, LPCWSTR))                                                                         \
    X(CloseThemeData, HRESULT, (HTHEME))                                                                              \
    X(DrawThemeParentBackground, HRESULT, (HWND, HDC, const platform::RECT *))                                        \
    X(DrawThemeBackground, HRESULT, (HTHEME, HDC, int, int, const platform::RECT *, const platform::RECT *))          \
    X(DrawThemeText, HRESULT, (HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const platform::RECT *))            \
    X(GetThemeBackgroundContentRect, HRESULT, (HTHEME, HDC, int, int, const platform::RECT *, platform::RECT *))      \
    X(GetThemeBackgroundExtent, HRESULT, (HTHEME, HDC, int, int, const platform::RECT *, platform::RECT *))           \
    X(GetThemePartSize, HRESULT, (HTHEME, HDC, int, int, const platform::RECT *, int, platform::SIZE *))              \
    X(GetThemeTextExtent, HRESULT,                                                                                    \
      (HTHEME, HDC, int, int, LPCWSTR, int, DWORD, const platform::RECT *, platform::RECT *))                          \
    X(GetThemeTextMetrics, HRESULT, (HTHEME, HDC, int, int, platform::TEXTMETRICW *))                                 \
    X(GetThemeBackgroundRegion, HRESULT, (HTHEME, HDC, int, int, const platform::RECT *, HRGN *))                     \
    X(HitTestThemeBackground, HRESULT,                                                                                \
      (HTHEME, HDC, int, int, DWORD, const platform::RECT *, HRGN, platform::POINT, WORD *))                          \
    X(DrawThemeEdge, HRESULT, (HTHEME, HDC, int, int, const platform::RECT *, UINT, UINT, platform::RECT *))          \
    X(DrawThemeIcon, HRESULT, (HTHEME, HDC, int, int, const platform::RECT *, HIMAGELIST, int))                       \
    X(IsThemePartDefined, BOOL, (HTHEME, int, int))                                                                   \
    X(IsThemeBackgroundPartiallyTransparent, BOOL, (HTHEME, int, int))                                                \
    X(GetThemeColor, HRESULT, (HTHEME, int, int, int, COLORREF *))                                                    \
    X(GetThemeMetric, HRESULT, (HTHEME, HDC, int, int, int, int *))                                                   \
    X(GetThemeString, HRESULT, (HTHEME, int, int, int, LPWSTR, int))                                                  \
    X(GetThemeBool, HRESULT, (HTHEME, int, int, int, BOOL *))                                                         \
    X(GetThemeInt, HRESULT, (HTHEME, int, int, int, int *))                                                           \
    X(GetThemeEnumValue, HRESULT, (HTHEME, int, int, int, int *))                                                     \
    X(GetThemeFilename, HRESULT, (HTHEME, int, int, int, LPWSTR, int))                                                \
    X(GetThemePosition, HRESULT, (HTHEME, int, int, int, platform::POINT *))                                          \
    X(GetThemeFont, HRESULT, (HTHEME, HDC, int, int, int, platform::LOGFONTW *))                                      \
    X(GetThemeRect, HRESULT, (HTHEME, int, int, int, platform::RECT *))                                               \
    X(GetThemeMargins, HRESULT, (HTHEME, HDC, int, int, int, platform::RECT *, platform::MARGINS *))                  \
    X(GetThemeIntList, HRESULT, (HTHEME, int, int, int, platform::INTLIST *))                                         \
    X(GetThemePropertyOrigin, HRESULT, (HTHEME, int, int, int, int *))                                                \
    X(SetWindowTheme, HRESULT, (HWND, LPCWSTR, LPCWSTR))                                                              \
    X(GetThemeSysColor, COLORREF, (HTHEME, int))                                                                      \
    X(GetThemeSysColorBrush, HBRUSH, (HTHEME, int))                                                                   \
    X(GetThemeSysSize, int, (HTHEME, int))                                                                            \
    X(GetThemeSysBool, BOOL, (HTHEME, int))                                                                           \
    X(GetThemeSysFont, HRESULT, (HTHEME, int, platform::LOGFONTW *))                                                  \
    X(GetThemeSysString, HRESULT, (HTHEME, int, LPWSTR, int))                                                         \
    X(GetThemeSysInt, HRESULT, (HTHEME, int, int *))                                                                  \
    X(IsAppThemed, BOOL, ())                                                                                          \
    X(GetWindowTheme, HTHEME, (HWND))                                                                                 \
    X(EnableThemeDialogTexture, HRESULT, (HWND, DWORD))                                                               \
    X(IsThemeDialogTextureEnabled, BOOL, (HWND))                                                                      \
    X(GetThemeAppProperties, DWORD, ())                                                                               \
    X(SetThemeAppProperties, void, (DWORD))                                                                           \
    X(GetThemeDocumentationProperty, HRESULT, (LPCWSTR, LPCWSTR, LPWSTR, int))                                        \
    X(GetCurrentThemeName, HRESULT, (LPWSTR, int, LPWSTR, int, LPWSTR, int))

#define KCL_DECLARE_POINTER(name, result, params) extern result(*name) params;
KCL_UXTHEME_FUNCTIONS(KCL_DECLARE_POINTER)
#undef KCL_DECLARE_POINTER

// The number of functions bound, and their names in binding order.
inline constexpr int KCLXPStylesFunctionCount = 47;
extern const char *const KCLXPStylesFunctionNames[KCLXPStylesFunctionCount];

// Flags of SetThemeAppProperties.
inline constexpr DWORD STAP_ALLOW_NONCLIENT = 1;
inline constexpr DWORD STAP_ALLOW_CONTROLS = 2;

// True while the library is loaded.
extern bool KCLThemeLibraryLoaded;

// The unit's start-up: loads the library when the system is fit for it and
// binds every function. Does nothing when already loaded.
void KCLXPStylesLoad();
// The unit's finalisation: clears every pointer and frees the library; does
// nothing when not loaded. An exception of the unload goes to the library's
// debug output.
void KCLXPStylesUnload();

// The library's debug output; it writes nothing.
void KCLDebugOutput(const char *Text);
