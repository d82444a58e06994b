#include "kcl/KCLCPUInfoObject.h"

#include <cstring>
#include <mutex>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define KCL_HAVE_CPUID 1
#endif

namespace {

std::mutex g_sourceMutex;
TKCLCpuidSource g_source;

TKCLCpuidSource currentSource()
{
    std::lock_guard<std::mutex> lock(g_sourceMutex);
    if (g_source.Supported && g_source.Query)
        return g_source;
    return KCLNativeCpuidSource();
}

const int kLeaf1Bits[13] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 12, 13, 15, 23};
const int kAmdBits[3] = {11, 16, 31};

} // namespace

TKCLCpuidSource KCLNativeCpuidSource()
{
    TKCLCpuidSource s;
#ifdef KCL_HAVE_CPUID
    s.Supported = [] { return __get_cpuid_max(0, nullptr) != 0; };
    s.Query = [](uint32_t leaf) {
        TKCLCpuidRegisters r;
        __cpuid(leaf, r.EAX, r.EBX, r.ECX, r.EDX);
        return r;
    };
#else
    s.Supported = [] { return false; };
    s.Query = [](uint32_t) { return TKCLCpuidRegisters(); };
#endif
    return s;
}

void KCLSetCpuidSource(TKCLCpuidSource source)
{
    std::lock_guard<std::mutex> lock(g_sourceMutex);
    g_source = std::move(source);
}

bool TKCLCPUInfoObject::ReadCPUID(TKCLCPUInfo &info)
{
    const TKCLCpuidSource cpu = currentSource();
    const bool supported = cpu.Supported();
    if (supported) {
        const TKCLCpuidRegisters r0 = cpu.Query(0);
        std::memcpy(info.Vendor, &r0.EBX, 4);
        std::memcpy(info.Vendor + 4, &r0.EDX, 4);
        std::memcpy(info.Vendor + 8, &r0.ECX, 4);
        const TKCLCpuidRegisters r1 = cpu.Query(1);
        info.Stepping = int32_t(r1.EAX & 0xF);
        info.Model = int32_t((r1.EAX >> 4) & 0xF);
        info.Family = int32_t((r1.EAX >> 8) & 0xF);
        for (int i = 0; i < 13; ++i)
            info.Flags[i] = (r1.EDX >> kLeaf1Bits[i]) & 1;
    }
    bool amdDone = false;
    if (supported && std::memcmp(info.Vendor, "AuthenticAMD", 12) == 0) {
        const uint32_t maxExt = cpu.Query(0x80000000u).EAX;
        if ((maxExt & 0xFF) != 0) {
            const uint32_t edx = cpu.Query(0x80000001u).EDX;
            for (int i = 0; i < 3; ++i)
                info.Flags[13 + i] = (edx >> kAmdBits[i]) & 1;
            info.Brand.clear();
            // Compared as signed numbers, as the processor's answer was.
            if (int32_t(maxExt) >= int32_t(0x80000004u)) {
                char brand[49] = {};
                for (uint32_t k = 0; k < 3; ++k) {
                    const TKCLCpuidRegisters r = cpu.Query(0x80000002u + k);
                    std::memcpy(brand + 16 * k, &r.EAX, 4);
                    std::memcpy(brand + 16 * k + 4, &r.EBX, 4);
                    std::memcpy(brand + 16 * k + 8, &r.ECX, 4);
                    std::memcpy(brand + 16 * k + 12, &r.EDX, 4);
                }
                info.Brand = brand; // up to the first zero byte
            }
            amdDone = true;
        }
    }
    if (!amdDone) {
        info.Flags[13] = info.Flags[14] = info.Flags[15] = false;
        info.Brand.clear();
    }
    return supported;
}

TKCLCPUInfoObject::TKCLCPUInfoObject(TPersistent *AOwner) : TKCLObject(AOwner) { Refresh(); }

void TKCLCPUInfoObject::Refresh()
{
    info_.Brand.clear();
    ReadCPUID(info_);
}

AnsiString TKCLCPUInfoObject::GetStringItem(int index) const
{
    switch (index) {
    case 0: return AnsiString(info_.Vendor, strnlen(info_.Vendor, sizeof info_.Vendor));
    case 1: return info_.Brand;
    default: return AnsiString();
    }
}

int32_t TKCLCPUInfoObject::GetIntItem(int index) const
{
    switch (index) {
    case 0: return info_.Stepping;
    case 1: return info_.Model;
    case 2: return info_.Family;
    default: return 0;
    }
}

bool TKCLCPUInfoObject::GetBoolItem(int index) const
{
    if (index >= 0 && index < 16)
        return info_.Flags[index];
    if (index == 16)
        return currentSource().Supported();
    return false;
}

void TKCLCPUInfoObject::PublishProperties(platform::TPropList &list)
{
    platform::TPropertyTable<TKCLCPUInfoObject> p(list);
    using T = TKCLCPUInfoObject;
    p.String("IDString", [](const T &o) { return o.GetStringItem(0); });
    p.Integer("Stepping", [](const T &o) { return o.GetIntItem(0); });
    p.Integer("Model", [](const T &o) { return o.GetIntItem(1); });
    p.Integer("Family", [](const T &o) { return o.GetIntItem(2); });
    p.Boolean("FPU", [](const T &o) { return o.GetBoolItem(0); });
    static const char *const flagNames[] = {
        "VirtualModeExtensions", "DebuggingExtensions",  "PageSizeExtensions", "TimeStampCoutner",
        "K86_ModelSpecificRegisters", "MachineCheckException", "CMP_XCHG_8B", "APIC",
        "MemoryTypeRangeRegisters", "GlobalPaging", "Cond_MOVE_Instruct", "MMX", "SysCallAndSysRet",
        "FPCond_MOVE_Instruct", "AMD3DNow"};
    for (int i = 1; i <= 15; ++i)
        p.Boolean(flagNames[i - 1], [i](const T &o) { return o.GetBoolItem(i); },
                  [i](T &o, bool v) { o.SetBoolItem(i, v); });
    p.String("CPUName", [](const T &o) { return o.GetStringItem(1); },
             [](T &o, const AnsiString &v) { o.SetStringItem(1, v); });
    p.Boolean("ExistCPUInfo", [](const T &o) { return o.GetBoolItem(16); },
              [](T &o, bool v) { o.SetBoolItem(16, v); });
}
