// The update check against a real HTTP server on 127.0.0.1 (a small
// QTcpServer that serves the version file and the converted installer, or
// fails as asked), the version comparison, and the conversion of a
// downloaded installer file.
#include "MainFormFixture.h"
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarQueryCode.h"
#include "platform/SysUtils.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>

namespace {

using namespace mainformtest;
using testsupport::readFile;
using testsupport::writeFile;
using Form = TTaxonarMainForm;

const char *const kVersionPath = "/velmora/programy/qx4817.version";
const char *const kInstallPath = "/velmora/programy/qx4817.install";

// A converted installer: the key, then byte j of the installer XOR-ed with
// key byte (j + 1) mod 256.
std::string Scramble(const std::string &key, const std::string &plain)
{
    std::string out = key;
    for (size_t j = 0; j < plain.size(); ++j)
        out += char(uint8_t(plain[j]) ^ uint8_t(key[(j + 1) % 256]));
    return out;
}

std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto &c : s)
        c = char(gen() & 0xFF);
    return s;
}

// A key whose bytes are all different: 255, 254, ..., 0.
std::string DistinctKey()
{
    std::string k(256, '\0');
    for (int i = 0; i < 256; ++i)
        k[size_t(i)] = char(255 - i);
    return k;
}

// ------------------------------------------------------ the test server

// Answers GET requests from a table of paths; anything else gets 404.
class TestHttpServer {
public:
    struct Answer {
        int status = 200;
        std::string body;
        bool silent = false; // read the request and never answer
        // When above 0: the body goes out `trickleBytes` at a time, one piece
        // every trickleMs.
        int trickleMs = 0;
        size_t trickleBytes = 1;
        bool withLength = true; // send Content-Length (else the close ends the body)
        // When set, a trickled body waits before each further piece until it
        // returns true (for at most 3 s).
        std::function<bool()> ready = nullptr;
    };

    TestHttpServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
    }
    int port() const { return server_.serverPort(); }

    std::map<std::string, Answer> answers;
    std::vector<std::string> paths;
    std::vector<std::string> requests;

private:
    void accept()
    {
        while (QTcpSocket *s = server_.nextPendingConnection()) {
            s->setParent(&server_);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] {
                buffer->append(s->readAll());
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const std::string head = buffer->left(end).toStdString();
                buffer->clear();
                requests.push_back(head);
                const size_t sp1 = head.find(' ');
                const size_t sp2 = head.find(' ', sp1 + 1);
                const std::string path = head.substr(sp1 + 1, sp2 - sp1 - 1);
                paths.push_back(path);
                Answer a{404, "Not Found", false};
                if (auto it = answers.find(path); it != answers.end())
                    a = it->second;
                if (a.silent)
                    return;
                const std::string answerHead =
                    "HTTP/1.1 " + std::to_string(a.status) + " X\r\nContent-Type: text/plain\r\n" +
                    (a.withLength ? "Content-Length: " + std::to_string(a.body.size()) + "\r\n" : "") +
                    "Connection: close\r\n\r\n";
                if (a.trickleMs <= 0) {
                    const std::string reply = answerHead + a.body;
                    s->write(reply.data(), qint64(reply.size()));
                    s->disconnectFromHost();
                    return;
                }
                s->write(answerHead.data(), qint64(answerHead.size()));
                auto *timer = new QTimer(s);
                auto sent = std::make_shared<size_t>(0);
                auto waited = std::make_shared<int>(0);
                QObject::connect(timer, &QTimer::timeout, s, [s, timer, sent, waited, a] {
                    if (a.ready && *sent > 0 && !a.ready() && ++*waited * a.trickleMs < 3000)
                        return;
                    const size_t n = std::min(a.trickleBytes, a.body.size() - *sent);
                    s->write(a.body.data() + *sent, qint64(n));
                    *sent += n;
                    if (*sent == a.body.size()) {
                        timer->stop();
                        s->disconnectFromHost();
                    }
                });
                timer->start(a.trickleMs);
            });
        }
    }

    QTcpServer server_;
};

