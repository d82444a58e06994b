// rbkn-prep run as a program on small source folders: table sources are
// encoded so that the reader's decoder gives the rows back, text files become
// exact CP1250 bytes with CR LF ends, binaries are copied, and bad input fails
// loudly with the file and line.
#include "browser/TaxonarTypeCode.h"
#include "platform/Cp1250.h"
#include "platform/SysUtils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::AnsiString;

namespace {

struct RunResult {
    int ExitCode = -1;
    std::string Out, Err;
};

RunResult runTool(const QStringList &args)
{
    QProcess tool;
    tool.start(QString(RUBRIKON_TOOLS_DIR) + "/rbkn-prep", args);
    RunResult r;
    if (!tool.waitForFinished(60000))
        return r;
    r.ExitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    r.Out = tool.readAllStandardOutput().toStdString();
    r.Err = tool.readAllStandardError().toStdString();
    return r;
}

void writeBytes(const QString &path, const std::string &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string readBytes(const QString &path)
{
    return platform::ReadFileBytes(path.toStdString());
}

std::vector<std::string> crlfLines(const std::string &bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

QStringList filesUnder(const QString &dir)
{
    QStringList names;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(dir).relativeFilePath(it.next());
    names.sort();
    return names;
}

class PrepToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp_.isValid()); }
    QString src(const QString &name = {}) const { return tmp_.path() + "/src/" + name; }
    QString dst(const QString &name = {}) const { return tmp_.path() + "/dst/" + name; }
    QTemporaryDir tmp_;
};

TEST_F(PrepToolTest, CatalogueEncodesTablesConvertsTextAndCopiesBinaries)
{
    // Rows with TABs, mark-up, '@', quotes, edge blanks and Polish letters; a
    // blank row (left out) and CR LF source line ends.
    const std::vector<std::string> rows = {
        "01.11.Z\tUprawa zbóż, roślin strączkowych\t#L#dział 10#L#PKD2007@C-TAB@10#",
        "  \"Żółć\" @ # ąęśćńółźż ĄĘŚĆŃÓŁŹŻ  \t\t",
        "x",
    };
    writeBytes(src("tables/t.txt.tsv"), rows[0] + "\r\n" + rows[1] + "\n\n   \n" + rows[2]);
    writeBytes(src("sub/def.definition"), "\xEF\xBB\xBF{\nNAME=Środki trwałe – KŚT\n}\n");
    const std::string pdf("%PDF-1.4\r\n\x00\x01\xFF\n%%EOF", 20);
    writeBytes(src("matryca.pdf"), pdf);
    writeBytes(src("README.md"), "notes\n");
    writeBytes(src(".hidden"), "x\n");
    writeBytes(src(".git/config"), "x\n");

    const RunResult r = runTool({"catalogue", src(), dst()});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(filesUnder(dst()), QStringList({"matryca.pdf", "sub/def.definition", "tables/t.txt"}));

    const std::vector<std::string> stored = crlfLines(readBytes(dst("tables/t.txt")));
    ASSERT_EQ(stored.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(stored[i], taxonar::EncodeTableLine(platform::Utf8ToAnsi(rows[i])));
        EXPECT_EQ(taxonar::DecodeTableLine(stored[i]), platform::Utf8ToAnsi(rows[i]));
    }

    // "Ś" 8C, "ó" F3, "–" 96, "Ś" 8C, no byte-order mark, CR LF after every line.
    EXPECT_EQ(readBytes(dst("sub/def.definition")), "{\r\nNAME=\x8Crodki trwa\xB3" "e \x96 K\x8CT\r\n}\r\n");
    EXPECT_EQ(readBytes(dst("matryca.pdf")), pdf);
}

TEST_F(PrepToolTest, Cp1250BytesAreExactForEveryPolishLetter)
{
    writeBytes(src("a.txt"), "ąćęłńóśźż\nĄĆĘŁŃÓŚŹŻ\n„cytat” € §\n");
    const RunResult r = runTool({"catalogue", src(), dst()});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(readBytes(dst("a.txt")),
              "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\r\n"
              "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF\r\n"
              "\x84" "cytat\x94 \x80 \xA7\r\n");
}

