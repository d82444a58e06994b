// The registry's backing file: what persists between runs (a reload stands
// for the next run), the file's replacement through a temporary file, and
// damaged files.
#include "TestSupport.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform;

namespace {

class RegistryFile : public ::testing::Test {
protected:
    void SetUp() override { RegistrySetFile(file()); }
    void TearDown() override { RegistrySetFile(""); }
    AnsiString file() const { return dir.file("reg/registry"); }
    // What the next run sees: the store read again from the file.
    static void nextRun()
    {
        const AnsiString f = platform::RegistryFile();
        RegistrySetFile("");
        RegistrySetFile(f);
    }
    testsupport::TempFolder dir;
};

} // namespace

TEST_F(RegistryFile, KeysAndValuesOfEveryKindSurviveARestart)
{
    const AnsiString odd("odd %name\twith\x01 bytes \xA3\xF3\xB3", 25);
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("Software\\Rubrikon\\Main Window", true));
        r.WriteString("Placement", "200,0,1,10,20,810,620");
        r.WriteString(odd, AnsiString("line1\r\nline2 \0end", 17));
        r.WriteString("", "default value");
        r.WriteExpandString("Path", "%HOME%/x");
        r.WriteInteger("Count", -123456);
        r.WriteBinaryData("Blob", AnsiString("\0\xFF%\n", 4));
        r.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(r.OpenKey("Empty\\Key", true));
    }
    nextRun();
    TRegistry r(KEY_READ);
    ASSERT_TRUE(r.OpenKey("software\\RUBRIKON\\main window", false));
    EXPECT_EQ(r.CurrentPath(), "Software\\Rubrikon\\Main Window"); // spelling kept
    EXPECT_EQ(r.ReadString("placement"), "200,0,1,10,20,810,620");
    EXPECT_EQ(r.ReadString(odd), AnsiString("line1\r\nline2 \0end", 17));
    EXPECT_EQ(r.ReadString(""), "default value");
    EXPECT_EQ(r.GetDataType("Path"), rdExpandString);
    EXPECT_EQ(r.ReadInteger("Count"), -123456);
    EXPECT_EQ(r.GetDataType("Blob"), rdBinary);
    auto names = r.GetValueNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.size(), 6u);
    r.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(r.KeyExists("\\Empty\\Key"));

    // Deletions persist too.
    TRegistry w;
    ASSERT_TRUE(w.OpenKey("Software\\Rubrikon\\Main Window", false));
    EXPECT_TRUE(w.DeleteValue("Count"));
    w.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(w.DeleteKey("\\Empty"));
    nextRun();
    TRegistry again(KEY_READ);
    ASSERT_TRUE(again.OpenKey("Software\\Rubrikon\\Main Window", false));
    EXPECT_FALSE(again.ValueExists("Count"));
    EXPECT_TRUE(again.ValueExists("Placement"));
    again.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(again.KeyExists("\\Empty"));
}

TEST_F(RegistryFile, ChangesReplaceTheFileThroughATemporaryOne)
{
    TRegIniFile ini("Software\\Test");
    ini.WriteString("S", "k", "v");
    EXPECT_EQ(ListDirectory(dir.file("reg")), std::vector<AnsiString>{"registry"}); // no leftovers
    const std::string text = testsupport::readFile(file());
    EXPECT_EQ(text.rfind("RBKN-REGISTRY 1\n", 0), 0u);
    // Reading changes nothing on disk.
    TRegIniFile reader("Software\\Test", KEY_READ);
    EXPECT_EQ(reader.ReadString("S", "k", ""), "v");
    EXPECT_EQ(testsupport::readFile(file()), text);
}

TEST_F(RegistryFile, DamagedFilesAreIgnoredAndKeptAside)
{
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("Software\\A", true));
        r.WriteString("x", "1");
    }
    const std::string good = testsupport::readFile(file());
    const std::string damaged[] = {
        "",                                  // empty file
        "garbage\n",                         // foreign
        good.substr(0, good.size() - 1),     // truncated: the last line has no end
        good + "S :name\n",                  // a value line with one field
        good + "I :n :12x\n",                // not a number
        good + "S :n :%4\n",                 // broken escape
        good + "K 9 :Key\n",                 // unknown root
        "RBKN-REGISTRY 1\nS :n :v\n",         // a value before any key
        std::string("RBKN-REGISTRY 1\nK 1 :a\0b\n", 25),
    };
    for (const std::string &bytes : damaged) {
        testsupport::writeFile(file(), bytes);
        ::unlink((file() + ".damaged").c_str());
        nextRun();
        TRegistry r;
        EXPECT_FALSE(r.KeyExists("\\Software\\A")) << bytes;
        EXPECT_EQ(testsupport::readFile(file()), bytes); // untouched until a change
        ASSERT_TRUE(r.OpenKey("\\Software\\B", true));
        EXPECT_EQ(testsupport::readFile(file() + ".damaged"), bytes);
        EXPECT_EQ(testsupport::readFile(file()).rfind("RBKN-REGISTRY 1\n", 0), 0u);
    }
    // The file form reads back as written.
    const AnsiString text = RegistrySaveToText();
    EXPECT_TRUE(RegistryLoadFromText(text));
    EXPECT_EQ(RegistrySaveToText(), text);
    EXPECT_FALSE(RegistryLoadFromText("RBKN-REGISTRY 2\n"));
}
