// Binding of the window-message filter of "user32.dll" by name (nil before
// the systems that have it, and always here), and the centring of a form on
// its monitor.
#pragma once

#include "platform/Libraries.h"
#include "platform/WinTypes.h"

namespace platform {
class TCustomForm;
}

using TKCLChangeWindowMessageFilterFunc = platform::BOOL(platform::UINT Message, platform::DWORD Flag);
extern TKCLChangeWindowMessageFilterFunc *ChangeWindowMessageFilter;

// The unit's start-up and finalisation.
void KCLBindChangeWindowMessageFilter();
void KCLUnbindChangeWindowMessageFilter();

// Centres Form on a monitor: that of the screen's active form when there is a
// main form and an active form, that of the main form when there is a main
// form but no active form, else the screen's first monitor. Only the
// monitor's size counts (its offset on the desktop is not added): left :=
// (monitor width - form width) / 2 and top likewise, truncated toward zero,
// through one SetBounds that keeps the form's size. A form wider or taller
// than the monitor's work area instead shrinks to it and is placed on it.
// Nothing for nil.
void KCLCenterForm(platform::TCustomForm *Form);
