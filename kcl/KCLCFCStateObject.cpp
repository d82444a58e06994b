#include "kcl/KCLCFCStateObject.h"

const std::array<const char *, KCLStateFlagCount> KCLStateFlagNames = {
    "Focused", "MouseAbove", "Down", "Modified", "ReadOnly", "WrongData", "Disabled",
};

std::vector<TKCLStateEntry *> *KCLStateEntries = nullptr;

void KCLAddStateEntry(const std::array<uint8_t, KCLStateFlagCount> &Pattern, const AnsiString &Name)
{
    if (KCLStateEntries == nullptr)
        KCLStateEntries = new std::vector<TKCLStateEntry *>();
    auto *entry = new TKCLStateEntry;
    entry->Pattern = Pattern;
    entry->Name = Name;
    KCLStateEntries->push_back(entry);
}

int KCLStateEntryCount() { return KCLStateEntries == nullptr ? 0 : int(KCLStateEntries->size()); }

void KCLFreeStateEntries()
{
    if (KCLStateEntries == nullptr)
        return;
    for (TKCLStateEntry *&e : *KCLStateEntries) {
        delete e;
        e = nullptr;
    }
}

const TKCLStateEntry *KCLFindStateEntry(const std::array<uint8_t, KCLStateFlagCount> &Flags)
{
    if (KCLStateEntries == nullptr)
        return nullptr;
    for (const TKCLStateEntry *e : *KCLStateEntries) {
        if (e == nullptr)
            continue;
        bool match = true;
        for (int i = 0; i < KCLStateFlagCount && match; ++i)
            match = e->Pattern[i] == 2 || e->Pattern[i] == (Flags[i] != 0 ? 1 : 0);
        if (match)
            return e;
    }
    return nullptr;
}

void KCLCFCStateObjectInitialize()
{
    if (KCLStateEntries != nullptr)
        return;
    KCLStateEntries = new std::vector<TKCLStateEntry *>();
    KCLAddStateEntry({0, 0, 0, 0, 0, 0, 1}, "Disabled");
    KCLAddStateEntry({0, 0, 0, 0, 0, 1, 2}, "Error");
    KCLAddStateEntry({1, 0, 0, 0, 0, 2, 2}, "Focused");
    KCLAddStateEntry({2, 0, 0, 0, 1, 2, 2}, "ReadOnly");
    KCLAddStateEntry({2, 1, 0, 0, 2, 2, 2}, "Hot");
    KCLAddStateEntry({2, 2, 1, 0, 2, 2, 2}, "Pressed");
    KCLAddStateEntry({2, 2, 2, 1, 2, 2, 2}, "Modified");
    KCLAddStateEntry({2, 2, 2, 2, 2, 2, 2}, "Normal");
}

void KCLCFCStateObjectFinalize()
{
    KCLFreeStateEntries();
    delete KCLStateEntries;
    KCLStateEntries = nullptr;
}
