// The XML line store: line recognisers, escaping, list edits, file routines
// with their retry rule, and the replacement of files through a temporary file.
#include "browser/TaxonarTypeCode.h"

#include "platform/System.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace taxonar;
using platform::AnsiString;
using platform::TStringList;

namespace {

const char *const Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

TStringList Lines(std::initializer_list<const char *> lines)
{
    TStringList list;
    for (const char *line : lines)
        list.Add(line);
    return list;
}

std::vector<AnsiString> Items(const TStringList &list)
{
    std::vector<AnsiString> v;
    for (int i = 0; i < list.Count(); ++i)
        v.push_back(list[i]);
    return v;
}

// A fresh folder per test; the retry pause is counted instead of waited.
class XmlFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetXmlRetryWait([this](uint32_t ms) {
            EXPECT_EQ(ms, 100u);
            ++waits_;
        });
    }
    void TearDown() override { SetXmlRetryWait({}); }
    AnsiString Path(const char *name) const { return dir_ + name; }
    static void Write(const AnsiString &path, const std::string &bytes) { testsupport::writeFile(path, bytes); }
    static std::string Read(const AnsiString &path) { return testsupport::readFile(path); }
    std::vector<AnsiString> Entries() const
    {
        auto names = platform::ListDirectory(dir_);
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::TempFolder temp_;
    const AnsiString dir_ = temp_.path();
    int waits_ = 0;
};

// Holds a file with an advisory lock from a descriptor of its own, as another
// process would.
class LockHolder {
public:
    LockHolder(const AnsiString &path, int operation)
    {
        fd_ = ::open(path.c_str(), O_RDONLY);
        EXPECT_GE(fd_, 0);
        EXPECT_EQ(::flock(fd_, operation | LOCK_NB), 0);
    }
    ~LockHolder()
    {
        if (releaser_.joinable())
            releaser_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    // Drops the lock from a background thread after the delay.
    void ReleaseAfter(std::chrono::milliseconds delay)
    {
        releaser_ = std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            ::close(fd_.exchange(-1));
        });
    }

private:
    std::atomic<int> fd_{-1};
    std::thread releaser_;
};

} // namespace

// ------------------------------------------------------------- recognisers

TEST(XmlRecognisers, NamesTextAndAttributes)
{
    EXPECT_TRUE(XmlIsName("a"));
    EXPECT_TRUE(XmlIsName("view2010"));
    EXPECT_TRUE(XmlIsName("Body"));
    EXPECT_FALSE(XmlIsName(""));
    EXPECT_FALSE(XmlIsName("2a"));
    EXPECT_FALSE(XmlIsName("a_b"));
    EXPECT_FALSE(XmlIsName("a-b"));
    EXPECT_FALSE(XmlIsName("a:b"));
    EXPECT_FALSE(XmlIsName(" a"));      // not trimmed
    EXPECT_FALSE(XmlIsName("a\xB9"));   // a letter beyond ASCII
    EXPECT_FALSE(XmlIsName("\xA5"));

    EXPECT_TRUE(XmlIsText(""));
    EXPECT_TRUE(XmlIsText("plain text \xB9\xE6"));
    for (const char *bad : {"a<b", "a>b", "a&b", "a'b", "a\"b"})
        EXPECT_FALSE(XmlIsText(bad)) << bad;

    EXPECT_TRUE(XmlIsAttribute("ab=\"\""));
    EXPECT_FALSE(XmlIsAttribute("a=\"\""));  // four characters
    EXPECT_TRUE(XmlIsAttribute("x=\"1\""));
    EXPECT_TRUE(XmlIsAttribute("x=\"a=b\""));
    EXPECT_FALSE(XmlIsAttribute("x=1234"));
    EXPECT_FALSE(XmlIsAttribute("x=\"12"));
    EXPECT_FALSE(XmlIsAttribute("1x=\"1\""));
    EXPECT_FALSE(XmlIsAttribute("x=\"a<b\""));
    EXPECT_FALSE(XmlIsAttribute("x=\"\"\""));
    EXPECT_FALSE(XmlIsAttribute("abcdef"));
    EXPECT_FALSE(XmlIsAttribute(" x=\"1\""));
}

