// The library application object (instance probe across processes, log file
// name, registry path, theme switch, the global store) and the timer pool
// (tick arithmetic through WM_TIMER, repeat counts, run-time interval,
// errors of handlers, a real timer).
#include "kcl/KCLClass.h"
#include "kcl/KCLIniCtrl.h"
#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <utility>
#include <vector>

using platform::TMessage;

namespace {

// Makes application objects on a mapping name of their own.
class ProbeName {
public:
    ProbeName() : name_("/RBKN-APPTEST-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_))
    {
        TKCLApplication::InstanceMappingName = name_;
    }
    ~ProbeName()
    {
        TKCLApplication::InstanceMappingName.clear();
        ::shm_unlink(name_.c_str());
    }
    const std::string &name() const { return name_; }

private:
    std::string name_;
    static inline int counter_ = 0;
};

uint32_t recordWord(const std::string &name, int index)
{
    const int fd = ::shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0)
        return 0xFFFFFFFF;
    void *view = ::mmap(nullptr, 16, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (view == MAP_FAILED)
        return 0xFFFFFFFF;
    const uint32_t w = static_cast<const uint32_t *>(view)[index];
    ::munmap(view, 16);
    return w;
}

bool mappingExists(const std::string &name)
{
    const int fd = ::shm_open(name.c_str(), O_RDONLY, 0);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

void tick(TKCLTimerPool &pool)
{
    TMessage m;
    m.Msg = platform::WM_TIMER;
    pool.WndProc(m);
}

} // namespace

TEST(KCLApplication, SecondProcessFindsTheFirstWithoutOverwritingItsRecord)
{
    ProbeName probe;
    const uint32_t self = static_cast<uint32_t>(::getpid());
    auto first = std::make_unique<TKCLApplication>();
    EXPECT_FALSE(first->IsSecondInstance());
    EXPECT_EQ(first->PrevAppHandle(), 0u);
    EXPECT_EQ(recordWord(probe.name(), 0), self);
    EXPECT_EQ(recordWord(probe.name(), 1), self);
    EXPECT_EQ(recordWord(probe.name(), 2), 0u); // no main form at probe time
    EXPECT_EQ(recordWord(probe.name(), 3), 0u);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        uint32_t answer[2] = {0, 0};
        {
            TKCLApplication second;
            answer[0] = second.IsSecondInstance() ? 1 : 0;
            answer[1] = second.PrevAppHandle();
        }
        const ssize_t n = ::write(fds[1], answer, sizeof answer);
        ::_exit(n == sizeof answer ? 0 : 1);
    }
    ::close(fds[1]);
    uint32_t answer[2] = {9, 9};
    ASSERT_EQ(::read(fds[0], answer, sizeof answer), ssize_t(sizeof answer));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(answer[0], 1u);
    EXPECT_EQ(answer[1], self);
    EXPECT_EQ(recordWord(probe.name(), 1), self); // not overwritten
    EXPECT_TRUE(mappingExists(probe.name()));     // the second leaving keeps it

    // Within one process a second object finds the first too.
    {
        TKCLApplication again;
        EXPECT_TRUE(again.IsSecondInstance());
    }
    first.reset();
    EXPECT_FALSE(mappingExists(probe.name())); // the last holder removed it
    TKCLApplication fresh;
    EXPECT_FALSE(fresh.IsSecondInstance());
}

TEST(KCLApplication, LeftoverMappingOfACrashedInstanceCountsAsAbsent)
{
    ProbeName probe;
    const int fd = ::shm_open(probe.name().c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 16), 0);
    ::close(fd); // nobody holds it now
    TKCLApplication app;
    EXPECT_FALSE(app.IsSecondInstance());
    EXPECT_EQ(recordWord(probe.name(), 1), static_cast<uint32_t>(::getpid()));
}

