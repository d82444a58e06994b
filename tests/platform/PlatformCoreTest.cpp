#include "platform/Classes.h"
#include "platform/Cp1250.h"
#include "platform/SysUtils.h"
#include "platform/System.h"
#include "platform/TextFile.h"

#include "TestSupport.h"

#include <QString>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

using namespace platform;
using testsupport::TempFolder;
using testsupport::readFile;
using testsupport::writeFile;

TEST(Cp1250, EveryByteRoundTripsThroughUnicode)
{
    for (int b = 0; b < 256; ++b) {
        char16_t u = Cp1250ToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(UnicodeToCp1250(u), b) << "byte " << b;
    }
    EXPECT_EQ(Cp1250ToUnicode(0xB9), u'ą');
    EXPECT_EQ(Cp1250ToUnicode(0xA3), u'Ł');
    EXPECT_EQ(Cp1250ToUnicode(0x80), u'€');
    EXPECT_EQ(UnicodeToCp1250(U'ż'), 0xBF);
    EXPECT_EQ(UnicodeToCp1250(U'ы'), -1); // Cyrillic is not in the code page
}

TEST(Cp1250, QStringAndUtf8Conversions)
{
    const AnsiString ansi = "\x8C\x9C\xB9\xA5\xF3\xD3 x"; // ŚśąĄóÓ x
    EXPECT_EQ(AnsiToQString(ansi), QString::fromUtf8("ŚśąĄóÓ x"));
    EXPECT_EQ(QStringToAnsi(QString::fromUtf8("Żółć")), "\xAF\xF3\xB3\xE6");
    EXPECT_EQ(QStringToAnsi(QString::fromUtf8("a\u4E2Db"), '?'), "a?b");
    EXPECT_EQ(AnsiToUtf8(ansi), "ŚśąĄóÓ x");
    bool ok = false;
    EXPECT_EQ(Utf8ToAnsi("Łódź", &ok), "\xA3\xF3\x64\x9F");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Utf8ToAnsi("a\xE4\xB8\xAD", &ok), "a?"); // a character outside the code page
    EXPECT_FALSE(ok);
    EXPECT_EQ(Utf8ToAnsi("\xC5", &ok), "?"); // cut in the middle of a sequence
    EXPECT_FALSE(ok);
}

TEST(Cp1250, AnsiUpperCaseFoldsPolishLettersButAsciiUpperCaseDoesNot)
{
    EXPECT_EQ(AnsiUpperCase("za\xBF\xF3\xB3\xE6 g\xEA\x9C\x6C\xB9 ja\x9F\xF1"),
              "ZA\xAF\xD3\xA3\xC6 G\xCA\x8CL\xA5 JA\x8F\xD1"); // zażółć gęślą jaźń
    EXPECT_EQ(AnsiUpperCase("\xE4\xDF\xB5 1-2"), "\xC4\xDF\xB5 1-2"); // ä→Ä; ß, µ, digits stay
    EXPECT_EQ(AnsiLowerCase("\xAF\xD3\xA3\xC6"), "\xBF\xF3\xB3\xE6");
    EXPECT_EQ(UpperCase("abc\xB9\xBF"), "ABC\xB9\xBF");
    EXPECT_EQ(LowerCase("ABC\xA5\xAF"), "abc\xA5\xAF");
}

TEST(SysUtils, TrimRemovesBlanksAndControlsOnly)
{
    EXPECT_EQ(Trim(" \t\r\n ab c \x01\x1F "), "ab c");
    EXPECT_EQ(TrimLeft("\t x \t"), "x \t");
    EXPECT_EQ(TrimRight("\t x \t"), "\t x");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0"); // a no-break space (above 32) stays
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
}

TEST(SysUtils, StrToIntFollowsTheClassLibrary)
{
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -17"), -17);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char *bad : {"", " ", "12 ", "1a", "2147483648", "-", "$", "0x", "1.5", "\xB9"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message, "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(StrToIntDef("x", 7), 7);
    EXPECT_EQ(StrToIntDef("8", 7), 8);
    EXPECT_EQ(IntToStr(-12), "-12");
}

