#include "browser/TaxonarTypeCode.h"
#include "platform/Classes.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <csignal>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace taxonar;
using testsupport::TempFolder;
using testsupport::readFile;
using testsupport::writeFile;

namespace {
// The program folder's counter in a folder of the test's own; no second
// counter unless a test names the user's data folder.
struct CounterFolder {
    TempFolder folder;
    std::string savedDir = AppDir;
    std::string savedUserDir = UserDataDir;
    CounterFolder()
    {
        AppDir = folder.path();
        UserDataDir.clear();
    }
    ~CounterFolder()
    {
        AppDir = savedDir;
        UserDataDir = savedUserDir;
    }
    std::string counter() const { return folder.file("taxonar.counter"); }
};
std::string le(uint32_t v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}
} // namespace

TEST(ExportCounter, NumbersStartAtOneAndAdvance)
{
    CounterFolder c;
    EXPECT_EQ(NextExportNumber(), "000001");
    EXPECT_EQ(readFile(c.counter()), le(2));
    EXPECT_EQ(NextExportNumber(), "000002");
    EXPECT_EQ(readFile(c.counter()), le(3));
}

TEST(ExportCounter, PaddingWideValuesShortAndNegativeFiles)
{
    CounterFolder c;
    writeFile(c.counter(), le(999999));
    EXPECT_EQ(NextExportNumber(), "999999");
    EXPECT_EQ(NextExportNumber(), "1000000");
    writeFile(c.counter(), "");
    EXPECT_EQ(NextExportNumber(), "000000");
    EXPECT_EQ(readFile(c.counter()), le(1));
    writeFile(c.counter(), std::string("\x05\x01", 2)); // fills the number from its low end
    EXPECT_EQ(NextExportNumber(), "000261");
    writeFile(c.counter(), le(0xFFFFFFFFu));
    EXPECT_EQ(NextExportNumber(), "0000-1");
    EXPECT_EQ(readFile(c.counter()), le(0)); // wraps
}

TEST(ExportCounter, UnusableCountersGiveAnEmptyNumber)
{
    CounterFolder c;
    AppDir = c.folder.file("no/such/folder/");
    EXPECT_EQ(NextExportNumber(), "");
    // A user's data folder that cannot be made does not help either.
    writeFile(c.folder.file("plain"), "x");
    UserDataDir = c.folder.file("plain/velmora/rbkn/");
    EXPECT_EQ(NextExportNumber(), "");
}

TEST(ExportCounter, UnusableProgramFolderCounterMovesBesideTheSettings)
{
    CounterFolder c;
    TempFolder user;
    // An installed program: its folder does not take the counter file.
    writeFile(c.folder.file("program"), "not a folder");
    AppDir = c.folder.file("program/");
    UserDataDir = user.file("velmora/rbkn/"); // not there yet
    const std::string userCounter = UserDataDir + "taxonar.counter";
    EXPECT_EQ(NextExportNumber(), "000001");
    EXPECT_EQ(readFile(userCounter), le(2));
    EXPECT_EQ(NextExportNumber(), "000002");
    EXPECT_EQ(readFile(userCounter), le(3));

    // A working program folder's counter still comes first.
    AppDir = c.folder.path();
    writeFile(c.counter(), le(40));
    EXPECT_EQ(NextExportNumber(), "000040");
    EXPECT_EQ(readFile(c.counter()), le(41));
    EXPECT_EQ(readFile(userCounter), le(3));
}