TEST(XmlRecognisers, OpenAndCloseTags)
{
    AnsiString name = "unchanged";
    EXPECT_TRUE(XmlIsOpenTag("<config>", name));
    EXPECT_EQ(name, "config");
    EXPECT_TRUE(XmlIsOpenTag("  \t<a x=\"1\">\r", name));
    EXPECT_EQ(name, "a");
    EXPECT_TRUE(XmlIsOpenTag("<a >", name));
    EXPECT_TRUE(XmlIsOpenTag("<a x=\"1\" >", name));
    EXPECT_TRUE(XmlIsOpenTag("<a x=\"1\" y=\"2\">", name));
    EXPECT_FALSE(XmlIsOpenTag("<a x=\"1\"  y=\"2\">", name));  // two blanks
    EXPECT_FALSE(XmlIsOpenTag("<a  >", name));
    EXPECT_FALSE(XmlIsOpenTag("<a x=\"b c\">", name));
    EXPECT_FALSE(XmlIsOpenTag("</a>", name));
    EXPECT_FALSE(XmlIsOpenTag("<a/>", name));
    EXPECT_FALSE(XmlIsOpenTag("<a x=\"1\"/>", name));
    EXPECT_FALSE(XmlIsOpenTag("<>", name));
    EXPECT_FALSE(XmlIsOpenTag("< a>", name));
    EXPECT_FALSE(XmlIsOpenTag("<a>v</a>", name));
    EXPECT_FALSE(XmlIsOpenTag("<a", name));
    EXPECT_FALSE(XmlIsOpenTag("", name));

    EXPECT_TRUE(XmlIsCloseTag(" </config> ", name));
    EXPECT_EQ(name, "config");
    EXPECT_TRUE(XmlIsCloseTag("</a>", name));
    EXPECT_FALSE(XmlIsCloseTag("</>", name));
    EXPECT_FALSE(XmlIsCloseTag("</a >", name));
    EXPECT_FALSE(XmlIsCloseTag("</ a>", name));
    EXPECT_FALSE(XmlIsCloseTag("<a>", name));
    EXPECT_FALSE(XmlIsCloseTag("</a x=\"1\">", name));
}

TEST(XmlRecognisers, ValueLines)
{
    AnsiString name;
    EXPECT_TRUE(XmlIsValueLine("<a x=\"1\">v</a>", name));
    EXPECT_EQ(name, "a");
    EXPECT_TRUE(XmlIsValueLine("    <viewhelp>1</viewhelp>", name));
    EXPECT_EQ(name, "viewhelp");
    EXPECT_TRUE(XmlIsValueLine("<a>x>y</a>", name));
    EXPECT_TRUE(XmlIsValueLine("<a></a>", name));
    EXPECT_TRUE(XmlIsValueLine("<a>\xB9\xE6 &amp; b</a>", name));
    EXPECT_FALSE(XmlIsValueLine("<a>v</b>", name));
    EXPECT_FALSE(XmlIsValueLine("<a>v</A>", name));  // names are case-sensitive
    EXPECT_FALSE(XmlIsValueLine("<a>v</a>x", name));
    EXPECT_FALSE(XmlIsValueLine("<a>v<b></a>", name));
    EXPECT_FALSE(XmlIsValueLine("<a>v", name));
    EXPECT_FALSE(XmlIsValueLine("<a>", name));
    EXPECT_FALSE(XmlIsValueLine("text", name));
    EXPECT_FALSE(XmlIsValueLine("<a  x=\"1\">v</a>", name));
}

TEST(XmlRecognisers, CommentsAndDeclarations)
{
    EXPECT_TRUE(XmlIsComment("<!-- x -->"));
    EXPECT_TRUE(XmlIsComment("\t <!-- longer text --> "));
    EXPECT_FALSE(XmlIsComment("<!--x-->"));
    EXPECT_FALSE(XmlIsComment("<!--  -->"));  // nine characters
    EXPECT_TRUE(XmlIsComment("<!--   -->"));
    EXPECT_FALSE(XmlIsComment("<!-- x ->"));

    EXPECT_TRUE(XmlIsDeclaration(Decl));
    EXPECT_TRUE(XmlIsDeclaration("  <?XML VERSION=\"1.0\" ENCODING=\"utf-8\"?>  "));
    EXPECT_TRUE(XmlIsDeclaration("?> encoding=\"utf-8\" version=\"1.0\" <?xml"));
    EXPECT_TRUE(XmlIsDeclaration("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    EXPECT_FALSE(XmlIsDeclaration("<?xml version=\"1.0\"?>"));
    EXPECT_FALSE(XmlIsDeclaration("<?xml version=\"1.1\" encoding=\"UTF-8\"?>"));
    EXPECT_FALSE(XmlIsDeclaration("<?xml version=\"1.0\" encoding=\"windows-1250\"?>"));
    EXPECT_FALSE(XmlIsDeclaration("<?xmlversion=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_FALSE(XmlIsDeclaration("<?xml version=\"1.0\"encoding=\"UTF-8\"?>"));
}