// A port on 127.0.0.1 on which nobody listens.
int RefusingPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const int port = s.serverPort();
    s.close();
    return port;
}

// --------------------------------------------------------- conversion

class UnscrambleTest : public ::testing::Test {
protected:
    testsupport::TempFolder dir;
    std::string src() const { return dir.file("in.new"); }
    std::string dst() const { return dir.file("out.exe"); }
};

TEST_F(UnscrambleTest, EmptySourceSucceedsWithoutDestination)
{
    writeFile(src(), "");
    EXPECT_TRUE(Form::UnscrambleUpdateFile(src(), dst()));
    EXPECT_FALSE(platform::FileExists(dst()));
}

TEST_F(UnscrambleTest, KeyOnlyOrShorterSourceGivesEmptyDestination)
{
    for (size_t n : {size_t(1), size_t(100), size_t(256)}) {
        platform::DeleteFile(dst());
        writeFile(src(), RandomBytes(n, unsigned(n)));
        EXPECT_TRUE(Form::UnscrambleUpdateFile(src(), dst())) << n;
        EXPECT_TRUE(platform::FileExists(dst())) << n;
        EXPECT_EQ(readFile(dst()), "") << n;
    }
}

TEST_F(UnscrambleTest, BodyBytesUseKeyBytesFromOneOnward)
{
    // Body bytes 0..600 of zeros come out as the key bytes they were combined
    // with: 1, 2, ..., 255, 0, 1, ...
    const std::string key = DistinctKey();
    writeFile(src(), key + std::string(601, '\0'));
    ASSERT_TRUE(Form::UnscrambleUpdateFile(src(), dst()));
    const std::string out = readFile(dst());
    ASSERT_EQ(out.size(), 601u);
    for (size_t j = 0; j < out.size(); ++j)
        ASSERT_EQ(uint8_t(out[j]), uint8_t(key[(j + 1) % 256])) << j;
}

TEST_F(UnscrambleTest, CounterCarriesAcrossChunkBorders)
{
    const std::string plain = RandomBytes(2 * 65536 + 300, 7);
    const std::string key = RandomBytes(256, 8);
    writeFile(src(), Scramble(key, plain));
    ASSERT_TRUE(Form::UnscrambleUpdateFile(src(), dst()));
    EXPECT_TRUE(readFile(dst()) == plain);
    // Exactly one chunk's worth of body, too.
    const std::string one = RandomBytes(65536, 9);
    writeFile(src(), Scramble(key, one));
    ASSERT_TRUE(Form::UnscrambleUpdateFile(src(), dst()));
    EXPECT_TRUE(readFile(dst()) == one);
}

TEST_F(UnscrambleTest, FailuresReturnFalseAndLeaveNoPartialInstaller)
{
    // Missing source: the destination stays as it was.
    writeFile(dst(), "old");
    EXPECT_FALSE(Form::UnscrambleUpdateFile(dir.file("missing.new"), dst()));
    EXPECT_EQ(readFile(dst()), "old");
    // Destination that cannot be made.
    writeFile(src(), Scramble(DistinctKey(), "abc"));
    EXPECT_FALSE(Form::UnscrambleUpdateFile(src(), dir.file("no/such/folder/out.exe")));
    // A destination that is a folder cannot be replaced; nothing is left
    // beside it.
    const std::string folder = dir.file("isafolder");
    platform::ForceDirectories(folder);
    writeFile(folder + "/keep", "x");
    EXPECT_FALSE(Form::UnscrambleUpdateFile(src(), folder));
    EXPECT_FALSE(platform::FileExists(folder + ".part"));
}

// ---------------------------------------------------- version numbers

