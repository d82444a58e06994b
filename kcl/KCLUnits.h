// Start-up and finalisation of the library's units, made explicit.
//
// The units keep process-wide state (the operating-system flags, the bound
// system libraries, the application object, the registered classes, the
// control-state table). Left to static initialisers in a static library, that
// state would exist only when the linker happened to keep the unit's object
// file, so the program calls KCLInitializeUnits once at its start (before the
// first form) and KCLFinalizeUnits at its end (after the last form).
//
// Start-up order (finalisation runs it backwards):
//   1. KCLSysIn: the operating-system flags;
//   2. KCLProcs, KCLGraphUtils ("msimg32.dll"), KCLShUtils (the message
//      filter), KCLXPStyles ("UxTheme.dll"), KCLDwmApi ("dwmapi.dll");
//   3. KCLXPThemeManager (nothing at start-up; its finalisation frees the
//      theme manager after the application object is gone);
//   4. KCLClass: the application object with its instance probe, timer pool
//      and ini control;
//   5. the library's component classes (ini control, form persistence,
//      system information, timer pool) registered for streaming;
//   6. KCLCont: the global resource container, created empty; making its
//      lists registers their item classes for streaming;
//   7. KCLCFCSettingObject: the nine settings classes registered;
//      KCLCFCStateObject: the control-state table.
//
// Calls are counted: only the first start-up and the last finalisation act.
#pragma once

void KCLInitializeUnits();
void KCLFinalizeUnits();
// True between the first start-up and the last finalisation.
bool KCLUnitsInitialized();