// ---------------------------------------------------------------- escaping

TEST(XmlEscaping, ReplacesTheFiveCharactersBothWays)
{
    EXPECT_EQ(XmlEscape("a<b"), "a&lt;b");
    EXPECT_EQ(XmlEscape("&<>'\""), "&amp;&lt;&gt;&apos;&quot;");
    EXPECT_EQ(XmlEscape("&lt;"), "&amp;lt;");
    EXPECT_EQ(XmlUnescape("&amp;lt;"), "&lt;");
    EXPECT_EQ(XmlUnescape("&LT;&Gt;&APOS;&quot;&AMP;"), "<>'\"&");
    EXPECT_EQ(XmlUnescape("&unknown; & plain"), "&unknown; & plain");
    EXPECT_EQ(XmlEscape("\xB9\xE6\xEA"), "\xB9\xE6\xEA");
}

TEST(XmlEscaping, UnescapeUndoesEscapeForAnyText)
{
    const std::string alphabet = "&<>'\"aAlLtTgGpPoOsSqQuUmM;x\xB9";
    std::mt19937 rng(1234);
    for (int round = 0; round < 5000; ++round) {
        std::string text(rng() % 16, ' ');
        for (char &c : text)
            c = alphabet[rng() % alphabet.size()];
        ASSERT_EQ(XmlUnescape(XmlEscape(text)), text);
    }
}

// ----------------------------------------------------------- list routines

TEST(XmlListRoutines, AddNodeInsertsBeforeTheParentsCloseTag)
{
    TStringList list = Lines({Decl, "<body>", "</body>"});
    EXPECT_TRUE(XmlAddNode(list, "body", "config"));
    EXPECT_EQ(Items(list), (std::vector<AnsiString>{Decl, "<body>", "<config>", "</config>", "</body>"}));

    EXPECT_TRUE(XmlAddNode(list, "body/config", "inner"));
    EXPECT_EQ(Items(list), (std::vector<AnsiString>{Decl, "<body>", "<config>", "<inner>", "</inner>",
                                                    "</config>", "</body>"}));

    // No close tag for the parent: True, nothing inserted.
    TStringList open = Lines({Decl, "<body>", "<config>"});
    EXPECT_TRUE(XmlAddNode(open, "body", "config"));
    EXPECT_EQ(open.Count(), 3);
    EXPECT_TRUE(XmlAddNode(open, "missing/path", "x"));
    EXPECT_EQ(open.Count(), 3);

    // Empty path or empty list: False.
    EXPECT_FALSE(XmlAddNode(open, "", "x"));
    TStringList empty;
    EXPECT_FALSE(XmlAddNode(empty, "body", "x"));
    EXPECT_EQ(empty.Count(), 0);
}

TEST(XmlListRoutines, SetValueReplacesOrInserts)
{
    TStringList list = Lines({Decl, "<body>", "  <config>", "  </config>", "</body>"});
    EXPECT_TRUE(XmlSetValue(list, "body/config/viewhelp", "a<b"));
    EXPECT_EQ(list[3], "<viewhelp>a&lt;b</viewhelp>");
    AnsiString value;
    XmlGetValue(list, "body/config/viewhelp", value);
    EXPECT_EQ(value, "a<b");

    // Replacement keeps the open tag with its attributes, unindented.
    list.Put(3, "      <viewhelp kind=\"flag\">old</viewhelp>  ");
    EXPECT_TRUE(XmlSetValue(list, "body/config/viewhelp", "new"));
    EXPECT_EQ(list[3], "<viewhelp kind=\"flag\">new</viewhelp>");
    EXPECT_EQ(list.Count(), 6);

    // A second key goes before the container's close tag.
    EXPECT_TRUE(XmlSetValue(list, "body/config/other", "&amp;lt;"));
    EXPECT_EQ(list[4], "<other>&amp;amp;lt;</other>");
    XmlGetValue(list, "body/config/other", value);
    EXPECT_EQ(value, "&amp;lt;");
    EXPECT_EQ(list[5], "  </config>");
}

