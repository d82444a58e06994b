// What the main window hands to the desktop: the matrix document, the
// exports, the mail and the web page go to the launcher; a launcher that is
// missing or fails is named to the user in a message box, with the path of
// the file an export wrote. Exports from a program folder that takes no
// counter keep their numbers beside the settings.
#include "MainFormFixture.h"

#include "kcl/KCLSysInfo.h"
#include "platform/SysUtils.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <sys/stat.h>
#include <unistd.h>

namespace mainformtest {
namespace {

class DesktopLauncherTest : public MainFormTest {
protected:
    testsupport::TempFolder temp;
    testsupport::TempFolder bin;
    std::vector<AnsiString> boxes;
    std::string oldTmp, oldPath;
    bool hadTmp = false;

    void SetUp() override
    {
        MainFormTest::SetUp();
        if (const char *t = std::getenv("TMPDIR")) {
            hadTmp = true;
            oldTmp = t;
        }
        if (const char *p = std::getenv("PATH"))
            oldPath = p;
        ::setenv("TMPDIR", temp.path().c_str(), 1);
        Application->MessageBoxHook = [this](const AnsiString &text, const AnsiString &, int) {
            boxes.push_back(text);
            return platform::IDOK;
        };
        start();
        form->TaxonarNaviClassMenuItem->Click();
    }
    void TearDown() override
    {
        Application->MessageBoxHook = nullptr;
        ::setenv("PATH", oldPath.c_str(), 1);
        if (hadTmp)
            ::setenv("TMPDIR", oldTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        MainFormTest::TearDown();
    }
    std::string folder() { return form->TaxonarSysInfo->TempPath(); }
    static bool has(const AnsiString &text, const std::string &part) { return text.find(part) != AnsiString::npos; }

    // A launcher on a PATH of its own: it writes its arguments to args.txt
    // and ends with the status given.
    std::string fakeLauncher(int status)
    {
        const std::string args = bin.file("args.txt");
        testsupport::writeFile(bin.file("xdg-open"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args + ".part'\n"
                                                     "/bin/mv '" + args + ".part' '" + args + "'\n"
                                                     "exit " + std::to_string(status) + "\n");
        ::chmod(bin.file("xdg-open").c_str(), 0755);
        ::setenv("PATH", bin.path().c_str(), 1);
        SetShellExecute({});
        return args;
    }
    // Processes events until the condition holds (at most 20 s).
    template <class Condition> bool waitFor(Condition done)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    // Waits for the launcher started last to have ended and been handled.
    bool launcherEnded(const std::string &args)
    {
        const bool ended = waitFor([&] {
            if (!platform::FileExists(args))
                return false;
            for (QProcess *p : QCoreApplication::instance()->findChildren<QProcess *>())
                if (p->state() != QProcess::NotRunning)
                    return false;
            return true;
        });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return ended;
    }
};

TEST_F(DesktopLauncherTest, AFailingLauncherNamesWhatCouldNotBeOpened)
{
    SetShellExecute([](const ShellRequest &) { throw platform::Exception(A("Brak uchwytu.")); });

    form->OpenItem(kPdf, true, -1, "");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(has(boxes[0], A("matrycy klasyfikacji"))) << boxes[0];
    EXPECT_TRUE(has(boxes[0], AppDir + "matryca.pdf")) << boxes[0];
    EXPECT_TRUE(has(boxes[0], A("Brak uchwytu."))) << boxes[0];

    form->TaxonarHelpMailMenuItem->Click();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(has(boxes[1], A("programu pocztowego"))) << boxes[1];
    EXPECT_TRUE(has(boxes[1], MakerMailAddress)) << boxes[1];

    form->TaxonarHelpWwwMenuItem->Click();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(has(boxes[2], A("Nie można otworzyć strony www.velmora.pl"))) << boxes[2];

    // An export is written; the message says where.
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    const std::string table = folder() + "table.000001.xls";
    ASSERT_TRUE(platform::FileExists(table));
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_TRUE(has(boxes[3], A("Eksport zapisano w pliku:\n") + table)) << boxes[3];
    ASSERT_TRUE(form->OpenItem(kP, false, -1, ""));
    form->TaxonarNaviExportToolButton->Click();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_TRUE(has(boxes[4], folder() + "rtf.000002.rtf")) << boxes[4];
    EXPECT_TRUE(platform::FileExists(folder() + "rtf.000002.rtf"));

    // A request without its own text names its target.
    ShellExecute("open", "instaluj.exe", "", AppDir, 1);
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[5], A("Nie można otworzyć: ") + AppDir + A("instaluj.exe\n\nBrak uchwytu."));

    // Nothing went to the application's error handler.
    EXPECT_TRUE(errors.empty());
}

TEST_F(DesktopLauncherTest, AWorkingShellShowsNoMessage)
{
    form->OpenItem(kPdf, true, -1, "");
    form->TaxonarHelpMailMenuItem->Click();
    form->TaxonarHelpWwwMenuItem->Click();
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    EXPECT_EQ(shell.size(), 4u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DesktopLauncherTest, TheDefaultShellStartsXdgOpenOnTheTarget)
{
    std::string args = fakeLauncher(0);
    form->OpenItem(kPdf, true, -1, "");
    ASSERT_TRUE(launcherEnded(args));
    EXPECT_EQ(testsupport::readFile(args), AppDir + "matryca.pdf\n");

    ::unlink(args.c_str());
    form->TaxonarHelpMailMenuItem->Click();
    ASSERT_TRUE(launcherEnded(args));
    EXPECT_EQ(testsupport::readFile(args), "mailto:pomoc@velmora.pl?subject=Rubrikon\n");

    ::unlink(args.c_str());
    form->TaxonarHelpWwwMenuItem->Click();
    ASSERT_TRUE(launcherEnded(args));
    EXPECT_EQ(testsupport::readFile(args), "http://www.velmora.pl\n");

    ::unlink(args.c_str());
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    ASSERT_TRUE(launcherEnded(args));
    EXPECT_EQ(testsupport::readFile(args), folder() + "table.000001.xls\n");

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(DesktopLauncherTest, ALauncherEndingInFailureIsReported)
{
    const std::string args = fakeLauncher(3);
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    ASSERT_TRUE(waitFor([&] { return !boxes.empty(); }));
    ASSERT_EQ(boxes.size(), 1u);
    const std::string table = folder() + "table.000001.xls";
    EXPECT_TRUE(has(boxes[0], table)) << boxes[0];
    EXPECT_TRUE(has(boxes[0], A("Brak programu, który otwiera ten rodzaj pliku"))) << boxes[0];
    EXPECT_TRUE(has(boxes[0], "kod 3")) << boxes[0];
    EXPECT_TRUE(platform::FileExists(table));

    // A missing matrix document is not taken for a web address.
    fakeLauncher(2);
    form->OpenItem(kPdf, true, -1, "");
    ASSERT_TRUE(waitFor([&] { return boxes.size() == 2; }));
    EXPECT_TRUE(has(boxes[1], A("matrycy klasyfikacji"))) << boxes[1];
    EXPECT_TRUE(has(boxes[1], A("Plik nie istnieje"))) << boxes[1];
    EXPECT_EQ(testsupport::readFile(args), AppDir + "matryca.pdf\n");
}

TEST_F(DesktopLauncherTest, PolishLettersInFoldersReachLauncherAndMessageAsOnDisk)
{
    const std::string tmp = temp.path() + "ćwiczenie"; // UTF-8, as the file system names it
    ASSERT_TRUE(platform::ForceDirectories(tmp));
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const std::string args = fakeLauncher(3);
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    ASSERT_TRUE(waitFor([&] { return boxes.size() == 1; }));
    const std::string table = tmp + "/table.000001.xls";
    EXPECT_EQ(testsupport::readFile(args), table + "\n");
    EXPECT_TRUE(platform::FileExists(table));
    EXPECT_TRUE(has(boxes[0], A(table.c_str()))) << boxes[0];

    AppDir = temp.path() + "łódź/";
    ASSERT_TRUE(platform::ForceDirectories(AppDir));
    testsupport::writeFile(AppDir + "matryca.pdf", "%PDF");
    form->OpenItem(kPdf, true, -1, "");
    ASSERT_TRUE(waitFor([&] { return boxes.size() == 2; }));
    EXPECT_EQ(testsupport::readFile(args), AppDir + "matryca.pdf\n");
    EXPECT_TRUE(has(boxes[1], A((AppDir + "matryca.pdf").c_str()))) << boxes[1];
}

TEST_F(DesktopLauncherTest, ARelativeTemporaryFolderReachesTheLauncherWhole)
{
    struct InFolder {
        std::string old = QDir::currentPath().toStdString();
        explicit InFolder(const std::string &dir) { EXPECT_EQ(::chdir(dir.c_str()), 0); }
        ~InFolder() { EXPECT_EQ(::chdir(old.c_str()), 0); }
    } inTemp(temp.path());
    const std::string table = temp.path() + "-rel/table.000001.xls";
    ASSERT_TRUE(platform::ForceDirectories(temp.path() + "-rel"));
    ::setenv("TMPDIR", "-rel", 1);
    const std::string args = fakeLauncher(0);
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    ASSERT_TRUE(launcherEnded(args));
    EXPECT_EQ(testsupport::readFile(args), table + "\n");
    EXPECT_TRUE(platform::FileExists(table));

    // A file in a relative folder is taken from the current one.
    ::unlink(args.c_str());
    ShellExecute("open", "table.000001.xls", "", "-rel", 1);
    ASSERT_TRUE(launcherEnded(args));
    EXPECT_EQ(testsupport::readFile(args), table + "\n");
}

TEST_F(DesktopLauncherTest, AMissingLauncherIsNamedWithItsPackage)
{
    ::setenv("PATH", bin.path().c_str(), 1); // no xdg-open there
    SetShellExecute({});
    form->TaxonarHelpWwwMenuItem->Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(has(boxes[0], "www.velmora.pl")) << boxes[0];
    EXPECT_TRUE(has(boxes[0], "xdg-open")) << boxes[0];
    EXPECT_TRUE(has(boxes[0], "xdg-utils")) << boxes[0];
    EXPECT_TRUE(errors.empty());
}

TEST_F(DesktopLauncherTest, ExportsFromAProgramFolderWithoutCounterKeepTheirNumbers)
{
    // The program folder does not take the counter file.
    ASSERT_TRUE(platform::ForceDirectories(AppDir + "taxonar.counter"));
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    form->TaxonarNaviExportMenuItem->Click();
    ASSERT_EQ(shell.size(), 2u);
    EXPECT_EQ(shell[0].File, folder() + "table.000001.xls");
    EXPECT_EQ(shell[1].File, folder() + "table.000002.xls");
    EXPECT_TRUE(platform::FileExists(shell[0].File));
    EXPECT_TRUE(platform::FileExists(shell[1].File));
    EXPECT_FALSE(platform::FileExists(folder() + "table..xls"));
    // The counter lives beside the settings.
    EXPECT_EQ(testsupport::readFile(UserDataDir + "taxonar.counter"), std::string("\x03\0\0\0", 4));
    EXPECT_TRUE(platform::FileExists(ConfigFileName()));

    // An export file already there is never replaced.
    testsupport::writeFile(folder() + "table.000003.xls", "earlier");
    form->TaxonarNaviExportMenuItem->Click();
    ASSERT_EQ(shell.size(), 3u);
    EXPECT_EQ(shell[2].File, folder() + "table.000004.xls");
    EXPECT_EQ(testsupport::readFile(folder() + "table.000003.xls"), "earlier");
}

} // namespace
} // namespace mainformtest