TEST(UpdateVersionTest, ParsingAndComparison)
{
    struct Case {
        const char *text;
        int major, minor, build;
        bool newer;
    } cases[] = {
        {"1;3;1;", 1, 3, 1, false},         // same version
        {"1;3;2;", 1, 3, 2, true},
        {"2;0;0;", 2, 0, 0, true},
        {"1;3;2", 0, 0, 0, false},          // third field has no ";"
        {"1;3;2;\r\nanything", 1, 3, 2, true}, // text after the third ";"
        {"1;2;1001;", 1, 2, 1001, false},   // build carries: 2000 + 1001 = 3001
        {"1;2;1002;", 1, 2, 1002, true},
        {"0;99;99;", 0, 99, 99, false},
        {"1;4;x;", 0, 0, 0, false},
        {"1;;5;", 0, 0, 0, false},
        {"", 0, 0, 0, false},
        {"<html>404</html>", 0, 0, 0, false},
        {" 1; 3; 5;", 1, 3, 5, true},       // leading blanks are allowed
        {"1;3000000;0;", 1, 3000000, 0, true}, // no wrap of the sum
    };
    for (const Case &c : cases) {
        int a = -1, b = -1, d = -1;
        Form::ParseUpdateVersion(c.text, a, b, d);
        EXPECT_EQ(a, c.major) << c.text;
        EXPECT_EQ(b, c.minor) << c.text;
        EXPECT_EQ(d, c.build) << c.text;
        EXPECT_EQ(Form::IsNewerVersion(a, b, d), c.newer) << c.text;
    }
}

// ---------------------------------------------------------- the command

class UpdateCheckTest : public MainFormTest {
protected:
    TestHttpServer server;
    struct Shown {
        std::string name;
        std::string text;
        bool allDisabled;
    };
    std::vector<Shown> shown;
    int answer = platform::mrCancel;
    int terminations = 0;

    void SetUp() override
    {
        MainFormTest::SetUp();
        Application->ModalHook = [this](platform::TCustomForm *f) {
            Shown s{f->Name(), "", true};
            if (auto *q = dynamic_cast<TTaxonarQueryForm *>(f))
                s.text = q->TaxonarQueryText->Caption();
            if (auto *i = dynamic_cast<TTaxonarInfoForm *>(f))
                s.text = i->TaxonarInfoText->Caption();
            for (const auto &c : form->Commands())
                s.allDisabled = s.allDisabled && !c.Item->Enabled() && (!c.Button || !c.Button->Enabled());
            shown.push_back(s);
            f->SetModalResult(f->Name() == "TaxonarQueryForm" ? answer : platform::mrOk);
        };
        start();
        useServer(server.port());
        form->UpdateTerminate = [this] { ++terminations; };
    }

    Form::THTTPLimits limits{5000, 20000, Form::UpdateVersionMaxBytes, Form::UpdateDownloadMaxBytes};

    void useServer(int port) { form->TaxonarHTTP = Form::NewHTTPClient("127.0.0.1", port, limits); }

    void serve(const std::string &version, const std::string *install = nullptr)
    {
        server.answers[kVersionPath] = {200, version, false};
        if (install)
            server.answers[kInstallPath] = {200, *install, false};
    }

    void check() { form->TaxonarHelpUpdateMenuItemClick(form->TaxonarHelpUpdateMenuItem); }

    std::string exe() const { return prog.file("instaluj.qx4817.exe"); }
    std::string newFile() const { return prog.file("instaluj.qx4817.new"); }

    void expectNoUpdateMessage()
    {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].name, "TaxonarInfoForm");
        EXPECT_EQ(shown[0].text, A("Brak dostępnych aktualizacji. Program jest aktualny."));
        EXPECT_TRUE(shown[0].allDisabled);
        EXPECT_FALSE(platform::FileExists(exe()));
        EXPECT_FALSE(platform::FileExists(newFile()));
        EXPECT_TRUE(shell.empty());
        EXPECT_EQ(terminations, 0);
    }

    const std::string plain = RandomBytes(70000, 42);
    const std::string converted = Scramble(RandomBytes(256, 43), plain);
};

