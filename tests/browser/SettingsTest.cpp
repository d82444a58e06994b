// The settings file config.xml: default file, reading and writing the four
// flags, the flag conversion, and damaged files.
#include "browser/TaxonarTypeCode.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <unistd.h>

using namespace taxonar;
using platform::AnsiString;

namespace {

const std::string DefaultFile = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                "<body>\r\n"
                                "  <config>\r\n"
                                "    <viewhelp>1</viewhelp>\r\n"
                                "    <view2010>1</view2010>\r\n"
                                "    <viewinfo>1</viewinfo>\r\n"
                                "    <firstinfo>1</firstinfo>\r\n"
                                "  </config>\r\n"
                                "</body>\r\n";

std::string ConfigWith(const std::string &values)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<body>\n<config>\n" + values + "</config>\n</body>\n";
}

// UserDataDir points at a fresh folder; globals and the retry pause are
// restored afterwards.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedDir_ = UserDataDir;
        saved_[0] = ViewHelp, saved_[1] = View2010, saved_[2] = ViewInfo, saved_[3] = FirstInfo;
        UserDataDir = temp_.path();
        SetFlags(false, false, false, false);
        SetXmlRetryWait([](uint32_t) {});
    }
    void TearDown() override
    {
        SetXmlTempFileCreator({});
        SetXmlRetryWait({});
        UserDataDir = savedDir_;
        SetFlags(saved_[0], saved_[1], saved_[2], saved_[3]);
    }
    static void SetFlags(bool help, bool v2010, bool info, bool first)
    {
        ViewHelp = help, View2010 = v2010, ViewInfo = info, FirstInfo = first;
    }
    static std::vector<bool> Flags() { return {ViewHelp, View2010, ViewInfo, FirstInfo}; }
    // What the main window does at start-up.
    static void StartUp()
    {
        if (!ConfigExists())
            ConfigCreateDefault();
        ConfigLoad();
    }
    static void WriteConfig(const std::string &bytes) { testsupport::writeFile(ConfigFileName(), bytes); }
    static std::string ReadConfig() { return testsupport::readFile(ConfigFileName()); }

    testsupport::TempFolder temp_;
    AnsiString savedDir_;
    bool saved_[4] = {};
};

} // namespace

TEST(SettingsConversion, StrToByteDefKeepsTheLowEightBits)
{
    EXPECT_EQ(StrToByteDef("1"), 1);
    EXPECT_EQ(StrToByteDef("0"), 0);
    EXPECT_EQ(StrToByteDef("257"), 1);
    EXPECT_EQ(StrToByteDef("256"), 0);
    EXPECT_EQ(StrToByteDef("-1"), 255);
    EXPECT_EQ(StrToByteDef("$1FF"), 255);
    EXPECT_EQ(StrToByteDef(" 7"), 7);
    EXPECT_EQ(StrToByteDef("7 "), 0);
    EXPECT_EQ(StrToByteDef("abc"), 0);
    EXPECT_EQ(StrToByteDef(""), 0);
    EXPECT_EQ(StrToByteDef("99999999999"), 0);  // out of range: conversion error
    EXPECT_EQ(StrToByteDef("\xB9"), 0);
}

TEST_F(SettingsTest, FirstStartWritesTheDefaultFile)
{
    EXPECT_EQ(ConfigFileName(), temp_.path() + "config.xml");
    EXPECT_FALSE(ConfigExists());
    StartUp();
    EXPECT_EQ(ReadConfig(), DefaultFile);
    EXPECT_EQ(Flags(), std::vector<bool>(4, true));
    EXPECT_TRUE(ConfigExists());
    // Nothing else is left in the folder.
    EXPECT_EQ(platform::ListDirectory(temp_.path()), std::vector<AnsiString>{"config.xml"});
}

TEST_F(SettingsTest, LoadReadsEachFlag)
{
    WriteConfig(ConfigWith("<viewhelp>1</viewhelp>\n<view2010>0</view2010>\n"
                           "<viewinfo>0</viewinfo>\n<firstinfo>1</firstinfo>\n"));
    StartUp();
    EXPECT_EQ(Flags(), (std::vector<bool>{true, false, false, true}));

    // Values that are no number, empty, or whose low byte is 0.
    WriteConfig(ConfigWith("<viewhelp>abc</viewhelp>\n<view2010></view2010>\n"
                           "<viewinfo>257</viewinfo>\n<firstinfo>256</firstinfo>\n"));
    SetFlags(true, true, false, true);
    EXPECT_TRUE(ConfigLoad());
    EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true, false}));
}

