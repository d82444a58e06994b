// Processor identification over fake CPUID answers and on the host.
#include "kcl/KCLCPUInfoObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

namespace {

TKCLCpuidRegisters text4(const char *s)
{
    // Four registers holding 16 characters of text, EAX first.
    TKCLCpuidRegisters r;
    char buf[16] = {};
    std::memcpy(buf, s, std::min<size_t>(16, std::strlen(s)));
    std::memcpy(&r.EAX, buf, 4);
    std::memcpy(&r.EBX, buf + 4, 4);
    std::memcpy(&r.ECX, buf + 8, 4);
    std::memcpy(&r.EDX, buf + 12, 4);
    return r;
}

TKCLCpuidRegisters vendor(const char *v)
{
    TKCLCpuidRegisters r;
    r.EAX = 1;
    std::memcpy(&r.EBX, v, 4);
    std::memcpy(&r.EDX, v + 4, 4);
    std::memcpy(&r.ECX, v + 8, 4);
    return r;
}

// A processor made of leaves; unknown leaves answer zeros. Counts queries.
struct FakeCpu {
    bool supported = true;
    std::map<uint32_t, TKCLCpuidRegisters> leaves;
    std::shared_ptr<int> queries = std::make_shared<int>(0);

    void install() const
    {
        auto self = *this;
        KCLSetCpuidSource({[self] { return self.supported; },
                           [self](uint32_t leaf) {
                               ++*self.queries;
                               auto it = self.leaves.find(leaf);
                               return it == self.leaves.end() ? TKCLCpuidRegisters() : it->second;
                           }});
    }
};

class KCLCpuInfo : public ::testing::Test {
protected:
    void TearDown() override { KCLSetCpuidSource({}); }
};

const uint32_t kAllLeaf1Flags = 0x0080B3BF; // bits 0-5, 7-9, 12, 13, 15, 23

} // namespace

TEST_F(KCLCpuInfo, IntelHasNoAmdFlagsAndNoName)
{
    FakeCpu cpu;
    cpu.leaves[0] = vendor("GenuineIntel");
    cpu.leaves[1] = {0x000006F6, 0, 0, kAllLeaf1Flags};
    cpu.leaves[0x80000000] = {0x80000008, 0, 0, 0};
    cpu.leaves[0x80000001] = {0, 0, 0, 0xFFFFFFFF};
    cpu.leaves[0x80000002] = text4("Intel(R) Core(TM");
    cpu.install();
    TKCLCPUInfoObject info(nullptr);
    EXPECT_EQ(info.IDString(), "GenuineIntel");
    EXPECT_EQ(info.Stepping(), 6);
    EXPECT_EQ(info.Model(), 15);
    EXPECT_EQ(info.Family(), 6);
    for (int i = 0; i <= 12; ++i)
        EXPECT_TRUE(info.GetBoolItem(i)) << i;
    EXPECT_FALSE(info.SysCallAndSysRet());
    EXPECT_FALSE(info.FPCond_MOVE_Instruct());
    EXPECT_FALSE(info.AMD3DNow());
    EXPECT_EQ(info.CPUName(), "");
    EXPECT_TRUE(info.ExistCPUInfo());
}

TEST_F(KCLCpuInfo, LeafOneFlagsComeFromTheirOwnBits)
{
    FakeCpu cpu;
    cpu.leaves[0] = vendor("GenuineIntel");
    const int bits[13] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 12, 13, 15, 23};
    for (int i = 0; i < 13; ++i) {
        cpu.leaves[1] = {0, 0, 0xFFFFFFFF, (1u << bits[i]) | (1u << 6) | (1u << 24)};
        cpu.install();
        TKCLCPUInfoObject info(nullptr);
        for (int k = 0; k < 16; ++k)
            EXPECT_EQ(info.GetBoolItem(k), k == i) << "bit " << bits[i] << " flag " << k;
    }
}

TEST_F(KCLCpuInfo, AmdFlagsAndBrandFollowTheExtendedLeaves)
{
    FakeCpu cpu;
    cpu.leaves[0] = vendor("AuthenticAMD");
    cpu.leaves[1] = {0x00000FF0, 0, 0, 1};
    cpu.leaves[0x80000000] = {0x80000008, 0, 0, 0};
    cpu.leaves[0x80000001] = {0, 0, 0, (1u << 11) | (1u << 31)};
    cpu.leaves[0x80000002] = text4("AMD Athlon(tm) 6");
    cpu.leaves[0x80000003] = text4("4 Processor 3200");
    cpu.leaves[0x80000004] = text4("+");
    cpu.install();
    TKCLCPUInfoObject info(nullptr);
    EXPECT_EQ(info.IDString(), "AuthenticAMD");
    EXPECT_TRUE(info.SysCallAndSysRet());
    EXPECT_FALSE(info.FPCond_MOVE_Instruct());
    EXPECT_TRUE(info.AMD3DNow());
    EXPECT_EQ(info.CPUName(), "AMD Athlon(tm) 64 Processor 3200+");
    EXPECT_TRUE(info.FPU());

    // Extended leaves only up to 0x80000001: flags, but no brand.
    cpu.leaves[0x80000000] = {0x80000001, 0, 0, 0};
    cpu.install();
    TKCLCPUInfoObject older(nullptr);
    EXPECT_TRUE(older.AMD3DNow());
    EXPECT_EQ(older.CPUName(), "");

    // A maximum whose low byte is 0 means no extended leaves at all.
    cpu.leaves[0x80000000] = {0x80000000, 0, 0, 0};
    cpu.install();
    TKCLCPUInfoObject none(nullptr);
    EXPECT_FALSE(none.AMD3DNow());
    EXPECT_FALSE(none.SysCallAndSysRet());
    EXPECT_EQ(none.CPUName(), "");
}

