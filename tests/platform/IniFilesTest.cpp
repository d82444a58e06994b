// Profile files (parsing, case-insensitive lookup, where writes go, what is
// kept, safe rewriting) and the in-process registry (key paths, access
// rights, typed values, the ini view over sections).
#include "platform/IniFiles.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/rbkn-ini-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string path;
};

AnsiString readAll(const AnsiString &path)
{
    AnsiString s;
    ReadFileBytes(path, s);
    return s;
}

} // namespace

TEST(IniData, ParsesCaseInsensitivelyTrimsAndUnquotes)
{
    TIniData d;
    d.Parse("; comment\r\n[Main]\r\n  Key = some value  \r\nQ=\"quoted \"\r\nS='x'\r\n[main]\nKey=second\n[\xAF\xD3\xA3W]\nk=1");
    EXPECT_EQ(d.ReadString("MAIN", "key", "-"), "some value");
    EXPECT_EQ(d.ReadString("Main", "Q", "-"), "quoted ");
    EXPECT_EQ(d.ReadString("Main", "S", "-"), "x");
    EXPECT_EQ(d.ReadString("Main", "missing", "-"), "-");
    EXPECT_EQ(d.ReadString("Nope", "Key", "def"), "def");
    // CP1250 upper-casing of section names: "żółw" in CP1250 bytes.
    EXPECT_EQ(d.ReadString("\xBF\xF3\xB3w", "k", "-"), "1");
}

TEST(IniData, WritesInPlaceAppendsAndKeepsOtherLines)
{
    TIniData d;
    d.Parse("; head\n[A]\nx=1\n\n; note\n[B]\ny=2\n");
    d.WriteString("a", "X", "10");   // existing key: spelling and place kept
    d.WriteString("A", "z", "3");    // new key: after the last key of A
    d.WriteString("C", "w", "4");    // new section at the end
    d.WriteString("B", "v", "a\r\nb"); // line breaks never split a value
    EXPECT_EQ(d.Text(), "; head\r\n[A]\r\nx=10\r\nz=3\r\n\r\n; note\r\n[B]\r\ny=2\r\nv=a  b\r\n[C]\r\nw=4\r\n");
    d.DeleteKey("A", "x");
    d.EraseSection("b");
    EXPECT_FALSE(d.ValueExists("A", "x"));
    EXPECT_FALSE(d.SectionExists("B"));
    EXPECT_EQ(d.KeyNames("A"), std::vector<AnsiString>{"z"});
}

TEST(IniData, BrokenInputDoesNotCrash)
{
    TIniData d;
    d.Parse(AnsiString("[unclosed\n=novalue\n[]\n\0\0=\xff\n", 28));
    EXPECT_TRUE(d.SectionExists("unclosed"));
    EXPECT_EQ(d.ReadString("unclosed", "", "-"), "novalue");
    d.Parse("");
    EXPECT_TRUE(d.SectionNames().empty());
}

TEST(IniFile, EachOperationReadsAndRewritesTheFile)
{
    TempDir dir;
    const AnsiString name = dir.path + "/a.ini";
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("S", "k", "d"), "d"); // missing file reads empty
    ini.WriteString("S", "k", "v");
    EXPECT_EQ(readAll(name), "[S]\r\nk=v\r\n");
    // A change made by someone else between operations is seen.
    {
        TIniFile other(name);
        other.WriteString("S", "k", "w");
    }
    EXPECT_EQ(ini.ReadString("s", "K", "d"), "w");
    ini.DeleteKey("S", "k");
    EXPECT_FALSE(ini.ValueExists("S", "k"));
    EXPECT_TRUE(ini.SectionExists("S"));
    // No temporary file is left behind.
    EXPECT_EQ(::access((name + ".tmp" + std::to_string(::getpid())).c_str(), F_OK), -1);
}

TEST(IniFile, UnwritableFileRaisesAndLeavesNothing)
{
    TIniFile ini("/nonexistent-folder-rbkn/x.ini");
    EXPECT_THROW(ini.WriteString("S", "k", "v"), EIniFileException);
    EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
}