TEST(StringList, KeepsOrderDuplicatesAndObjects)
{
    TStringList l;
    EXPECT_EQ(l.Add("b"), 0);
    EXPECT_EQ(l.Add("a", 5), 1);
    EXPECT_EQ(l.Add("b"), 2);
    l.Insert(1, "x", -1);
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l[1], "x");
    EXPECT_EQ(l.Objects(1), -1);
    EXPECT_EQ(l.Objects(2), 5);
    EXPECT_EQ(l.IndexOf("b"), 0);
    l.Delete(0);
    EXPECT_EQ(l.IndexOf("b"), 2);
    EXPECT_THROW(l.Strings(3), EListError);
    EXPECT_THROW(l.Delete(-1), EListError);
    EXPECT_EQ(l.Text(), "x\r\na\r\nb\r\n");
}

TEST(StringList, LoadSplitsAtEveryLineEndAndSaveWritesCrLf)
{
    TempFolder tmp;
    writeFile(tmp.file("in.txt"), "one\r\ntwo\nthree\rfour\r\n\r\nlast");
    TStringList l;
    l.LoadFromFile(tmp.file("in.txt"));
    ASSERT_EQ(l.Count(), 6);
    EXPECT_EQ(l[2], "three");
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l[5], "last");
    l.SaveToFile(tmp.file("out.txt"));
    EXPECT_EQ(readFile(tmp.file("out.txt")), "one\r\ntwo\r\nthree\r\nfour\r\n\r\nlast\r\n");

    writeFile(tmp.file("end.txt"), "a\r\n");
    l.LoadFromFile(tmp.file("end.txt"));
    EXPECT_EQ(l.Count(), 1); // a final line end adds no empty line
    EXPECT_THROW(l.LoadFromFile(tmp.file("missing.txt")), EFOpenError);
    EXPECT_THROW(l.LoadFromFile(tmp.path()), EFOpenError);
}

