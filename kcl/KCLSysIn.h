// System information: plain routines that query the running system afresh at
// every call (through platform/SystemFacts.h), the operating-system flags
// computed once at start-up, the temporary folder and the long form of paths.
//
// Name queries answer "(Unknown)" when the system call fails, numeric ones 0.
//
// Paths: the long-name walk rebuilds a path component by component with the
// names a directory search finds. On this system the delimiter is '/', the
// root "/" is the only drive, and a plain component is found under its own
// name (the file system is case-sensitive), so only components with '*' or
// '?' change: they become the first matching entry in byte order. The walk
// itself also runs over the Windows syntax (drive letters, \\server\share,
// '\') with any directory search, which is how its rules are tested.
// One departure from the Windows rule that a drive root loses its delimiter:
// the root "/" comes back as "/", never as "", so that a temporary folder at
// the root does not turn "folder + file name" into a name in the current folder.
#pragma once

#include "platform/Classes.h"
#include "platform/SystemFacts.h"

#include <cstdint>
#include <functional>

using platform::AnsiString;

// ------------------------------------------------------------ OS flags
extern bool KCLSIWin95, KCLSIWin98, KCLSIWinME, KCLSIWinNT, KCLSIWin2000, KCLSIWin2000Suite2,
    KCLSIWinXP, KCLSIWinXPSP2, KCLSIWinXPSP3, KCLSIWinNetServer, KCLSIWinNetServerSuite2,
    KCLSIWinXPSuite3, KCLSIWinXPMediaCenter, KCLSIWinXPTablet, KCLSIWinXPPlain, KCLSIWinVista,
    KCLSIWin2000Up, KCLSIWinNTUp, KCLSIWinXPUp, KCLSIWinNetServerUp, KCLSIWinXPSP2Up,
    KCLSIWinVistaUp, KCLSIPlusAvailable;
extern uint8_t KCLSIOSIndex;
extern const char *const KCLSIOSNames[8];

// Computes the flags and the OS index from the system's version record (the
// unit's start-up, run by KCLInitializeUnits; tests run it again after
// installing a fake system).
void KCLSIInitOSFlags();

// "(Unknown)".
extern const char *const KCLSIUnknown;

// ------------------------------------------------------------- version
void KCLSIInitVersionInfo(platform::TOSVersionInfoEx &info);
bool KCLSIGetVersionEx(platform::TOSVersionInfoEx &info);
// 0 major, 1 minor, 2 platform id, 3 build, 4 service-pack major, 5 minor,
// 6 suite mask, 7 product type; 0 on failure or for another selector.
int KCLSIVersionField(int selector);
uint16_t KCLSISuiteMask();
uint16_t KCLSIBuildNumber();
AnsiString KCLSIPlatformName();
AnsiString KCLSIVersionText();

// -------------------------------------------------- display, keyboard
uint8_t KCLSIColorDepth();
int KCLSIScreenSaverDelay();
bool KCLSINumLockState();
bool KCLSICapsLockState();
bool KCLSIScrollLockState();

// --------------------------------------------------- memory, processors
void KCLSIMemoryStatus(platform::TMemoryStatusEx &status);
uint8_t KCLSIMemoryLoad();
uint64_t KCLSIMemPhysTotal();
uint64_t KCLSIMemPhysFree();
uint64_t KCLSIMemPageTotal();
uint64_t KCLSIMemPageFree();
uint64_t KCLSIMemVirtTotal();
uint64_t KCLSIMemVirtFree();
uint64_t KCLSIMemVirtExtended();
uint8_t KCLSIProcessorCount();
AnsiString KCLSIProcessorTypeName();
// Selector 0 system, 1 GDI, 2 user; 100 when the helper library is missing.
int KCLSIFreeResources(int selector);
int KCLSIFreeResSystem();
int KCLSIFreeResGdi();
int KCLSIFreeResUser();

// ------------------------------------------------- names and folders
void KCLSIEnvironment(platform::TStringList *list);
AnsiString KCLSIWindowsDir();
AnsiString KCLSISystemDir();
AnsiString KCLSIRegisteredCompany();
AnsiString KCLSIRegisteredOwner();
AnsiString KCLSIComputerName();
AnsiString KCLSIUserName();
int KCLSIDefaultLangID();
AnsiString KCLSITimeZoneName();
int KCLSITimeZoneBias();

// ------------------------------------------------- temporary folder
// The temporary folder in its long form, ending in '/'; "" when the system
// gives none.
AnsiString KCLSITempPath();
// The long form of an absolute path (see above). Relative paths come back
// unchanged.
AnsiString KCLSILongPathName(const AnsiString &path);

// The walk over either syntax. `findFirst(pattern, name)` answers the name of
// the first entry that matches the pattern (a full path whose last component
// may hold wildcards), or false.
struct TKCLPathSyntax {
    char Delimiter;
    bool DrivesAndShares; // "C:" drives, "\\server\share" prefixes, ':' ends a component
};
constexpr TKCLPathSyntax KCLPosixPaths{'/', false};
constexpr TKCLPathSyntax KCLWindowsPaths{'\\', true};
using TKCLFindFirst = std::function<bool(const AnsiString &pattern, AnsiString &name)>;
AnsiString KCLSILongPathNameWith(const AnsiString &path, const TKCLPathSyntax &syntax,
                                 const TKCLFindFirst &findFirst);
// The directory search of this system: a plain last component is found when
// the entry exists; one with '*' or '?' gives the first matching entry in
// byte order ("." and ".." left out).
bool KCLSIFindFirst(const AnsiString &pattern, AnsiString &name);
