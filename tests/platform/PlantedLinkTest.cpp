// Writers that put a file beside their target and rename it into place: a
// link planted in the folder at the name such a writer would take is never
// written through, and the target ends up a file of its own.
#include "TestSupport.h"
#include "platform/IniFiles.h"
#include "platform/Registry.h"
#include "platform/RichEdit.h"
#include "platform/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

TEST(PlantedLink, ReplacingWritesNeverGoThroughALinkAtTheirTemporaryName)
{
    testsupport::TempFolder dir;
    const std::string victim = dir.file("victim");
    testsupport::writeFile(victim, "precious");
    const std::string pid = std::to_string(::getpid());
    TRichEdit view;
    struct Writer {
        std::string target, planted;
        std::function<void()> write;
    } writers[] = {
        {"out.rtf", "out.rtf.~tmp", [&] { view.SaveToFile(dir.file("out.rtf")); }},
        {"a.ini", "a.ini.tmp" + pid, [&] { TIniFile(dir.file("a.ini")).WriteString("S", "k", "v"); }},
        {"registry", "registry.tmp" + pid, [&] {
             RegistrySetFile(dir.file("registry"));
             TRegistry r;
             ASSERT_TRUE(r.OpenKey("Software\\T", true));
             r.WriteString("x", "1");
             RegistrySetFile("");
         }},
    };
    std::vector<AnsiString> expected{"victim"};
    for (const Writer &w : writers) {
        SCOPED_TRACE(w.target);
        ASSERT_EQ(::symlink(victim.c_str(), dir.file(w.planted).c_str()), 0);
        EXPECT_NO_THROW(w.write());
        EXPECT_EQ(testsupport::readFile(victim), "precious");
        struct stat st {};
        ASSERT_EQ(::lstat(dir.file(w.target).c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_GT(st.st_size, 0);
        expected.push_back(w.target);
        expected.push_back(w.planted);
    }
    // Nothing else is left in the folder.
    std::vector<AnsiString> names = ListDirectory(dir.path());
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}
