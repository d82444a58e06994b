// The plain types of the system interfaces that the library binds by name
// (visual styles, desktop composition, alpha blending, the message filter).
// Handles are opaque numbers; records have the system's layout. Nothing here
// is backed by the system: the bound functions come from the library table
// (platform/Libraries.h), which is empty in the program.
#pragma once

#include <cstdint>

namespace platform {

using BOOL = int32_t;
using HRESULT = int32_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using WORD = uint16_t;
using COLORREF = uint32_t;
using WCHAR = char16_t;
using LPCWSTR = const WCHAR *;
using LPWSTR = WCHAR *;

using HWND = uintptr_t;
using HDC = uintptr_t;
using HRGN = uintptr_t;
using HBRUSH = uintptr_t;
using HIMAGELIST = uintptr_t;
using HTHEME = uintptr_t;


struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
    int32_t x = 0, y = 0;
};
struct SIZE {
    int32_t cx = 0, cy = 0;
};
struct MARGINS {
    int32_t cxLeftWidth = 0, cxRightWidth = 0, cyTopHeight = 0, cyBottomHeight = 0;
};
struct BLENDFUNCTION {
    uint8_t BlendOp = 0, BlendFlags = 0, SourceConstantAlpha = 0, AlphaFormat = 0;
};
// Records that only pass through pointers here.
struct LOGFONTW;
struct TEXTMETRICW;
struct INTLIST;
struct DTTOPTS;

} // namespace platform
