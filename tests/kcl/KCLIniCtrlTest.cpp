// The ini control over its three targets (in-process registry, a profile
// file in a temporary folder, the memory file): section names, file and key
// names, scrambling, and the property rules.
#include "kcl/KCLClass.h"
#include "kcl/KCLIniCtrl.h"
#include "kcl/KCLStrUtils.h"
#include "kcl/KCLSysIn.h"
#include "platform/Forms.h"
#include "platform/IniFiles.h"
#include "platform/Registry.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

class IniCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/rbkn-inictrl-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        const char *old = std::getenv("XDG_CONFIG_HOME");
        hadOld_ = old != nullptr;
        if (old)
            old_ = old;
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1); // the registry file lives here too
        RegistryClear();
    }
    void TearDown() override
    {
        RegistryClear();
        if (hadOld_)
            ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    std::string dir_;
    std::string old_;
    bool hadOld_ = false;
};

AnsiString regValue(HKEY root, const AnsiString &key, const AnsiString &name)
{
    TRegistry r(KEY_READ);
    r.SetRootKey(root);
    if (!r.OpenKey("\\" + key, false))
        return "<no key>";
    return r.ValueExists(name) ? r.ReadString(name) : "<no value>";
}

} // namespace

TEST_F(IniCtrlTest, CreationSetsDefaultsAndTouchesNothing)
{
    TKCLIniCtrl c(nullptr);
    EXPECT_FALSE(c.AlphaCounter());
    EXPECT_TRUE(c.Common());
    EXPECT_EQ(c.IniFile(), "");
    EXPECT_EQ(c.IniPrefix(), ppWindows);
    EXPECT_EQ(c.MaxEntries(), 16);
    EXPECT_FALSE(c.NetUser());
    EXPECT_EQ(c.RegRoot(), rpCurrentUser);
    EXPECT_EQ(c.Target(), itAuto);
    EXPECT_EQ(c.ResolvedTarget(), 1);
    EXPECT_EQ(c.EncKey(), 47113);
    EXPECT_FALSE(c.Encoded());
    EXPECT_EQ(c.CryptMode(), icmKey);
    EXPECT_EQ(c.MemIniFile(), nullptr);
    TRegistry r;
    EXPECT_FALSE(r.KeyExists("\\Software"));
    struct stat st;
    EXPECT_NE(::stat((dir_ + "/" + ExtractFileName(KCLProgramPath())).c_str(), &st), 0);
}

TEST_F(IniCtrlTest, DefaultSettingsReadFromTheApplicationKeyUnderCurrentUser)
{
    TKCLIniCtrl c(nullptr);
    const AnsiString path = KCLRegistryPath();
    EXPECT_EQ(c.GetRegistryPath(), path);
    EXPECT_EQ(c.ReadValue("Main", "Ident", "def"), "def"); // key missing: default
    EXPECT_FALSE(TRegistry().KeyExists("\\" + path)); // reading creates nothing
    {
        TRegistry w;
        ASSERT_TRUE(w.OpenKey("\\" + path + "Main", true));
        w.WriteString("Ident", "stored");
    }
    EXPECT_EQ(c.ReadValue("Main", "Ident", "def"), "stored");
    c.WriteValue("Main", "Other", "o");
    EXPECT_EQ(regValue(HKEY_CURRENT_USER, path + "Main", "Other"), "o");
    c.DeleteValue("Main", "Other");
    EXPECT_EQ(regValue(HKEY_CURRENT_USER, path + "Main", "Other"), "<no value>");
    // Another root is another tree.
    c.SetRegRoot(rpLocalMachine);
    EXPECT_EQ(c.ReadValue("Main", "Ident", "def"), "def");
}

TEST_F(IniCtrlTest, RegistryValueOfAnotherTypeReadsAsTheDefault)
{
    TKCLIniCtrl c(nullptr);
    const AnsiString path = KCLRegistryPath();
    {
        TRegistry w;
        ASSERT_TRUE(w.OpenKey("\\" + path + "Main", true));
        w.WriteInteger("Number", 7);
        w.WriteBinaryData("Bytes", AnsiString("\x01\x02", 2));
        w.WriteExpandString("Path", "%HOME%");
    }
    for (bool encoded : {false, true}) {
        c.SetEncoded(encoded);
        EXPECT_EQ(c.ReadValue("Main", "Number", "def"), "def");
        EXPECT_EQ(c.ReadValue("Main", "Bytes", "def"), "def");
    }
    c.SetEncoded(false);
    EXPECT_EQ(c.ReadValue("Main", "Path", "def"), "%HOME%");
}