TEST(XmlListRoutines, SetValueBeforeTheNextOpenTagAndAtTheEnd)
{
    TStringList list = Lines({"<body>", "<a>", "<b>1</b>", "<c>", "</c>", "</a>", "</body>"});
    EXPECT_TRUE(XmlSetValue(list, "body/a/x", "2"));
    EXPECT_EQ(list[3], "<x>2</x>");
    EXPECT_EQ(list[4], "<c>");

    // Nothing that fits before the end: False and the list unchanged.
    TStringList tail = Lines({"<body>", "<a>", "<b>1</b>"});
    EXPECT_FALSE(XmlSetValue(tail, "body/a/x", "2"));
    EXPECT_EQ(Items(tail), (std::vector<AnsiString>{"<body>", "<a>", "<b>1</b>"}));
    EXPECT_FALSE(XmlSetValue(tail, "nothere/x", "2"));
    EXPECT_FALSE(XmlSetValue(tail, "", "2"));
    TStringList empty;
    EXPECT_FALSE(XmlSetValue(empty, "a", "2"));
}

TEST(XmlListRoutines, FirstOfTwoValueLinesIsTheOneUsed)
{
    TStringList list = Lines({"<body>", "<config>", "<k>1</k>", "<k>2</k>", "</config>", "</body>"});
    AnsiString value;
    XmlGetValue(list, "body/config/k", value);
    EXPECT_EQ(value, "1");
    EXPECT_TRUE(XmlSetValue(list, "body/config/k", "9"));
    EXPECT_EQ(list[2], "<k>9</k>");
    EXPECT_EQ(list[3], "<k>2</k>");
}

TEST(XmlListRoutines, DescentTakesTheFirstMatchingOpenTagAtAnyDepth)
{
    // No depth tracking: "config" inside "other" is taken for body/config.
    TStringList list = Lines({"<body>", "<other>", "<config>", "<k>inner</k>", "</config>", "</other>",
                              "<config>", "<k>outer</k>", "</config>", "</body>"});
    AnsiString value;
    XmlGetValue(list, "body/config/k", value);
    EXPECT_EQ(value, "inner");

    // The descent does not look back: a value line before its container is missed.
    TStringList order = Lines({"<k>early</k>", "<body>", "</body>"});
    XmlGetValue(order, "body/k", value);
    EXPECT_EQ(value, "");

    // Case-sensitive names; a missing key leaves the value empty.
    value = "stale";
    XmlGetValue(list, "Body/config/k", value);
    EXPECT_EQ(value, "");
    value = "stale";
    XmlGetValue(list, "", value);
    EXPECT_EQ(value, "");
}

// ------------------------------------------------------------ file routines

TEST_F(XmlFileTest, CreateWritesThreeLinesWithCrLf)
{
    const AnsiString file = Path("new.xml");
    Write(file, "old content that is longer than the new one ......................................\n");
    ASSERT_TRUE(XmlCreateFile(file, "body"));
    EXPECT_EQ(Read(file), std::string(Decl) + "\r\n<body>\r\n</body>\r\n");
    EXPECT_EQ(Entries(), std::vector<AnsiString>{"new.xml"});  // no temporary file left
}

TEST_F(XmlFileTest, LoadKeepsLinesAsRead)
{
    const AnsiString file = Path("a.xml");
    Write(file, "");
    TStringList list = Lines({"stale"});
    ASSERT_TRUE(XmlLoadFile(file, list));
    EXPECT_EQ(Items(list), std::vector<AnsiString>{""});

    Write(file, "  one \r\ntwo\nthree\rfour");
    ASSERT_TRUE(XmlLoadFile(file, list));
    EXPECT_EQ(Items(list), (std::vector<AnsiString>{"  one ", "two", "three", "four"}));

    std::string binary;
    for (int c = 0; c < 256; ++c)
        if (c != '\r' && c != '\n')
            binary += char(c);
    const std::string huge(1 << 20, '\xB9');
    Write(file, binary + "\r\n" + huge + "\r\n\r\n");
    ASSERT_TRUE(XmlLoadFile(file, list));
    EXPECT_EQ(Items(list), (std::vector<AnsiString>{binary, huge, ""}));

    EXPECT_FALSE(XmlLoadFile(Path("missing.xml"), list));
    EXPECT_FALSE(XmlLoadFile(dir_, list));
    EXPECT_EQ(waits_, 0);  // a missing file is not retried
}