TEST_F(PrepToolTest, BadInputFailsWithFileAndLine)
{
    struct Case {
        const char *name;
        std::string bytes;
        const char *expect;
    };
    const std::vector<Case> cases = {
        {"cyrillic.txt", "dobrze\nЖ\n", "cyrillic.txt:2: character U+0416 at column 1"},
        {"arrow.txt.tsv", "a\tb\nc\td →\n", "arrow.txt.tsv:2:"},
        {"broken.definition", "{\nNAME=\xC3\x28\n}\n", "broken.definition:2: malformed UTF-8"},
        {"overlong.txt", "\xC0\xAF\n", "overlong.txt:1: malformed UTF-8"},
        {"truncated.txt", "ok\nzo\xC5", "truncated.txt:2: malformed UTF-8"},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        writeBytes(dir.path() + "/src/" + c.name, c.bytes);
        const RunResult r = runTool({"catalogue", dir.path() + "/src", dir.path() + "/dst"});
        EXPECT_NE(r.ExitCode, 0) << c.name;
        EXPECT_NE(r.Err.find(c.expect), std::string::npos) << c.name << ": " << r.Err;
        // Nothing half-written is left behind.
        EXPECT_TRUE(filesUnder(dir.path() + "/dst").isEmpty()) << c.name;
    }
}

TEST_F(PrepToolTest, ExistingOutputIsReplacedWithoutLeftovers)
{
    writeBytes(src("t.txt.tsv"), "nowy\twiersz\n");
    writeBytes(dst("t.txt"), "old contents that are longer than the new file\r\n\r\n\r\n");
    const RunResult r = runTool({"catalogue", src(), dst()});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(filesUnder(dst()), QStringList({"t.txt"}));
    EXPECT_EQ(crlfLines(readBytes(dst("t.txt"))),
              std::vector<std::string>({taxonar::EncodeTableLine("nowy\twiersz")}));
}

TEST_F(PrepToolTest, EncodeAndDecodeSingleFiles)
{
    const std::string clear = "A\tSekcja A – ROLNICTWO\t#B#x#B#\n02\t\"Leśnictwo\"\n";
    writeBytes(src("in.tsv"), clear);
    RunResult r = runTool({"encode", src("in.tsv"), dst("out.txt")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("2 rows encoded"), std::string::npos) << r.Out;

    // A damaged line (one symbol changed) and a stray text line are skipped
    // and counted.
    std::string stored = readBytes(dst("out.txt"));
    stored += "not a table line\r\n";
    const std::string damaged = taxonar::EncodeTableLine("zepsuty");
    stored += damaged.substr(0, 7) + (damaged[7] == 'K' ? "7" : "K") + damaged.substr(8) + "\r\n";
    writeBytes(dst("out.txt"), stored);

    r = runTool({"decode", dst("out.txt"), dst("back.tsv")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("2 rows decoded, 2 lines skipped"), std::string::npos) << r.Out;
    EXPECT_EQ(readBytes(dst("back.tsv")), clear);
}

TEST_F(PrepToolTest, UsageAndMissingInputFail)
{
    EXPECT_EQ(runTool({}).ExitCode, 2);
    EXPECT_EQ(runTool({"frobnicate", "a", "b"}).ExitCode, 2);
    EXPECT_EQ(runTool({"synth", dst(), "--records"}).ExitCode, 2);
    EXPECT_EQ(runTool({"synth", dst(), "--records", "ten"}).ExitCode, 2);
    EXPECT_EQ(runTool({"synth", dst(), "--colour", "5"}).ExitCode, 2);

    RunResult r = runTool({"catalogue", src("nowhere"), dst()});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("nowhere"), std::string::npos) << r.Err;
    r = runTool({"decode", src("missing.txt"), dst("x.tsv")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("missing.txt"), std::string::npos) << r.Err;
}

} // namespace