TEST_F(IniCtrlTest, RootSectionIsTheKeyItselfAndRegPathGetsABackslash)
{
    TKCLIniCtrl c(nullptr);
    c.SetRegPath("Software\\Firm\\Tool");
    EXPECT_EQ(c.GetRegistryPath(), "Software\\Firm\\Tool\\");
    c.SetRegPath("Custom\\");
    EXPECT_EQ(c.GetRegistryPath(), "Custom\\"); // "Software\" is not put in front
    c.WriteValue("#ROOT", "Top", "t");
    EXPECT_EQ(regValue(HKEY_CURRENT_USER, "Custom", "Top"), "t");
    EXPECT_EQ(c.ReadValue("#ROOT", "Top", ""), "t");
    EXPECT_EQ(c.GetSectionName("#ROOT"), "");
    // On the registry the user suffix never applies.
    c.SetCommon(false);
    c.SetUser("anna");
    EXPECT_EQ(c.GetSectionName("Main"), "Main");
}

TEST_F(IniCtrlTest, SectionNamesForUsersAndTheLastSectionUsed)
{
    TKCLIniCtrl c(nullptr);
    EXPECT_EQ(c.GetSectionName(""), "Common"); // nothing used yet
    EXPECT_EQ(c.GetSectionName("   "), "Common");
    c.SetTarget(itIniFile);
    c.SetCommon(false);
    c.SetUser("anna");
    EXPECT_EQ(c.GetSectionName("Main"), "Main.anna");
    EXPECT_EQ(c.GetSectionName(""), "Main.anna");
    c.WriteValue("", "k", "v");
    EXPECT_EQ(TIniFile(c.GetIniFileName()).ReadString("Main.anna", "k", ""), "v");
    c.SetNetUser(true); // copies the logged-on user's name
    EXPECT_EQ(c.User(), KCLSIUserName());
    EXPECT_EQ(c.GetSectionName("S"), "S." + KCLSIUserName());
    c.SetCommon(true);
    EXPECT_EQ(c.GetSectionName("S"), "S");
}

TEST_F(IniCtrlTest, IniFileNamesAndPrefixFolders)
{
    TKCLIniCtrl c(nullptr);
    const AnsiString exe = ExtractFileName(KCLProgramPath());
    // Default: the program's name with ".INI" in the Windows (XDG config) folder.
    EXPECT_EQ(c.GetIniFileName(), dir_ + "/" + exe + ".INI");
    c.SetIniFile("settings");
    EXPECT_EQ(c.IniFile(), "settings.INI");
    c.SetIniPrefix(ppProgram);
    EXPECT_EQ(c.GetIniFileName(), ExecutableDir() + "settings.INI");
    c.SetIniFile("/some/where/x.cfg"); // the folder is dropped under a prefix
    EXPECT_EQ(c.GetIniFileName(), ExecutableDir() + "x.cfg");
    c.SetIniPrefix(ppFixed);
    EXPECT_EQ(c.GetIniFileName(), "/some/where/x.cfg");
    c.SetIniPrefix(ppSystem);
    EXPECT_EQ(c.GetIniFileName(), SystemDir() + "x.cfg");
}

TEST_F(IniCtrlTest, IniTargetOpensTheFileForEachOperation)
{
    TKCLIniCtrl c(nullptr);
    c.SetTarget(itIniFile);
    c.SetIniFile("t");
    EXPECT_EQ(c.ResolvedTarget(), 0);
    c.WriteValue("Main", "k", "v");
    const AnsiString file = dir_ + "/t.INI";
    EXPECT_EQ(TIniFile(file).ReadString("Main", "k", ""), "v");
    TIniFile(file).WriteString("Main", "k", "outside");
    EXPECT_EQ(c.ReadValue("Main", "k", ""), "outside");
    c.DeleteValue("Main", "k");
    EXPECT_EQ(c.ReadValue("Main", "k", "gone"), "gone");
    // Write errors reach the caller.
    c.SetIniPrefix(ppFixed);
    c.SetIniFile("/nonexistent-rbkn/x.ini");
    EXPECT_THROW(c.WriteValue("Main", "k", "v"), EIniFileException);
    EXPECT_EQ(c.ReadValue("Main", "k", "d"), "d");
}

