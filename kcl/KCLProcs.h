// Binding of the alpha-blend library ("msimg32.dll") by name, and the names of
// the standard clipboard formats. The two pointers stay nil while the library
// or a function is absent, as they do on this system (the library table is
// empty outside tests).
#pragma once

#include "platform/Libraries.h"
#include "platform/SysUtils.h"
#include "platform/WinTypes.h"

#include <array>

using TKCLAlphaBlendFunc = platform::BOOL(platform::HDC, int, int, int, int, platform::HDC, int, int, int, int,
                                          platform::BLENDFUNCTION);
using TKCLTransparentBltFunc = platform::BOOL(platform::HDC, int, int, int, int, platform::HDC, int, int, int, int,
                                              platform::UINT);

extern TKCLAlphaBlendFunc *AlphaBlend;
extern TKCLTransparentBltFunc *TransparentBlt;

// Names of the standard clipboard formats, indexed by the format number 1 to
// 16 (slot 0 is unused and empty); filled by the unit's start-up and emptied
// by its finalisation.
extern std::array<platform::AnsiString, 17> KCLClipboardFormatNames;

// The unit's start-up: fills the format names, loads the library and looks up
// both functions.
void KCLProcsInit();
// The unit's finalisation: frees the library, clears both pointers and
// empties the format names.
void KCLProcsDone();
