// The processor's identification, read with the x86 CPUID instruction once
// when the object is created: vendor, stepping, model, family (the base 4-bit
// fields only), sixteen feature flags and, on AMD processors, the brand text.
//
// The instruction is reached through a replaceable source so that other
// processors can be presented in tests. The native source uses <cpuid.h> on
// x86 (on 32-bit x86 its support test toggles the ID bit of EFLAGS; on x86-64
// the instruction always exists); on other processors there is no CPUID, so
// ExistCPUInfo is False and the record stays empty.
#pragma once

#include "kcl/KCLObject.h"

#include <cstdint>
#include <functional>

struct TKCLCpuidRegisters {
    uint32_t EAX = 0, EBX = 0, ECX = 0, EDX = 0;
};

// Supported: the support test; Query: the registers of one leaf.
struct TKCLCpuidSource {
    std::function<bool()> Supported;
    std::function<TKCLCpuidRegisters(uint32_t leaf)> Query;
};

TKCLCpuidSource KCLNativeCpuidSource();
// Replaces the source of every later read; a source with an empty function
// restores the native one.
void KCLSetCpuidSource(TKCLCpuidSource source);

// The record in its field order. Flags 0..12 come from leaf 1 EDX bits 0, 1,
// 2, 3, 4, 5, 7, 8, 9, 12, 13, 15 and 23; flags 13..15 from leaf 0x80000001
// EDX bits 11, 16 and 31 (AMD only).
struct TKCLCPUInfo {
    char Vendor[12] = {};
    int32_t Stepping = 0;
    int32_t Model = 0;
    int32_t Family = 0;
    bool Flags[16] = {};
    AnsiString Brand;
};

class TKCLCPUInfoObject : public TKCLObject {
    RBK_CLASS(TKCLCPUInfoObject, TKCLObject)
public:
    explicit TKCLCPUInfoObject(TPersistent *AOwner);

    // Fills the record; returns the support test's result. Without CPUID the
    // vendor, numbers and leaf-1 flags keep their contents.
    static bool ReadCPUID(TKCLCPUInfo &info);
    // Clears the brand and reads the record again.
    void Refresh();
    const TKCLCPUInfo &Info() const { return info_; }

    // Indexed getters: string 0 IDString, 1 CPUName; integer 0 Stepping,
    // 1 Model, 2 Family; Boolean 0..15 the flags, 16 ExistCPUInfo (the support
    // test run again). Other indexes give "", 0 or False.
    AnsiString GetStringItem(int index) const;
    int32_t GetIntItem(int index) const;
    bool GetBoolItem(int index) const;
    // The setters of the read-only properties ignore the value.
    void SetStringItem(int, const AnsiString &) {}
    void SetBoolItem(int, bool) {}

    AnsiString IDString() const { return GetStringItem(0); }
    AnsiString CPUName() const { return GetStringItem(1); }
    int32_t Stepping() const { return GetIntItem(0); }
    int32_t Model() const { return GetIntItem(1); }
    int32_t Family() const { return GetIntItem(2); }
    bool FPU() const { return GetBoolItem(0); }
    bool VirtualModeExtensions() const { return GetBoolItem(1); }
    bool DebuggingExtensions() const { return GetBoolItem(2); }
    bool PageSizeExtensions() const { return GetBoolItem(3); }
    bool TimeStampCoutner() const { return GetBoolItem(4); }
    bool K86_ModelSpecificRegisters() const { return GetBoolItem(5); }
    bool MachineCheckException() const { return GetBoolItem(6); }
    bool CMP_XCHG_8B() const { return GetBoolItem(7); }
    bool APIC() const { return GetBoolItem(8); }
    bool MemoryTypeRangeRegisters() const { return GetBoolItem(9); }
    bool GlobalPaging() const { return GetBoolItem(10); }
    bool Cond_MOVE_Instruct() const { return GetBoolItem(11); }
    bool MMX() const { return GetBoolItem(12); }
    bool SysCallAndSysRet() const { return GetBoolItem(13); }
    bool FPCond_MOVE_Instruct() const { return GetBoolItem(14); }
    bool AMD3DNow() const { return GetBoolItem(15); }
    bool ExistCPUInfo() const { return GetBoolItem(16); }

    static void PublishProperties(platform::TPropList &list);

private:
    TKCLCPUInfo info_;
};
