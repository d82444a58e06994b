// The table of named control states: eight entries, each a pattern over the
// seven control-state flags (Focused, MouseAbove, Down, Modified, ReadOnly,
// WrongData, Disabled). A pattern value is 0 when the flag must be clear, 1
// when it must be set and 2 when either is accepted. The first entry in list
// order whose pattern matches a control's flags is its state; every
// combination matches exactly one entry of the table built at start-up.
#pragma once

#include "platform/SysUtils.h"

#include <array>
#include <cstdint>
#include <vector>

using platform::AnsiString;

inline constexpr int KCLStateFlagCount = 7;

struct TKCLStateEntry {
    std::array<uint8_t, KCLStateFlagCount> Pattern{};
    AnsiString Name;
};

// The names of the seven flags, in pattern order.
extern const std::array<const char *, KCLStateFlagCount> KCLStateFlagNames;

// The global list, owned by the unit; made and filled by the unit's
// start-up (KCLCFCStateObjectInitialize, which does nothing while the list
// exists), freed by its finalisation; nil outside that time.
extern std::vector<TKCLStateEntry *> *KCLStateEntries;

void KCLAddStateEntry(const std::array<uint8_t, KCLStateFlagCount> &Pattern, const AnsiString &Name);
int KCLStateEntryCount();
// Releases every entry; the list keeps its (now dangling) pointers until
// it is freed, as at shut-down.
void KCLFreeStateEntries();

// The first entry whose pattern accepts Flags (one value 0 or 1 per flag),
// or nil.
const TKCLStateEntry *KCLFindStateEntry(const std::array<uint8_t, KCLStateFlagCount> &Flags);

void KCLCFCStateObjectInitialize();
void KCLCFCStateObjectFinalize();