TEST_F(UpdateCheckTest, SameVersionReportsNoUpdateAndRestoresCommands)
{
    const auto before = enabledCommands();
    serve("1;3;1;", &converted);
    check();
    expectNoUpdateMessage();
    EXPECT_EQ(server.paths, std::vector<std::string>{kVersionPath});
    EXPECT_EQ(enabledCommands(), before);
    EXPECT_FALSE(form->TaxonarHelpUpdateMenuItem->Enabled());
    EXPECT_TRUE(errors.empty());
}

TEST_F(UpdateCheckTest, RequestsCarryTheClientHeaders)
{
    serve("1;3;1;");
    check();
    ASSERT_EQ(server.requests.size(), 1u);
    const std::string &r = server.requests[0];
    EXPECT_EQ(r.rfind(std::string("GET ") + kVersionPath + " HTTP/1.", 0), 0u) << r;
    EXPECT_NE(r.find("Accept: text/html, */*"), std::string::npos) << r;
    EXPECT_NE(r.find("User-Agent: Mozilla/3.0 (compatible; Indy Library)"), std::string::npos) << r;
}

TEST_F(UpdateCheckTest, NewerVersionDownloadsConvertsAndAsks)
{
    // Declined: the converted installer stays, nothing is started.
    serve("1;3;2;\r\n", &converted);
    check();
    EXPECT_EQ(server.paths, (std::vector<std::string>{kVersionPath, kInstallPath}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "TaxonarQueryForm");
    EXPECT_EQ(shown[0].text,
              A("Znaleziono oraz pobrano aktualizację programy. Czy chcesz ją zainstalować ?"));
    EXPECT_TRUE(shown[0].allDisabled);
    EXPECT_TRUE(readFile(exe()) == plain);
    EXPECT_FALSE(platform::FileExists(newFile()));
    EXPECT_FALSE(platform::FileExists(exe() + ".part"));
    EXPECT_TRUE(shell.empty());
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(TaxonarQueryForm, nullptr);

    // The next check deletes the old installer first.
    shown.clear();
    serve("1;3;1;");
    check();
    expectNoUpdateMessage();
}

TEST_F(UpdateCheckTest, ConsentStartsTheInstallerAndEndsTheProgram)
{
    const auto before = enabledCommands();
    serve("2;0;0;", &converted);
    answer = platform::mrOk;
    check();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "TaxonarQueryForm");
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].Verb, "open");
    EXPECT_EQ(shell[0].File, "instaluj.qx4817.exe");
    EXPECT_EQ(shell[0].Parameters, "");
    EXPECT_EQ(shell[0].Directory, prog.path());
    EXPECT_EQ(shell[0].ShowCommand, 1);
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(readFile(exe()) == plain);
    // The commands come back even though the program is ending.
    EXPECT_EQ(enabledCommands(), before);
}

