// The temporary folder and the long-name walk: the walk's rules in the
// Windows syntax over a fake directory, and on this system over real folders.
#include "kcl/KCLSysIn.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

using testsupport::TempFolder;

namespace {

// A Windows volume: full short or long paths (upper-cased) to the stored long
// name, and the entries of each folder for wildcard searches.
struct FakeVolume {
    std::map<std::string, std::string> names;
    std::map<std::string, std::vector<std::string>> entries;
    std::vector<std::string> searches;

    static std::string upper(std::string s)
    {
        for (auto &c : s)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    static bool matches(const std::string &mask, const std::string &name)
    {
        if (mask.empty())
            return name.empty();
        if (mask[0] == '*')
            return matches(mask.substr(1), name) || (!name.empty() && matches(mask, name.substr(1)));
        return !name.empty() && (mask[0] == '?' || mask[0] == name[0]) && matches(mask.substr(1), name.substr(1));
    }

    bool find(const AnsiString &pattern, AnsiString &name)
    {
        searches.push_back(pattern);
        const size_t cut = pattern.find_last_of("\\:");
        const std::string mask = pattern.substr(cut + 1);
        if (mask.find_first_of("*?") != std::string::npos) {
            for (const auto &e : entries[upper(pattern.substr(0, cut))])
                if (matches(upper(mask), upper(e))) {
                    name = e;
                    return true;
                }
            return false;
        }
        const auto it = names.find(upper(pattern));
        if (it == names.end())
            return false;
        name = it->second;
        return true;
    }

    AnsiString longName(const AnsiString &path)
    {
        return KCLSILongPathNameWith(path, KCLWindowsPaths,
                                     [this](const AnsiString &p, AnsiString &n) { return find(p, n); });
    }
};

FakeVolume windowsVolume()
{
    FakeVolume v;
    v.names = {
        {"C:\\PROGRA~1", "Program Files"},
        {"C:\\PROGRAM FILES", "Program Files"},
        {"C:\\DOCUME~1", "Documents and Settings"},
        {"C:\\DOCUME~1\\USER", "USER"},
        {"C:\\DOCUME~1\\USER\\LOCALS~1", "Local Settings"},
        {"C:\\DOCUME~1\\USER\\LOCALS~1\\TEMP", "Temp"},
        {"C:\\TEMP", "Temp"},
        {"\\\\SERVER\\SHARE\\DIR", "Directory Long"},
    };
    v.entries = {{"C:", {"Documents and Settings", "Program Files", "Temp"}}};
    return v;
}

void makeDir(const std::string &path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

} // namespace

TEST(KCLLongPathWindowsSyntax, ShortNamesBecomeLongAndTrailingDelimiterStays)
{
    FakeVolume v = windowsVolume();
    EXPECT_EQ(v.longName("C:\\PROGRA~1\\"), "C:\\Program Files\\");
    EXPECT_EQ(v.longName("C:\\PROGRA~1"), "C:\\Program Files");
    EXPECT_EQ(v.longName("C:\\DOCUME~1\\USER\\LOCALS~1\\Temp\\"),
              "C:\\Documents and Settings\\USER\\Local Settings\\Temp\\");
    // Stored case wins over the given one.
    EXPECT_EQ(v.longName("C:\\program files\\"), "C:\\Program Files\\");
}

TEST(KCLLongPathWindowsSyntax, DriveRootsAndShares)
{
    FakeVolume v = windowsVolume();
    EXPECT_EQ(v.longName("C:\\"), "C:");
    EXPECT_EQ(v.longName("D:\\"), "D:");
    EXPECT_EQ(v.longName("C:"), "C:");
    EXPECT_EQ(v.longName("\\\\server\\share\\"), "\\\\server\\share");
    EXPECT_EQ(v.longName("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(v.longName("\\\\server\\share\\dir\\"), "\\\\server\\share\\Directory Long\\");
    // The search looks for the path itself, with its own spelling.
    v.searches.clear();
    v.longName("C:\\PROGRA~1\\");
    EXPECT_EQ(v.searches, (std::vector<std::string>{"C:\\PROGRA~1", "C:\\PROGRA~1\\"}));
}

TEST(KCLLongPathWindowsSyntax, MissingComponentsWildcardsAndOddInput)
{
    FakeVolume v = windowsVolume();
    EXPECT_EQ(v.longName("C:\\Temp\\nosuchdir\\"), "C:\\Temp\\nosuchdir\\");
    EXPECT_EQ(v.longName("C:\\TEMP\\nosuchdir\\x"), "C:\\Temp\\nosuchdir\\x");
    EXPECT_EQ(v.longName("C:\\Prog*\\"), "C:\\Program Files\\");
    EXPECT_EQ(v.longName("C:\\?emp"), "C:\\Temp");
    EXPECT_EQ(v.longName("C:\\*"), "C:\\Documents and Settings");
    EXPECT_EQ(v.longName(""), "");
    // A doubled delimiter and relative names end instead of recursing forever.
    EXPECT_EQ(v.longName("C:\\\\"), "C:\\");
    EXPECT_EQ(v.longName("relative\\name"), "relative\\name");
    EXPECT_EQ(v.longName("\\\\"), "\\");
}

TEST(KCLLongPathPosix, RealFoldersKeepTheirNamesAndWildcardsResolve)
{
    TempFolder tmp;
    const std::string base = tmp.path(); // ends in '/'
    makeDir(base + "beta");
    makeDir(base + "alpha");
    makeDir(base + "alpha/Inner");
    testsupport::writeFile(base + "alpha/Inner/file.txt", "x");

    EXPECT_EQ(KCLSILongPathName(base), base);
    EXPECT_EQ(KCLSILongPathName(base + "alpha/Inner/"), base + "alpha/Inner/");
    EXPECT_EQ(KCLSILongPathName(base + "alpha/Inner/file.txt"), base + "alpha/Inner/file.txt");
    // The first match in byte order.
    EXPECT_EQ(KCLSILongPathName(base + "*/"), base + "alpha/");
    EXPECT_EQ(KCLSILongPathName(base + "b?t?/"), base + "beta/");
    EXPECT_EQ(KCLSILongPathName(base + "alpha/Inner/*.txt"), base + "alpha/Inner/file.txt");
    // Each search is for the path as given, so a wildcard below another one
    // finds nothing (its folder is not named that way) and keeps its spelling.
    EXPECT_EQ(KCLSILongPathName(base + "a*/I*/"), base + "alpha/I*/");
    // Missing components and unmatched wildcards keep their spelling.
    EXPECT_EQ(KCLSILongPathName(base + "nosuchdir/"), base + "nosuchdir/");
    EXPECT_EQ(KCLSILongPathName(base + "z*/x"), base + "z*/x");
    // The case is not folded on a case-sensitive system.
    EXPECT_EQ(KCLSILongPathName(base + "ALPHA/"), base + "ALPHA/");
}

TEST(KCLLongPathPosix, RootEmptyAndRelativePaths)
{
    // The root keeps its delimiter so that folder + file name stays a path.
    EXPECT_EQ(KCLSILongPathName("/"), "/");
    EXPECT_EQ(KCLSILongPathName("//"), "/");
    EXPECT_EQ(KCLSILongPathName(""), "");
    EXPECT_EQ(KCLSILongPathName("tmp/x"), "tmp/x");
    EXPECT_EQ(KCLSILongPathName("/nosuch-rbkn-dir/y/"), "/nosuch-rbkn-dir/y/");
}

TEST(KCLTempPath, TestFolderFailsRatherThanShareTheSystemFolder)
{
    TempFolder tmp;
    const testsupport::EnvVarScope tmpdir("TMPDIR", tmp.file("no-such-folder"));
    EXPECT_THROW(TempFolder(), std::runtime_error);
}

TEST(KCLTempPath, FromTheSystemEndingInDelimiter)
{
    TempFolder tmp;
    const std::string dir = tmp.path().substr(0, tmp.path().size() - 1);
    const testsupport::EnvVarScope tmpdir("TMPDIR", dir);
    EXPECT_EQ(KCLSITempPath(), dir + "/");
}

TEST(KCLTempPath, RootFailureAndWildcardThroughTheSystemFacts)
{
    platform::TFakeSystemScope scope;
    scope.Fake.TempPath = "/";
    EXPECT_EQ(KCLSITempPath(), "/");
    scope.Fake.TempPath = "";
    EXPECT_EQ(KCLSITempPath(), "");

    TempFolder tmp;
    makeDir(tmp.path() + "Export");
    scope.Fake.TempPath = tmp.path() + "Exp*/";
    EXPECT_EQ(KCLSITempPath(), tmp.path() + "Export/");
}