TEST_F(IniCtrlTest, MemoryTargetLoadsOnceAndNeverWrites)
{
    const AnsiString file = dir_ + "/m.INI";
    TIniFile(file).WriteString("Main", "k", "disk");
    {
        TKCLIniCtrl c(nullptr);
        c.SetIniFile("m");
        c.SetTarget(itMemIniFile);
        ASSERT_NE(c.MemIniFile(), nullptr);
        EXPECT_EQ(c.ResolvedTarget(), 3);
        EXPECT_EQ(c.ReadValue("Main", "k", ""), "disk");
        c.WriteValue("Main", "k", "memory");
        c.WriteValue("Main", "n", "new");
        EXPECT_EQ(c.ReadValue("Main", "k", ""), "memory");
        c.DeleteValue("Main", "n");
        EXPECT_EQ(c.ReadValue("Main", "n", "none"), "none");
        // Renaming keeps the contents and takes the name as it stands.
        c.SetIniFile("other");
        EXPECT_EQ(c.MemIniFile()->FileName(), "other.INI");
        EXPECT_EQ(c.ReadValue("Main", "k", ""), "memory");
        EXPECT_EQ(TIniFile(file).ReadString("Main", "k", ""), "disk");
        // Leaving the memory target drops the file unwritten.
        c.SetTarget(itAuto);
        EXPECT_EQ(c.MemIniFile(), nullptr);
        EXPECT_EQ(c.ResolvedTarget(), 1);
        c.SetTarget(itMemIniFile);
        c.WriteValue("Main", "k", "again");
    }
    EXPECT_EQ(TIniFile(file).ReadString("Main", "k", ""), "disk");
    struct stat st;
    EXPECT_NE(::stat((dir_ + "/other.INI").c_str(), &st), 0);
}

TEST_F(IniCtrlTest, MaxEntriesIsLimitedWhileAlphaCounter)
{
    TKCLIniCtrl c(nullptr);
    c.SetMaxEntries(30);
    EXPECT_EQ(c.MaxEntries(), 30);
    c.SetAlphaCounter(true); // lowers it
    EXPECT_EQ(c.MaxEntries(), 26);
    c.SetMaxEntries(30); // refused
    EXPECT_EQ(c.MaxEntries(), 26);
    c.SetMaxEntries(20);
    EXPECT_EQ(c.MaxEntries(), 20);
    c.SetAlphaCounter(false);
    c.SetMaxEntries(30);
    c.SetAlphaCounter(false); // switching either way lowers it
    EXPECT_EQ(c.MaxEntries(), 26);
}

TEST_F(IniCtrlTest, ScramblingRoundTripsInEveryModeAndKey)
{
    TKCLIniCtrl c(nullptr);
    const AnsiString samples[] = {"", "a", "Hello, world", AnsiString("\0\x01\xff\x80 x", 6), "\xAF\xF3\xB3w"};
    for (uint16_t key : {uint16_t(0), uint16_t(1), uint16_t(47113), uint16_t(65535)}) {
        c.SetEncKey(key);
        for (TKCLIniCryptMode mode : {icmKey, icmTextKey}) {
            c.SetCryptMode(mode);
            for (const AnsiString &s : samples) {
                const AnsiString enc = c.EncodeValue(s);
                EXPECT_EQ(c.DecodeValue(enc), s);
                if (mode == icmTextKey) {
                    for (char ch : enc)
                        EXPECT_TRUE(ch > ' ' && ch < 127);
                }
            }
        }
    }
}

TEST_F(IniCtrlTest, EncodedValuesAreStoredScrambled)
{
    TKCLIniCtrl c(nullptr);
    c.SetTarget(itIniFile);
    c.SetIniFile("e");
    c.SetEncoded(true);
    c.SetCryptMode(icmTextKey);
    c.WriteValue("S", "k", "secret");
    const AnsiString raw = TIniFile(c.GetIniFileName()).ReadString("S", "k", "");
    EXPECT_NE(raw, "secret");
    EXPECT_EQ(raw, c.EncodeValue("secret"));
    EXPECT_EQ(c.ReadValue("S", "k", ""), "secret");
    EXPECT_EQ(c.ReadValue("S", "absent", "Default"), "Default");
    // A hand-edited value that is no scrambled text reads as the default.
    TIniFile(c.GetIniFileName()).WriteString("S", "bad", "not hex!");
    EXPECT_EQ(c.ReadValue("S", "bad", "d"), "d");
    // icmKey on the registry keeps every byte.
    c.SetTarget(itRegistry);
    c.SetCryptMode(icmKey);
    c.WriteValue("S", "k", "line1\r\nline2 ");
    EXPECT_EQ(c.ReadValue("S", "k", ""), "line1\r\nline2 ");
}