TEST_F(UpdateCheckTest, ServerFailuresReportNoUpdate)
{
    struct Setup {
        const char *what;
        std::function<void()> arrange;
    } setups[] = {
        {"connection refused", [this] { useServer(RefusingPort()); }},
        {"version file missing", [] {}},
        {"version file with error status",
         [this] { server.answers[kVersionPath] = {500, "1;4;0;", false}; }},
        {"garbage version", [this] { serve("wersja 1.4"); }},
        {"no final semicolon", [this] { serve("1;3;2"); }},
        {"installer missing", [this] { serve("1;4;0;"); }},
        {"installer with error status",
         [this] {
             serve("1;4;0;");
             server.answers[kInstallPath] = {403, converted, false};
         }},
        {"redirected installer",
         [this] {
             serve("1;4;0;");
             server.answers[kInstallPath] = {302, converted, false};
         }},
        {"empty installer", [this] { std::string e; serve("1;4;0;", &e); }},
        {"key-only installer", [this] { std::string k = RandomBytes(256, 5); serve("1;4;0;", &k); }},
    };
    for (const Setup &s : setups) {
        SCOPED_TRACE(s.what);
        shown.clear();
        server.answers.clear();
        server.paths.clear();
        useServer(server.port());
        // Left-overs of an earlier run go first.
        writeFile(newFile(), "stale");
        writeFile(exe(), "stale");
        s.arrange();
        check();
        expectNoUpdateMessage();
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(UpdateCheckTest, SilentServerTimesOut)
{
    server.answers[kVersionPath] = {200, "", true};
    limits.SilenceMs = 300;
    useServer(server.port());
    check();
    expectNoUpdateMessage();
    ASSERT_EQ(server.paths.size(), 1u);

    // A silent installer download times out the same way.
    shown.clear();
    serve("1;4;0;");
    server.answers[kInstallPath] = {200, "", true};
    check();
    expectNoUpdateMessage();
}

TEST_F(UpdateCheckTest, TricklingServerIsCutOffAtTheDeadline)
{
    // A byte every 50 ms never lets the silence time-out run out; the
    // deadline ends the request all the same, long before the body is in.
    limits.SilenceMs = 2000;
    limits.DeadlineMs = 400;
    useServer(server.port());
    server.answers[kVersionPath] = {200, "1;4;0;" + std::string(100, ' '), false, 50, 1};
    check();
    expectNoUpdateMessage();
    EXPECT_EQ(server.paths, std::vector<std::string>{kVersionPath}); // no installer asked for

    // The installer download has its own deadline.
    shown.clear();
    serve("1;4;0;");
    server.answers[kInstallPath] = {200, converted, false, 50, 1000};
    check();
    expectNoUpdateMessage();
}

TEST_F(UpdateCheckTest, BodiesOverTheirLimitFailTheCheck)
{
    limits.MaxTextBytes = 64;
    limits.MaxFileBytes = int64_t(converted.size());
    useServer(server.port());
    struct Case {
        const char *what;
        TestHttpServer::Answer version, install;
    } cases[] = {
        {"version file too long", {200, "1;4;0;" + std::string(59, ' ')}, {200, converted}},
        {"installer announced too long", {200, "1;4;0;"}, {200, converted + "x"}},
        {"installer too long without a length", {200, "1;4;0;"}, {200, converted + "x", false, 0, 1, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        shown.clear();
        server.answers = {{kVersionPath, c.version}, {kInstallPath, c.install}};
        check();
        expectNoUpdateMessage();
    }

    // At the limits, the update is offered.
    shown.clear();
    server.answers = {{kVersionPath, {200, "1;4;0;" + std::string(58, ' ')}},
                      {kInstallPath, {200, converted, false, 0, 1, false}}};
    check();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "TaxonarQueryForm");
    EXPECT_TRUE(readFile(exe()) == plain);
}

TEST_F(UpdateCheckTest, InstallerGoesToItsFileAsItArrives)
{
    // The installer arrives in two halves, the second only once the first
    // is in the file on disk rather than held back in memory.
    serve("1;4;0;");
    const size_t half = converted.size() / 2 + 1;
    bool firstHalfOnDisk = false;
    TestHttpServer::Answer install{200, converted, false, 10, half};
    install.ready = [&] {
        firstHalfOnDisk = firstHalfOnDisk || readFile(newFile()).size() >= half;
        return firstHalfOnDisk;
    };
    server.answers[kInstallPath] = install;
    check();
    EXPECT_TRUE(firstHalfOnDisk);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "TaxonarQueryForm");
    EXPECT_TRUE(readFile(exe()) == plain);
    EXPECT_FALSE(platform::FileExists(newFile()));
}

TEST_F(UpdateCheckTest, MenuAndToolButtonRunTheCheckWhenEnabled)
{
    // The command is disabled by the menu rules; once enabled, the menu item
    // (and through it the tool button) runs the check.
    serve("1;3;1;");
    form->TaxonarHelpUpdateMenuItem->SetEnabled(true);
    form->TaxonarHelpUpdateMenuItem->Click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "TaxonarInfoForm");
    form->TaxonarHelpUpdateMenuItem->SetEnabled(true);
    form->TaxonarHelpUpdateToolButton->Click();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(server.paths.size(), 2u);
}

} // namespace