TEST(TextFile, ReadsLinesByTheRunTimeRules)
{
    TempFolder tmp;
    auto readAll = [&](const std::string &bytes) {
        writeFile(tmp.file("t.txt"), bytes);
        TextFile f(tmp.file("t.txt"));
        f.Reset();
        std::vector<std::string> lines;
        do
            lines.push_back(f.ReadLn());
        while (!f.Eof());
        f.CloseFile();
        return lines;
    };
    EXPECT_EQ(readAll(""), std::vector<std::string>{""}); // one read of an empty file
    EXPECT_EQ(readAll("abc"), std::vector<std::string>{"abc"});
    EXPECT_EQ(readAll("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(readAll("a\nb\rc\r\n\r\nd"), (std::vector<std::string>{"a", "b", "c", "", "d"}));

    // Lines longer than the read buffer, and a CR LF split across buffers.
    std::string big(70000, 'x');
    std::string pad(65535, 'y');
    EXPECT_EQ(readAll(big + "\r\n" + pad + "\r\nz"), (std::vector<std::string>{big, pad, "z"}));
}

TEST(TextFile, OpenErrorsAreRunTimeInputOutputErrors)
{
    TempFolder tmp;
    TextFile missing(tmp.file("none"));
    try {
        missing.Reset();
        FAIL();
    } catch (const EInOutError &e) {
        EXPECT_EQ(e.ErrorCode, 2);
        EXPECT_EQ(e.Message, "File not found");
    }
    TextFile folder(tmp.path());
    try {
        folder.Reset();
        FAIL();
    } catch (const EInOutError &e) {
        EXPECT_EQ(e.ErrorCode, 5);
        EXPECT_EQ(e.Message, "File access denied");
    }
    TextFile out(tmp.file("w.txt"));
    out.Rewrite();
    out.WriteLn("a");
    out.Write("b");
    out.CloseFile();
    EXPECT_EQ(readFile(tmp.file("w.txt")), "a\r\nb");
}

TEST(Files, ExistenceCreationAndDeletion)
{
    TempFolder tmp;
    EXPECT_FALSE(FileExists(tmp.path())); // a folder is no file
    EXPECT_TRUE(DirectoryExists(tmp.path()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(ForceDirectories(tmp.file("a/b/c/")));
    EXPECT_TRUE(DirectoryExists(tmp.file("a/b/c")));
    writeFile(tmp.file("a/f"), "x");
    EXPECT_TRUE(FileExists(tmp.file("a/f")));
    EXPECT_FALSE(ForceDirectories(tmp.file("a/f/g"))); // a file in the way
    EXPECT_FALSE(DeleteFile(tmp.file("a/b")));          // folders are not deleted
    EXPECT_TRUE(DeleteFile(tmp.file("a/f")));
    EXPECT_FALSE(FileExists(tmp.file("a/f")));
    EXPECT_EQ(ExtractFilePath("/x/y/z.txt"), "/x/y/");
    EXPECT_EQ(ExtractFileName("/x/y/z.txt"), "z.txt");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/x"), "/x/");
}

TEST(Streams, MemoryAndFileStreams)
{
    TempFolder tmp;
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Size(), 5);
    m.SetPosition(1);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 4);
    EXPECT_STREQ(buf, "ello");
    m.SetPosition(3);
    EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
    m.SaveToFile(tmp.file("m.bin"));

    TFileStream f(tmp.file("m.bin"), fmOpenReadWrite);
    EXPECT_EQ(f.Size(), 5);
    f.Seek(0, TSeekOrigin::soEnd);
    f.WriteBuffer("!", 1);
    TMemoryStream copy;
    copy.CopyFrom(f, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(copy.Memory()), size_t(copy.Size())), "hello!");
    EXPECT_THROW(TFileStream(tmp.file("none"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(tmp.file("no/such/folder"), fmCreate), EFCreateError);
}

TEST(Streams, ExclusiveOpenShutsOutEveryOtherOpenAcrossProcesses)
{
    TempFolder tmp;
    const std::string path = tmp.file("locked");
    writeFile(path, "content");
    {
        TFileStream held(path, fmOpenReadWrite | fmShareExclusive);
        EXPECT_THROW(TFileStream(path, fmOpenRead), EFOpenError);
        EXPECT_THROW(TFileStream(path, fmCreate), EFCreateError);
        TextFile t(path);
        EXPECT_THROW(t.Reset(), EInOutError);
        // Another process is refused too.
        pid_t child = fork();
        if (child == 0) {
            int fd = OpenShared(path, O_RDONLY, false);
            _exit(fd < 0 ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(readFile(path), "content"); // a refused create did not truncate
    TFileStream reader1(path, fmOpenRead);
    TFileStream reader2(path, fmOpenRead | fmShareDenyWrite); // shared opens coexist
    EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareExclusive), EFOpenError);
}

TEST(Ticks, TickCountIsReplaceableAndWraps)
{
    uint32_t now = 0xFFFFFFF0u;
    SetTickSource([&] { return now; });
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    now += 0x20; // wraps
    EXPECT_EQ(GetTickCount(), 0x10u);
    SetTickSource({});
    uint32_t a = GetTickCount();
    uint32_t b = GetTickCount();
    EXPECT_LE(uint32_t(b - a), 1000u);
}

TEST(SysUtils, ReplaceAllWithAndWithoutCase)
{
    EXPECT_EQ(StringReplaceAll("a&b&&c", "&", "&amp;"), "a&amp;b&amp;&amp;c");
    EXPECT_EQ(StringReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(StringReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(StringReplaceAllIgnoreCase("x&LT;y&lt;z", "&lt;", "<"), "x<y<z");
    EXPECT_EQ(StringReplaceAllIgnoreCase("\xB9&Lt;", "&lt;", "<"), "\xB9<");
}