TEST_F(IniCtrlTest, EncodedValuesComeBackByteForByteFromEveryTarget)
{
    AnsiString allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes += char(b);
    const AnsiString samples[] = {" lead", "trail ", "\ttab\t", "line\r\nbreak\n", "\"quoted\"", "'q'",
                                  "%41%", "a=b;c", "[x]", AnsiString("nul\0byte", 8), allBytes, ""};
    for (TKCLIniTarget target : {itIniFile, itMemIniFile, itRegistry}) {
        TKCLIniCtrl c(nullptr);
        c.SetIniFile("bytes");
        c.SetTarget(target);
        c.SetEncoded(true); // CryptMode icmKey by default
        for (TKCLIniCryptMode mode : {icmKey, icmTextKey}) {
            c.SetCryptMode(mode);
            for (uint16_t key : {uint16_t(47113), uint16_t(0), uint16_t(1234)}) {
                c.SetEncKey(key);
                int n = 0;
                for (const AnsiString &v : samples) {
                    const AnsiString ident = "k" + std::to_string(n++);
                    c.WriteValue("S", ident, v);
                    EXPECT_EQ(c.ReadValue("S", ident, "default"), v)
                        << "target " << target << " mode " << mode << " key " << key << " value " << ident;
                }
            }
        }
    }
    // The stored text form stays what it was.
    TKCLIniCtrl c(nullptr);
    c.SetCryptMode(icmTextKey);
    EXPECT_EQ(c.EncodeValue("secret"), "CBC6B0A40A86");
    // A hand-edited icmKey value with a broken escape reads as the default.
    c.SetCryptMode(icmKey);
    c.SetEncoded(true);
    c.SetTarget(itMemIniFile);
    c.WriteValue("S", "k", "x");
    EXPECT_ANY_THROW(c.DecodeValue("%4"));
    TIniFile(c.GetIniFileName()).WriteString("S", "bad", "%4");
    c.SetTarget(itIniFile);
    EXPECT_EQ(c.ReadValue("S", "bad", "d"), "d");
}

TEST_F(IniCtrlTest, CustomScramblingUsesTheEventsOrNothing)
{
    TKCLIniCtrl c(nullptr);
    c.SetEncoded(true);
    c.SetCryptMode(icmCustom);
    c.WriteValue("S", "k", "plain");
    EXPECT_EQ(regValue(HKEY_CURRENT_USER, KCLRegistryPath() + "S", "k"), "plain");
    EXPECT_EQ(c.ReadValue("S", "k", ""), "plain");
    TObject *sender = nullptr;
    c.OnEncodeString = TKCLIniCryptEvent::FromFunction([&](TObject *s, AnsiString &d) { sender = s; d = "<" + d + ">"; });
    c.OnDecodeString = TKCLIniCryptEvent::FromFunction([](TObject *, AnsiString &d) { d = d.substr(1, d.size() - 2); });
    c.WriteValue("S", "k", "x");
    EXPECT_EQ(sender, &c);
    EXPECT_EQ(regValue(HKEY_CURRENT_USER, KCLRegistryPath() + "S", "k"), "<x>");
    EXPECT_EQ(c.ReadValue("S", "k", ""), "x");
}

TEST_F(IniCtrlTest, DefaultTargetKeepsValuesBetweenRuns)
{
    {
        TKCLIniCtrl c(nullptr);
        c.WriteValue("Main", "Placement", "200,0,1,10,20,810,620");
        c.SetEncoded(true);
        c.WriteValue("Main", "Secret", " lead\r\n");
    }
    // The next run: the store is read again from its file under XDG_CONFIG_HOME.
    RegistrySetFile("/nonexistent/elsewhere");
    RegistrySetFile("");
    ASSERT_EQ(RegistryFile().rfind(dir_ + "/", 0), 0u);
    TKCLIniCtrl c(nullptr);
    EXPECT_EQ(c.ReadValue("Main", "Placement", ""), "200,0,1,10,20,810,620");
    c.SetEncoded(true);
    EXPECT_EQ(c.ReadValue("Main", "Secret", ""), " lead\r\n");
}

TEST_F(IniCtrlTest, ServesAsTheFormPersistenceStore)
{
    TKCLIniCtrl c(nullptr);
    IKCLValueStore *store = &c;
    store->WriteValue("Form", "Pos", "1,2");
    EXPECT_EQ(store->ReadValue("Form", "Pos", ""), "1,2");
}