TEST_F(SettingsTest, AnyValidLayoutIsRead)
{
    WriteConfig("\r\n<!-- settings -->\r\n<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                "<body>\r\n\t<config>\r\n<firstinfo>0</firstinfo>\r\n"
                "          <viewinfo>1</viewinfo>\r\n\r\n<view2010>0</view2010>\r\n"
                "</config>\r\n</body>");
    EXPECT_TRUE(ConfigExists());
    EXPECT_TRUE(ConfigLoad());
    // A missing key reads as false.
    EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true, false}));
}

TEST_F(SettingsTest, SaveWritesTheFlagsAndReindents)
{
    StartUp();
    ViewInfo = false;
    ASSERT_TRUE(ConfigSave());
    std::string expected = DefaultFile;
    expected.replace(expected.find("<viewinfo>1"), 11, "<viewinfo>0");
    EXPECT_EQ(ReadConfig(), expected);

    SetFlags(true, true, true, true);
    ASSERT_TRUE(ConfigLoad());
    EXPECT_EQ(Flags(), (std::vector<bool>{true, true, false, true}));
}

TEST_F(SettingsTest, SaveAddsAMissingKeyBeforeTheContainersEnd)
{
    WriteConfig(ConfigWith("<viewhelp>1</viewhelp>\n<viewinfo>1</viewinfo>\n"));
    SetFlags(false, true, false, true);
    ASSERT_TRUE(ConfigSave());
    EXPECT_EQ(ReadConfig(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<body>\r\n  <config>\r\n"
                            "    <viewhelp>0</viewhelp>\r\n    <viewinfo>0</viewinfo>\r\n"
                            "    <view2010>1</view2010>\r\n    <firstinfo>1</firstinfo>\r\n"
                            "  </config>\r\n</body>\r\n");
}

TEST_F(SettingsTest, SaveStoresNothingWithoutAValidFile)
{
    SetFlags(true, true, true, true);
    EXPECT_FALSE(ConfigSave());
    EXPECT_FALSE(platform::FileExists(ConfigFileName()));

    // Valid, but without the container: the keys have nowhere to go.
    const std::string noContainer =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<body>\n<viewinfo>1</viewinfo>\n</body>\n";
    WriteConfig(noContainer);
    ASSERT_TRUE(ConfigExists());
    EXPECT_FALSE(ConfigSave());
    EXPECT_EQ(ReadConfig(), noContainer);
    SetFlags(true, true, true, true);
    EXPECT_TRUE(ConfigLoad());
    EXPECT_EQ(Flags(), std::vector<bool>(4, false));

    // Invalid file: not re-created, not changed.
    const std::string invalid = ConfigWith("<viewinfo>1</viewinfo>\nhello\n");
    WriteConfig(invalid);
    EXPECT_FALSE(ConfigSave());
    EXPECT_EQ(ReadConfig(), invalid);
}

TEST_F(SettingsTest, LoadLeavesTheFlagsWhenTheFileIsMissingOrInvalid)
{
    SetFlags(true, false, true, false);
    EXPECT_FALSE(ConfigLoad());
    WriteConfig(ConfigWith("<viewinfo>0</viewinfo>\nplain text\n"));
    EXPECT_FALSE(ConfigLoad());
    EXPECT_EQ(Flags(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(SettingsTest, DamagedFilesAreReplacedByTheDefaultAtStart)
{
    const std::string damaged[] = {
        // a stray line of plain text
        ConfigWith("<viewhelp>0</viewhelp>\nplain text\n<viewinfo>0</viewinfo>\n"),
        // binary junk
        std::string("\x00\x01\xFF\xFE<body>\r\n\x80\x81\x1A", 15),
        // a huge line
        ConfigWith("<viewhelp>1</viewhelp>\n" + std::string(2 << 20, 'x') + "\n"),
        // letters beyond ASCII in a tag name
        ConfigWith("<viewhelp>0</viewhelp>\n<vi\xEA" "w>0</vi\xEA" "w>\n"),
        // empty
        "",
    };
    for (const std::string &content : damaged) {
        WriteConfig(content);
        SetFlags(false, false, false, false);
        EXPECT_FALSE(ConfigExists());
        StartUp();
        EXPECT_EQ(ReadConfig(), DefaultFile);
        EXPECT_EQ(Flags(), std::vector<bool>(4, true));
    }
}

TEST_F(SettingsTest, ValuesBeyondAsciiAndHugeValuesReadAsFalse)
{
    WriteConfig(ConfigWith("<viewhelp>\xB9\xE6</viewhelp>\n<view2010>" + std::string(100000, '9') +
                           "</view2010>\n<viewinfo>0x101</viewinfo>\n<firstinfo> 1</firstinfo>\n"));
    ASSERT_TRUE(ConfigExists());
    ASSERT_TRUE(ConfigLoad());
    EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true, true}));
}

TEST_F(SettingsTest, HeldFileFailsWithoutChange)
{
    StartUp();
    const int fd = ::open(ConfigFileName().c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ViewInfo = false;
    EXPECT_FALSE(ConfigSave());
    EXPECT_FALSE(ConfigCreateDefault());
    SetFlags(false, false, false, false);
    EXPECT_FALSE(ConfigLoad());
    ::close(fd);
    EXPECT_EQ(ReadConfig(), DefaultFile);
    EXPECT_EQ(Flags(), std::vector<bool>(4, false));
}

namespace {

// The folder refuses new files (as one the user may not write does; the
// tests run as root, which folder permissions do not stop, so the refusal is
// injected): the existing file is rewritten in place.
TEST_F(SettingsTest, FolderThatRefusesNewFilesStillSavesTheExistingFile)
{
    StartUp();
    std::vector<std::string> attempted;
    int refusal = EACCES;
    SetXmlTempFileCreator([&](const AnsiString &path) {
        attempted.push_back(path);
        errno = refusal;
        return -1;
    });
    // Blank lines make the old file longer than the new one: it is cut.
    WriteConfig(DefaultFile + "\r\n\r\n\r\n\r\n\r\n\r\n");
    ViewInfo = false;
    ASSERT_TRUE(ConfigSave());
    EXPECT_FALSE(attempted.empty());
    std::string expected = DefaultFile;
    expected.replace(expected.find("<viewinfo>1"), 11, "<viewinfo>0");
    EXPECT_EQ(ReadConfig(), expected);
    // The next start reads what was saved: the explanations stay closed.
    SetFlags(true, true, true, false);
    StartUp();
    EXPECT_EQ(Flags(), (std::vector<bool>{true, true, false, true}));

    // A missing file cannot be made there at all.
    ::unlink(ConfigFileName().c_str());
    EXPECT_FALSE(ConfigCreateDefault());
    EXPECT_EQ(::access(ConfigFileName().c_str(), F_OK), -1);

    // Other failures (a full disk) never risk the old file in place.
    WriteConfig(DefaultFile);
    refusal = ENOSPC;
    ViewInfo = false;
    EXPECT_FALSE(ConfigSave());
    EXPECT_EQ(ReadConfig(), DefaultFile);
}

TEST_F(SettingsTest, SymbolicLinkIsWrittenThroughAndStaysALink)
{
    testsupport::TempFolder elsewhere;
    ASSERT_EQ(::mkdir(elsewhere.file("sub").c_str(), 0755), 0);
    // config.xml -> sub/hop (relative to its folder) -> ../real.xml
    ASSERT_EQ(::symlink("../real.xml", elsewhere.file("sub/hop").c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.file("sub/hop").c_str(), ConfigFileName().c_str()), 0);
    auto isLink = [](const std::string &path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    };

    // A link to nothing yet: the default file is made where it leads.
    StartUp();
    EXPECT_TRUE(isLink(ConfigFileName()));
    EXPECT_TRUE(isLink(elsewhere.file("sub/hop")));
    EXPECT_EQ(testsupport::readFile(elsewhere.file("real.xml")), DefaultFile);

    FirstInfo = false;
    ASSERT_TRUE(ConfigSave());
    EXPECT_TRUE(isLink(ConfigFileName()));
    EXPECT_NE(testsupport::readFile(elsewhere.file("real.xml")).find("<firstinfo>0</firstinfo>"), std::string::npos);

    // A loop of links is a failed write, not a hang.
    ::unlink(elsewhere.file("sub/hop").c_str());
    ASSERT_EQ(::symlink(ConfigFileName().c_str(), elsewhere.file("sub/hop").c_str()), 0);
    EXPECT_FALSE(ConfigCreateDefault());
}

} // namespace