TEST_F(XmlFileTest, SaveWritesBytesAsTheyAre)
{
    const AnsiString file = Path("s.xml");
    TStringList list = Lines({"  <a>\xB9\xE6</a>", "", "x"});
    ASSERT_TRUE(XmlSaveFile(file, list));
    EXPECT_EQ(Read(file), "  <a>\xB9\xE6</a>\r\n\r\nx\r\n");

    TStringList empty;
    ASSERT_TRUE(XmlSaveFile(file, empty));
    EXPECT_EQ(Read(file), "");
    EXPECT_EQ(Entries(), std::vector<AnsiString>{"s.xml"});

    // The replaced file keeps its permission bits.
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(XmlSaveFile(file, list));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A name as long as the folder allows can still be replaced.
    const AnsiString longName = dir_ + std::string(250, 'n') + ".xml";
    ASSERT_TRUE(XmlSaveFile(longName, list));
    ASSERT_TRUE(XmlSaveFile(longName, empty));
    EXPECT_EQ(Read(longName), "");
}

TEST_F(XmlFileTest, WritesIntoAMissingFolderFail)
{
    const AnsiString notAFolder = Path("plain");
    Write(notAFolder, "x");
    TStringList list = Lines({"a"});
    EXPECT_FALSE(XmlSaveFile(notAFolder + "/x.xml", list));
    EXPECT_FALSE(XmlCreateFile(notAFolder + "/x.xml", "body"));
    EXPECT_FALSE(XmlSaveFile("", list));
    EXPECT_EQ(waits_, 30);
    EXPECT_EQ(Read(notAFolder), "x");
    EXPECT_EQ(Entries(), std::vector<AnsiString>{"plain"});
}

TEST_F(XmlFileTest, FailedWriteLeavesTheOldFileIntact)
{
    const AnsiString file = Path("keep.xml");
    const std::string old = std::string(Decl) + "\r\n<body>\r\n</body>\r\n";
    Write(file, old);

    // A file-size limit makes every write past 64 KiB fail, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    TStringList big = Lines({"<body>"});
    big.Add(std::string(200 * 1024, 'x'));
    const bool savedOk = XmlSaveFile(file, big);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(savedOk);
    EXPECT_EQ(waits_, 10);
    EXPECT_EQ(Read(file), old);
    EXPECT_EQ(Entries(), std::vector<AnsiString>{"keep.xml"});
}