TEST(ExportCounter, ACounterHeldByAnotherProcessIsNotUsed)
{
    CounterFolder c;
    writeFile(c.counter(), le(7));
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t child = fork();
    if (child == 0) {
        // Hold the counter exclusively until the parent has tried.
        platform::TFileStream held(c.counter(), platform::fmOpenReadWrite | platform::fmShareExclusive);
        char b = 'h';
        (void)!write(toParent[1], &b, 1);
        (void)!read(toChild[0], &b, 1);
        _exit(0);
    }
    char b;
    ASSERT_EQ(read(toParent[0], &b, 1), 1);
    EXPECT_EQ(NextExportNumber(), "");
    // With a user's data folder the number comes from the counter there.
    TempFolder user;
    UserDataDir = user.path();
    EXPECT_EQ(NextExportNumber(), "000001");
    EXPECT_EQ(readFile(user.file("taxonar.counter")), le(2));
    UserDataDir.clear();
    (void)!write(toChild[1], &b, 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(readFile(c.counter()), le(7)); // untouched while held
    EXPECT_EQ(NextExportNumber(), "000007");

    // Two processes taking numbers at once never get the same one.
    std::vector<pid_t> kids;
    int results[2];
    ASSERT_EQ(pipe(results), 0);
    for (int k = 0; k < 2; ++k) {
        pid_t p = fork();
        if (p == 0) {
            for (int i = 0; i < 200; ++i) {
                std::string n = NextExportNumber();
                n += '\n';
                (void)!write(results[1], n.data(), n.size());
            }
            _exit(0);
        }
        kids.push_back(p);
    }
    close(results[1]);
    for (pid_t p : kids)
        waitpid(p, &status, 0);
    std::string all;
    char buf[4096];
    ssize_t got;
    while ((got = read(results[0], buf, sizeof buf)) > 0)
        all.append(buf, size_t(got));
    std::set<std::string> seen;
    size_t pos = 0;
    int taken = 0;
    while ((pos = all.find('\n')) != std::string::npos) {
        std::string n = all.substr(0, pos);
        all.erase(0, pos + 1);
        if (n.empty())
            continue; // the other process held the file at that moment
        ++taken;
        EXPECT_TRUE(seen.insert(n).second) << "number " << n << " given twice";
    }
    EXPECT_GT(taken, 0);
}

TEST(ExportCounter, ACounterThatTakesNoWriteFallsBackAndIsNeverLeftEmpty)
{
    CounterFolder c;
    TempFolder user, out;
    // A full disk: the program folder's counter opens but refuses the write.
    ASSERT_EQ(::symlink("/dev/full", c.counter().c_str()), 0);
    UserDataDir = user.path();
    EXPECT_EQ(NextExportNumber(), "000001");
    EXPECT_EQ(readFile(user.file("taxonar.counter")), le(2));
    struct stat st {};
    ASSERT_EQ(::lstat(c.counter().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // No counter yet and no file may grow past 3 bytes: neither counter is
    // made (empty), and the export takes the smallest free number.
    ASSERT_EQ(::unlink(c.counter().c_str()), 0);
    const pid_t child = fork();
    if (child == 0) {
        UserDataDir = user.file("fresh/");
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 3;
        setrlimit(RLIMIT_FSIZE, &limit);
        AnsiString name;
        try {
            name = CreateExportFile(out.path(), "table", ".xls");
        } catch (...) {
            _exit(1);
        }
        _exit(name == out.file("table.000001.xls") ? 0 : 2);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(platform::ListDirectory(c.folder.path()), std::vector<AnsiString>{});
    EXPECT_EQ(platform::ListDirectory(user.file("fresh/")), std::vector<AnsiString>{});
}

// ------------------------------------------------------------ export files

TEST(ExportFile, EachExportGetsANewNumberedFileAndTakenNamesAreSkipped)
{
    CounterFolder c;
    TempFolder out;
    EXPECT_EQ(CreateExportFile(out.path(), "table", ".xls"), out.file("table.000001.xls"));
    EXPECT_EQ(readFile(out.file("table.000001.xls")), ""); // made, empty
    // Files left by an earlier counter, another user or anything else keep
    // their content; their numbers are passed over.
    writeFile(out.file("table.000002.xls"), "earlier");
    ASSERT_EQ(mkdir(out.file("table.000003.xls").c_str(), 0777), 0);
    EXPECT_EQ(CreateExportFile(out.path(), "table", ".xls"), out.file("table.000004.xls"));
    EXPECT_EQ(readFile(out.file("table.000002.xls")), "earlier");
    EXPECT_EQ(readFile(c.counter()), le(5));
    // The kinds share the counter.
    EXPECT_EQ(CreateExportFile(out.path(), "rtf", ".rtf"), out.file("rtf.000005.rtf"));
    // The counter's own spelling of the number is kept.
    writeFile(c.counter(), le(1234567));
    EXPECT_EQ(CreateExportFile(out.path(), "rtf", ".rtf"), out.file("rtf.1234567.rtf"));
}

TEST(ExportFile, WithoutAnyCounterTheFirstFreeNumberIsTaken)
{
    CounterFolder c;
    TempFolder out;
    AppDir = c.folder.file("no/such/folder/");
    EXPECT_EQ(CreateExportFile(out.path(), "table", ".xls"), out.file("table.000001.xls"));
    writeFile(out.file("table.000001.xls"), "first");
    writeFile(out.file("table.000003.xls"), "third");
    EXPECT_EQ(CreateExportFile(out.path(), "table", ".xls"), out.file("table.000002.xls"));
    EXPECT_EQ(CreateExportFile(out.path(), "table", ".xls"), out.file("table.000004.xls"));
    EXPECT_EQ(readFile(out.file("table.000001.xls")), "first");
    EXPECT_EQ(readFile(out.file("table.000003.xls")), "third");
    EXPECT_FALSE(platform::FileExists(out.file("table..xls")));
}

TEST(ExportFile, AFolderThatTakesNoFileRaisesTheCreateError)
{
    CounterFolder c;
    TempFolder out;
    writeFile(out.file("plain"), "x");
    EXPECT_THROW(CreateExportFile(out.file("plain/"), "table", ".xls"), platform::EFCreateError);
    AppDir = c.folder.file("no/such/folder/");
    EXPECT_THROW(CreateExportFile(out.file("plain/"), "table", ".xls"), platform::EFCreateError);
}