TEST_F(KCLCpuInfo, NoCpuidGivesTheEmptyRecord)
{
    FakeCpu cpu;
    cpu.supported = false;
    cpu.leaves[0] = vendor("GenuineIntel");
    cpu.leaves[1] = {0x00000FFF, 0, 0, 0xFFFFFFFF};
    cpu.install();
    TKCLCPUInfoObject info(nullptr);
    EXPECT_FALSE(info.ExistCPUInfo());
    EXPECT_EQ(info.IDString(), "");
    EXPECT_EQ(info.Stepping(), 0);
    EXPECT_EQ(info.Model(), 0);
    EXPECT_EQ(info.Family(), 0);
    for (int i = 0; i < 17; ++i)
        EXPECT_FALSE(info.GetBoolItem(i)) << i;
    EXPECT_EQ(info.CPUName(), "");
    EXPECT_EQ(*cpu.queries, 0);
}

TEST_F(KCLCpuInfo, ExtendedFamilyAndModelAreNotAdded)
{
    FakeCpu cpu;
    cpu.leaves[0] = vendor("AuthenticAMD");
    cpu.leaves[1] = {0x00A50F21, 0, 0, 0}; // ext family 0x0A, ext model 5, family 15
    cpu.install();
    TKCLCPUInfoObject info(nullptr);
    EXPECT_EQ(info.Family(), 15);
    EXPECT_EQ(info.Model(), 2);
    EXPECT_EQ(info.Stepping(), 1);
}

TEST_F(KCLCpuInfo, RecordIsReadOnceButSupportTestAtEveryRead)
{
    FakeCpu cpu;
    cpu.leaves[0] = vendor("GenuineIntel");
    cpu.install();
    TKCLCPUInfoObject info(nullptr);
    const int afterCreate = *cpu.queries;
    EXPECT_EQ(info.IDString(), "GenuineIntel");
    FakeCpu gone;
    gone.supported = false;
    gone.install();
    EXPECT_FALSE(info.ExistCPUInfo());
    EXPECT_EQ(info.IDString(), "GenuineIntel");
    EXPECT_EQ(*cpu.queries, afterCreate);
    // Unknown indexes.
    EXPECT_EQ(info.GetStringItem(2), "");
    EXPECT_EQ(info.GetIntItem(3), 0);
    EXPECT_FALSE(info.GetBoolItem(17));
}

TEST_F(KCLCpuInfo, PublishedPropertiesInOrder)
{
    const auto &props = TKCLCPUInfoObject::StaticClass()->Properties();
    std::vector<std::string> names;
    for (const auto &p : props)
        names.push_back(p.Name);
    const std::vector<std::string> expected = {
        "IDString", "Stepping", "Model", "Family", "FPU", "VirtualModeExtensions", "DebuggingExtensions",
        "PageSizeExtensions", "TimeStampCoutner", "K86_ModelSpecificRegisters", "MachineCheckException",
        "CMP_XCHG_8B", "APIC", "MemoryTypeRangeRegisters", "GlobalPaging", "Cond_MOVE_Instruct", "MMX",
        "SysCallAndSysRet", "FPCond_MOVE_Instruct", "AMD3DNow", "CPUName", "ExistCPUInfo"};
    EXPECT_EQ(names, expected);
    for (const auto &p : props) {
        const bool noSetter = p.Name == "IDString" || p.Name == "Stepping" || p.Name == "Model" ||
                              p.Name == "Family" || p.Name == "FPU";
        EXPECT_EQ(p.IsReadOnly(), noSetter) << p.Name;
    }
    // Setters ignore the value.
    FakeCpu cpu;
    cpu.leaves[0] = vendor("GenuineIntel");
    cpu.install();
    TKCLCPUInfoObject info(nullptr);
    platform::GetPropInfo(info, "CPUName")->SetStr(info, "changed");
    platform::GetPropInfo(info, "MMX")->SetOrd(info, 1);
    EXPECT_EQ(info.CPUName(), "");
    EXPECT_FALSE(info.MMX());
}

TEST_F(KCLCpuInfo, HostSmokeTest)
{
    TKCLCPUInfoObject info(nullptr);
#if defined(__x86_64__)
    EXPECT_TRUE(info.ExistCPUInfo());
    EXPECT_EQ(info.IDString().size(), 12u);
    EXPECT_TRUE(info.FPU());
#else
    (void)info;
#endif
}