TEST_F(XmlFileTest, ValidationCodesAndLineNumbers)
{
    const AnsiString file = Path("v.xml");
    int code = -1, line = -1;
    auto validate = [&](const std::string &content) {
        Write(file, content);
        return XmlValidateFile(file, code, line);
    };

    EXPECT_FALSE(XmlValidateFile(Path("missing.xml"), code, line));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(line, 0);

    // The three lines of a new file end with depth -1.
    ASSERT_TRUE(XmlCreateFile(file, "body"));
    EXPECT_FALSE(XmlValidateFile(file, code, line));
    EXPECT_EQ(code, 3);
    EXPECT_EQ(line, 3);

    // After adding a container and one value, the file is valid.
    TStringList list;
    ASSERT_TRUE(XmlLoadFile(file, list));
    ASSERT_TRUE(XmlAddNode(list, "body", "config"));
    ASSERT_TRUE(XmlSetValue(list, "body/config/x", "1"));
    ASSERT_TRUE(XmlSaveFile(file, list));
    EXPECT_TRUE(XmlValidateFile(file, code, line));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(line, 6);

    EXPECT_FALSE(validate(std::string(Decl) + "\n<body>\n" + Decl + "\n</body>\n"));
    EXPECT_EQ(code, 2);
    EXPECT_EQ(line, 3);

    // Without a declaration the code is 2 even after a structure fault.
    EXPECT_FALSE(validate("<body>\nstray text\n</body>\n"));
    EXPECT_EQ(code, 2);
    EXPECT_EQ(line, 2);

    // Blank lines and comments count as lines.
    EXPECT_FALSE(validate(std::string(Decl) + "\n\n<!-- note -->\n<body>\n<a>\n<v>1</v>\nstray\n</a>\n</body>\n"));
    EXPECT_EQ(code, 3);
    EXPECT_EQ(line, 7);

    EXPECT_FALSE(validate(std::string(Decl) + "\n<body>\n<a>\n<v>1</v>\n</b>\n</body>\n"));
    EXPECT_EQ(code, 3);
    EXPECT_EQ(line, 5);

    EXPECT_FALSE(validate(std::string(Decl) + "\n</body>\n"));
    EXPECT_EQ(code, 3);

    // A comment holding a declaration's parts counts as the declaration.
    EXPECT_TRUE(validate("<!-- <?xml version=\"1.0\" encoding=\"UTF-8\"?> -->\n<body>\n<a>\n<v>1</v>\n</a>\n</body>"));
    EXPECT_FALSE(validate("<!-- <?xml version=\"1.0\" encoding=\"UTF-8\"?> -->\n" + std::string(Decl) + "\n"));
    EXPECT_EQ(code, 2);

    // Open tags after a close tag do not raise the depth: sibling containers balance.
    EXPECT_TRUE(validate(std::string(Decl) +
                         "\n<body>\n<a>\n<x>1</x>\n</a>\n<b>\n<y>1</y>\n<z>1</z>\n</b>\n</body>\n"));
    EXPECT_TRUE(validate(std::string(Decl) + "\n<body>\n<a>\n<b>\n<x>1</x>\n</b>\n</a>\n</body>\n"));
    EXPECT_FALSE(validate(std::string(Decl) + "\n<body>\n<a>\n<x>1</x>\n</a>\n"));
    EXPECT_EQ(code, 3);

    // Binary junk.
    EXPECT_FALSE(validate(std::string("\x00\xFF\x1B<<>>&\r\n\x7F\x80", 12)));
    EXPECT_EQ(code, 2);
    EXPECT_EQ(waits_, 0);
}

TEST_F(XmlFileTest, FormatReindents)
{
    const AnsiString file = Path("f.xml");
    Write(file, std::string("  ") + Decl + "\n\n<body>\n<config>\n\t<viewhelp>1</viewhelp>\n" +
                    "        <view2010>1</view2010>\n<viewinfo>1</viewinfo>\n<firstinfo>1</firstinfo>\n" +
                    "</config>\n   </body>   \n\n");
    ASSERT_TRUE(XmlFormatFile(file, 2));
    EXPECT_EQ(Read(file), std::string(Decl) +
                              "\r\n<body>\r\n  <config>\r\n    <viewhelp>1</viewhelp>\r\n"
                              "    <view2010>1</view2010>\r\n    <viewinfo>1</viewinfo>\r\n"
                              "    <firstinfo>1</firstinfo>\r\n  </config>\r\n</body>\r\n");

    // Comments get blank lines around them; a sibling container stays at the
    // close tag's level; a value line right after a close tag goes one level
    // deeper, and so does the close tag after it. Unknown lines are indented too.
    Write(file, std::string(Decl) +
                    "\n<body>\n<!-- note -->\n<a>\n<x>1</x>\n</a>\n<b>\n<y>1</y>\n</b>\n<z>1</z>\n</body>\nstray\n");
    ASSERT_TRUE(XmlFormatFile(file, 3));
    EXPECT_EQ(Read(file), std::string(Decl) +
                              "\r\n<body>\r\n\r\n<!-- note -->\r\n\r\n   <a>\r\n      <x>1</x>\r\n   </a>\r\n"
                              "   <b>\r\n      <y>1</y>\r\n   </b>\r\n      <z>1</z>\r\n   </body>\r\n"
                              "   stray\r\n");

    // Width 0 or below writes no indentation.
    ASSERT_TRUE(XmlFormatFile(file, -4));
    EXPECT_EQ(Read(file).find("\r\n "), std::string::npos);

    // Only blank lines: nothing written, True.
    Write(file, "\n   \n\t\n");
    EXPECT_TRUE(XmlFormatFile(file, 2));
    EXPECT_EQ(Read(file), "\n   \n\t\n");

    EXPECT_FALSE(XmlFormatFile(Path("missing.xml"), 2));
    EXPECT_EQ(waits_, 0);
    EXPECT_EQ(Entries(), std::vector<AnsiString>{"f.xml"});
}