TEST(KCLApplication, DefaultsLogFileAndThemes)
{
    ProbeName probe;
    TKCLApplication app;
    const AnsiString exe = platform::ExtractFileName(KCLProgramPath());
    // The program's folder and name with ".LOG" (exe names here have no
    // extension); nothing is written.
    EXPECT_EQ(app.LogPathPrefix(), ppProgram);
    EXPECT_EQ(app.LogFileName(), platform::ExecutableDir() + exe + ".LOG");
    EXPECT_FALSE(platform::FileExists(app.LogFileName()));
    app.SetLogFileName("/Dir/app.exe");
    EXPECT_EQ(app.LogFileName(), platform::ExecutableDir() + "app.exe");
    app.SetLogPathPrefix(ppFixed);
    app.SetLogFileName("/Dir/app");
    EXPECT_EQ(app.LogFileName(), "/Dir/app.LOG");

    EXPECT_EQ(app.DrawingSwitches(), 54);
    EXPECT_EQ(app.PerformanceFrequency(), 1000000000);
    EXPECT_EQ(app.CheckWidth(), 13);
    ASSERT_NE(app.TimerPool(), nullptr);
    EXPECT_EQ(app.TimerPool()->MinInterval(), 50);
    EXPECT_FALSE(app.TimerPool()->HasWindow());
    ASSERT_NE(app.IniCtrl(), nullptr);
    EXPECT_EQ(KCLGlobalValueStore(), static_cast<IKCLValueStore *>(app.IniCtrl()));

    EXPECT_TRUE(app.UseThemes());
    EXPECT_FALSE(app.ThemesEnabled()); // no theme library here
    app.SetUseThemes(false);
    EXPECT_FALSE(app.UseThemes());
    app.SetUseThemes(true); // refused while themes are not active
    EXPECT_FALSE(app.UseThemes());
}

TEST(KCLApplication, DestroyingTheObjectReleasesTheGlobalStore)
{
    ProbeName probe;
    IKCLValueStore *before = KCLGlobalValueStore();
    {
        TKCLApplication app;
        EXPECT_NE(KCLGlobalValueStore(), before);
    }
    EXPECT_EQ(KCLGlobalValueStore(), nullptr);
    KCLSetGlobalValueStore(before);
}

TEST(KCLApplication, RegistryPath)
{
    const AnsiString oldTitle = platform::Application->Title();
    TKCLApplication *app = KCLApplication();
    platform::Application->SetTitle("Viewer");
    EXPECT_EQ(KCLRegistryPath(), "Software\\Viewer\\");
    app->SetRegCompanyKey("Firm");
    app->SetRegSubKey("Sub\\");
    EXPECT_EQ(KCLRegistryPath(), "Software\\Firm\\Viewer\\Sub\\");
    app->SetRegCompanyKey("  ");
    app->SetRegSubKey("");
    platform::Application->SetTitle(" ");
    EXPECT_EQ(KCLRegistryPath(), "Software\\" + KCLProgramPath() + "\\");
    platform::Application->SetTitle(oldTitle);
    app->SetRegCompanyKey("");
}