TEST(MemIniFile, LoadsOnceRenamesWithoutReloadAndNeverWritesUnasked)
{
    TempDir dir;
    const AnsiString a = dir.path + "/a.ini", b = dir.path + "/b.ini";
    TIniFile(a).WriteString("S", "k", "from a");
    TIniFile(b).WriteString("S", "k", "from b");
    TMemIniFile mem(a);
    TIniFile(a).WriteString("S", "k", "changed later");
    EXPECT_EQ(mem.ReadString("S", "k", ""), "from a");
    mem.WriteString("S", "n", "new");
    mem.Rename(b, false);
    EXPECT_EQ(mem.FileName(), b);
    EXPECT_EQ(mem.ReadString("S", "k", ""), "from a");
    EXPECT_EQ(TIniFile(b).ReadString("S", "n", "none"), "none");
    mem.Rename(b, true);
    EXPECT_EQ(mem.ReadString("S", "k", ""), "from b");
    mem.WriteString("S", "n", "x");
    mem.UpdateFile();
    EXPECT_EQ(TIniFile(b).ReadString("S", "n", ""), "x");
    mem.Clear();
    EXPECT_TRUE(mem.SectionNames().empty());
}

class RegistryTest : public ::testing::Test {
protected:
    // A registry file of the test's own, never the user's.
    void SetUp() override
    {
        RegistrySetFile(dir.path + "/registry");
        RegistryClear();
    }
    void TearDown() override { RegistrySetFile(""); }
    TempDir dir;
};

TEST_F(RegistryTest, KeysOpenRelativeOrAbsoluteAndCompareWithoutCase)
{
    TRegistry r;
    EXPECT_FALSE(r.OpenKey("Software\\Test", false));
    ASSERT_TRUE(r.OpenKey("Software\\Test\\", true));
    EXPECT_EQ(r.CurrentPath(), "Software\\Test");
    ASSERT_TRUE(r.OpenKey("Sub", true)); // relative to the open key
    EXPECT_EQ(r.CurrentPath(), "Software\\Test\\Sub");
    ASSERT_TRUE(r.OpenKey("\\SOFTWARE\\test", false)); // absolute
    EXPECT_EQ(r.CurrentPath(), "Software\\Test");
    EXPECT_EQ(r.GetKeyNames(), std::vector<AnsiString>{"Sub"});
    // Roots are separate trees.
    r.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(r.KeyExists("\\Software\\Test"));
}

TEST_F(RegistryTest, TypedValuesAndReadOnlyAccess)
{
    TRegistry w;
    ASSERT_TRUE(w.OpenKey("K", true));
    w.WriteString("Name", "v");
    w.WriteInteger("Num", 7);
    EXPECT_EQ(w.ReadString("name"), "v");
    EXPECT_EQ(w.ReadInteger("NUM"), 7);
    EXPECT_EQ(w.ReadString("missing"), "");
    EXPECT_THROW(w.ReadString("Num"), ERegistryException);
    EXPECT_EQ(w.GetDataType("Num"), rdInteger);

    TRegistry r(KEY_READ);
    EXPECT_FALSE(r.OpenKey("Missing", true)); // no creation without write rights
    ASSERT_TRUE(r.OpenKey("K", false));
    EXPECT_EQ(r.ReadString("Name"), "v");
    EXPECT_THROW(r.WriteString("Name", "x"), ERegistryException);
    EXPECT_FALSE(r.DeleteValue("Name"));
    EXPECT_TRUE(w.DeleteValue("Name"));
    EXPECT_FALSE(r.ValueExists("Name"));
}

TEST_F(RegistryTest, RegIniFileSectionsAreSubkeys)
{
    TRegIniFile ini("Software\\App");
    EXPECT_EQ(ini.FileName(), "Software\\App");
    EXPECT_EQ(ini.ReadString("Main", "k", "d"), "d");
    ini.WriteString("Main", "k", "v");
    ini.WriteString("", "top", "t"); // the key itself
    EXPECT_EQ(ini.CurrentPath(), "Software\\App"); // the open key stays
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("Software\\App\\Main", false));
    EXPECT_EQ(r.ReadString("k"), "v");
    ASSERT_TRUE(r.OpenKey("\\Software\\App", false));
    EXPECT_EQ(r.ReadString("top"), "t");
    ini.DeleteKey("Main", "k");
    EXPECT_EQ(ini.ReadString("Main", "k", "gone"), "gone");
    ini.EraseSection("Main");
    EXPECT_FALSE(r.KeyExists("\\Software\\App\\Main"));
}
