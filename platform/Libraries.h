// System libraries loaded by name, as the library binds its optional
// interfaces (visual styles, desktop composition, alpha blending, the message
// filter) and loads bitmaps kept in other modules.
//
// There are no Windows libraries on this system: LoadLibrary looks the name
// up in a table of our own, which is empty in the program, so every binding
// stays nil and every "library absent" branch is the one that runs. Tests
// (and nothing else) register providers: a library is a table of named
// functions and a table of named resources (bitmaps as BMP file images, or
// any other bytes).
//
// - Library names match without regard to ASCII letter case, and a name
//   without an extension gets ".DLL", as the system's loader does: "UxTheme.dll",
//   "uxtheme.DLL" and "uxtheme" name one library. A folder in front of the name
//   is ignored.
// - Function and resource names match exactly (function names are
//   case-sensitive in the system too); resource names ignore ASCII case. A
//   numeric resource identifier is the name "#" + the number (ResourceIdName).
// - LoadLibrary counts its loads: each successful call gives the same
//   handle and must be matched by one FreeLibrary. Freeing a handle that is
//   not loaded fails (false). Unregistering a library makes its handle stale:
//   GetProcAddress and FindResourceData on it answer nil.
// - HInstance is the program's own module: it is always loaded, FreeLibrary
//   leaves it alone, and its resources are those registered under the name
//   ProgramModuleName.
// - SetErrorMode only records the mode (there are no error boxes to suppress)
//   and answers the previous one.
// - The table is shared by the whole process and guarded by a lock; the
//   program uses it from the main thread only.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <map>

namespace platform {

using HMODULE = uintptr_t; // 0: no module
// A function of a library, cast to its real signature by the caller.
using FARPROC = void (*)();

// Makes an FARPROC of any function pointer (for providers and tests).
template <class F>
FARPROC ToFarProc(F *function)
{
    return reinterpret_cast<FARPROC>(function);
}
// The caller's view of a looked-up function.
template <class F>
F *FromFarProc(FARPROC proc)
{
    return reinterpret_cast<F *>(proc);
}

constexpr uint32_t SEM_FAILCRITICALERRORS = 0x0001;
constexpr uint32_t SEM_NOOPENFILEERRORBOX = 0x8000;

// The name under which the program's own resources are registered.
extern const char *const ProgramModuleName;
// The program's own module handle.
extern const HMODULE HInstance;

// ------------------------------------------------------------ the table

// Adds (or replaces) a library with its functions. Replacing keeps the load
// count of a loaded library.
void RegisterLibrary(const AnsiString &Name, const std::map<AnsiString, FARPROC> &Functions = {});
// Adds (or replaces) one named resource of a library; the library is
// registered (without functions) when it is not yet.
void RegisterLibraryResource(const AnsiString &Library, const AnsiString &ResourceName, const AnsiString &Data);
// Removes a library; its handle becomes stale.
void UnregisterLibrary(const AnsiString &Name);
// Empties the table (tests).
void ClearLibraries();

// "#" + Ident: the name of a numeric resource identifier.
AnsiString ResourceIdName(uint32_t Ident);

// ------------------------------------------------------------ the loader

// The handle of the registered library, its load count raised; 0 when no
// such library is registered.
HMODULE LoadLibrary(const AnsiString &FileName);
inline HMODULE LoadLibraryA(const AnsiString &FileName) { return LoadLibrary(FileName); }
// Lowers the load count; false for a handle that is not loaded.
bool FreeLibrary(HMODULE Module);
// The function named ProcName of a loaded library, or nil.
FARPROC GetProcAddress(HMODULE Module, const AnsiString &ProcName);
// The bytes of a named resource of a loaded library (or of HInstance), or
// nil. The pointer stays valid until the resource is replaced or its library
// unregistered.
const AnsiString *FindResourceData(HMODULE Module, const AnsiString &ResourceName);
// Answers the previous mode.
uint32_t SetErrorMode(uint32_t Mode);
uint32_t GetErrorMode();

// Tests: the load count of a registered library (0 when not loaded or not
// registered).
int LibraryLoadCount(const AnsiString &Name);

} // namespace platform