TEST(KCLTimerPool, EntriesFireOnMultiplesOfTheirInterval)
{
    TKCLTimerPool pool(nullptr, 10);
    std::vector<std::pair<int, int>> fired; // (tick, ident)
    pool.OnTimer = TKCLTimerPoolEvent::FromFunction([&](TObject *sender, uint16_t ident, int32_t) {
        EXPECT_EQ(sender, &pool);
        fired.emplace_back(pool.TickCounter(), ident);
    });
    TKCLTimerEntry *a = pool.AddEntry(1, 1);
    TKCLTimerEntry *b = pool.AddEntry(2, 3);
    EXPECT_FALSE(pool.Active());
    EXPECT_FALSE(pool.HasWindow());
    a->SetEnabled(true);
    b->SetEnabled(true);
    EXPECT_TRUE(pool.Active());
    EXPECT_EQ(pool.TickCounter(), 1);
    for (int i = 0; i < 9; ++i)
        tick(pool);
    std::vector<int> ticksOfB;
    int countA = 0;
    for (auto [t, id] : fired)
        id == 2 ? ticksOfB.push_back(t) : void(++countA);
    EXPECT_EQ(countA, 9);
    EXPECT_EQ(ticksOfB, (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(b->FireCount(), 3);
    // An entry's own event replaces the pool's.
    int own = 0;
    a->Event = TNotifyEvent::FromFunction([&](TObject *s) { EXPECT_EQ(s, &pool); ++own; });
    fired.clear();
    tick(pool);
    EXPECT_EQ(own, 1);
    EXPECT_TRUE(fired.empty());
}

TEST(KCLTimerPool, RepeatCountDisablesTheEntryAndTheTimerRunsWhileOthersAre)
{
    TKCLTimerPool pool(nullptr, 10);
    std::vector<int> counters;
    pool.OnTimer = TKCLTimerPoolEvent::FromFunction([&](TObject *, uint16_t ident, int32_t counter) {
        if (ident == 7)
            counters.push_back(counter);
    });
    TKCLTimerEntry *limited = pool.AddEntry(7, 1, 2);
    TKCLTimerEntry *other = pool.AddEntry(8, 1);
    limited->SetEnabled(true);
    other->SetEnabled(true);
    for (int i = 0; i < 4; ++i)
        tick(pool);
    EXPECT_EQ(counters, (std::vector<int>{1, 2}));
    EXPECT_FALSE(limited->Enabled());
    EXPECT_TRUE(pool.Active());
    EXPECT_EQ(pool.CountEnabled(), 1);
    // Deleting an entry takes it out of the list; with none enabled the
    // timer stops.
    delete other;
    EXPECT_EQ(pool.EntryCount(), 1);
    EXPECT_FALSE(pool.Active());
    // The last entry alone: the timer stops after its last firing.
    limited->SetEnabled(true);
    EXPECT_TRUE(pool.Active());
    tick(pool);
    tick(pool);
    EXPECT_FALSE(pool.Active());
}

TEST(KCLTimerPool, RunTimeIntervalIsIgnoredButLoadingTakesIt)
{
    TKCLTimerPool pool(nullptr);
    EXPECT_EQ(pool.MinInterval(), 1000);
    pool.SetMinInterval(20);
    EXPECT_EQ(pool.MinInterval(), 1000);
    TKCLTimerPool second(nullptr, 50);
    EXPECT_EQ(second.MinInterval(), 50);
    pool.SetComponentStateFlag(platform::csLoading, true);
    pool.SetMinInterval(20);
    EXPECT_EQ(pool.MinInterval(), 20);
    TKCLTimerEntry *e = pool.AddEntry(1, 0);
    EXPECT_EQ(e->Interval(), 1); // kept at 1 or more
}

TEST(KCLTimerPool, HandlerErrorsGoToTheApplicationAndTicksGoOn)
{
    TKCLTimerPool pool(nullptr, 10);
    std::vector<AnsiString> messages;
    auto oldRecorder = platform::Application->ExceptionRecorder;
    platform::Application->ExceptionRecorder = [&](const AnsiString &m) { messages.push_back(m); };
    int calls = 0;
    pool.OnTimer = TKCLTimerPoolEvent::FromFunction([&](TObject *, uint16_t, int32_t) {
        ++calls;
        throw platform::Exception("boom");
    });
    pool.AddEntry(1, 1)->SetEnabled(true);
    tick(pool);
    tick(pool);
    platform::Application->ExceptionRecorder = oldRecorder;
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(messages, (std::vector<AnsiString>{"boom", "boom"}));
    // Other messages are ignored.
    TMessage m;
    m.Msg = platform::WM_SIZE;
    pool.WndProc(m);
    EXPECT_EQ(calls, 2);
}

TEST(KCLTimerPool, RealTimerDeliversTicks)
{
    TKCLTimerPool pool(nullptr, 5);
    int fired = 0;
    pool.OnTimer = TKCLTimerPoolEvent::FromFunction([&](TObject *, uint16_t, int32_t) { ++fired; });
    pool.AddEntry(1, 1, 3)->SetEnabled(true);
    QElapsedTimer t;
    t.start();
    while (pool.Active() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(pool.Active());
}