// ------------------------------------------------------------ retry rule

TEST_F(XmlFileTest, HeldFileFailsAfterElevenAttempts)
{
    const AnsiString file = Path("held.xml");
    const std::string content = std::string(Decl) + "\r\n<body>\r\n<a>\r\n<v>1</v>\r\n</a>\r\n</body>\r\n";
    Write(file, content);
    LockHolder holder(file, LOCK_EX);
    TStringList list;

    EXPECT_FALSE(XmlLoadFile(file, list));
    EXPECT_EQ(waits_, 10);

    waits_ = 0;
    EXPECT_FALSE(XmlSaveFile(file, Lines({"new"})));
    EXPECT_EQ(waits_, 10);
    waits_ = 0;
    EXPECT_FALSE(XmlCreateFile(file, "x"));
    EXPECT_EQ(waits_, 10);

    // Validation keeps the code its last attempt had reached.
    waits_ = 0;
    int code = -1, line = -1;
    EXPECT_FALSE(XmlValidateFile(file, code, line));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(waits_, 10);

    // Formatting retries its whole work around the loads' own retries.
    waits_ = 0;
    EXPECT_FALSE(XmlFormatFile(file, 2));
    EXPECT_EQ(waits_, 11 * 10 + 10);

    EXPECT_EQ(Read(file), content);
    EXPECT_EQ(Entries(), std::vector<AnsiString>{"held.xml"});
}

TEST_F(XmlFileTest, FileOpenForReadingElsewhereCanBeReadButNotReplaced)
{
    const AnsiString file = Path("shared.xml");
    Write(file, "a\r\n");
    LockHolder holder(file, LOCK_SH);
    TStringList list;
    EXPECT_TRUE(XmlLoadFile(file, list));
    EXPECT_EQ(waits_, 0);
    EXPECT_FALSE(XmlSaveFile(file, Lines({"b"})));
    EXPECT_EQ(Read(file), "a\r\n");
}

TEST_F(XmlFileTest, BrieflyHeldFileSucceedsAfterRetriesWithTheRealPause)
{
    // The real pause, counted.
    SetXmlRetryWait([this](uint32_t ms) {
        ++waits_;
        WaitMs(ms);
    });
    const AnsiString file = Path("brief.xml");
    Write(file, "one\r\ntwo\r\n");
    {
        LockHolder holder(file, LOCK_EX);
        holder.ReleaseAfter(std::chrono::milliseconds(400));
        TStringList list;
        EXPECT_TRUE(XmlLoadFile(file, list));
        EXPECT_EQ(Items(list), (std::vector<AnsiString>{"one", "two"}));
    }
    EXPECT_GE(waits_, 2);
    EXPECT_LE(waits_, 8);

    waits_ = 0;
    {
        LockHolder holder(file, LOCK_EX);
        holder.ReleaseAfter(std::chrono::milliseconds(400));
        EXPECT_TRUE(XmlSaveFile(file, Lines({"three"})));
    }
    EXPECT_GE(waits_, 2);
    EXPECT_LE(waits_, 8);
    EXPECT_EQ(Read(file), "three\r\n");
}

TEST(XmlWait, WaitsAcrossTheTickCountWrap)
{
    uint32_t clock = 0xFFFFFFF0u;
    int reads = 0;
    platform::SetTickSource([&] {
        ++reads;
        return clock++;
    });
    WaitMs(100);
    const uint32_t end = clock;
    platform::SetTickSource({});
    // One read for the start, then one per round until 100 ticks have passed.
    EXPECT_EQ(reads, 101);
    EXPECT_EQ(end, 0xFFFFFFF0u + 101u);

    const auto start = std::chrono::steady_clock::now();
    WaitMs(50);
    // Ticks are whole milliseconds, so 50 ticks may be a little less than 50 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(49));
}
