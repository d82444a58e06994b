// The window-procedure hook on real (offscreen) forms: messages reach the
// hook once each and in front of the form's previous procedure; enabling,
// re-hooking, re-creation and freeing leave the form's WindowProc right.
#include "kcl/KCLWndProcComponent.h"
#include "platform/Forms.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using platform::TForm;
using platform::TMessage;
using platform::TWndMethod;

namespace {

std::vector<std::string> g_log;

// A descendant that records the messages it sees and its Hook calls.
class TProbeHook : public TKCLWndProcComponent {
public:
    using TKCLWndProcComponent::TKCLWndProcComponent;
    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == watched)
            g_log.push_back("hook");
        TKCLWndProcComponent::WndProc(Message);
    }
    void Hook() override
    {
        g_log.push_back("Hook");
        TKCLWndProcComponent::Hook();
    }
    uint32_t watched = 0xB999;
    void load() { platform::TComponent::CallLoaded(this); }
};

class KCLHookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        form = new TForm(nullptr);
        original = form->WindowProc;
        // The form's procedure before hooking: records and passes on.
        previous = TWndMethod::FromFunction([this](TMessage &m) {
            if (m.Msg == watchedMsg)
                g_log.push_back("old");
            original(m);
        });
        form->WindowProc = previous;
    }
    void TearDown() override { delete form; }
    int count(const std::string &what) const { return int(std::count(g_log.begin(), g_log.end(), what)); }

    TForm *form = nullptr;
    TWndMethod original;
    TWndMethod previous;
    uint32_t watchedMsg = 0xB999;
};

TEST_F(KCLHookTest, LoadedHooksAndMessagesPassTheHookFirstAndOnce)
{
    auto *hook = new TProbeHook(form);
    EXPECT_FALSE(hook->IsHooked());
    EXPECT_TRUE(hook->Enabled());
    EXPECT_EQ(hook->HookMode(), 0);
    hook->load();
    ASSERT_TRUE(hook->IsHooked());
    EXPECT_FALSE(form->WindowProc == previous);

    g_log.clear();
    form->Perform(0xB999);
    EXPECT_EQ(g_log, (std::vector<std::string>{"hook", "old"}));

    // A real Qt resize becomes WM_SIZE through the same path.
    hook->watched = platform::WM_SIZE;
    watchedMsg = platform::WM_SIZE;
    g_log.clear();
    form->SetBounds(10, 10, 400, 300);
    QCoreApplication::processEvents();
    EXPECT_GE(count("hook"), 1);
    EXPECT_EQ(count("hook"), count("old"));
    EXPECT_EQ(g_log.front(), "hook");
}

TEST_F(KCLHookTest, OwnerThatIsNoControlNeverHooks)
{
    platform::TComponent owner(nullptr);
    auto *hook = new TProbeHook(&owner);
    hook->load();
    EXPECT_FALSE(hook->IsHooked());
    EXPECT_EQ(hook->GetHookHandle(), 0u);
    hook->SetEnabled(false);
    hook->SetEnabled(true);
    EXPECT_FALSE(hook->IsHooked());

    TProbeHook orphan(nullptr);
    orphan.load();
    orphan.Hook();
    EXPECT_FALSE(orphan.IsHooked());
    EXPECT_EQ(orphan.GetHookHandle(), 0u);
}

TEST_F(KCLHookTest, TogglingEnabledRestoresAndHooksAgain)
{
    auto *hook = new TProbeHook(form);
    hook->load();
    ASSERT_TRUE(hook->IsHooked());

    hook->SetEnabled(false);
    EXPECT_FALSE(hook->IsHooked());
    EXPECT_TRUE(form->WindowProc == previous);
    g_log.clear();
    form->Perform(0xB999);
    EXPECT_EQ(g_log, (std::vector<std::string>{"old"}));

    hook->SetEnabled(true);
    EXPECT_TRUE(hook->IsHooked());
    g_log.clear();
    form->Perform(0xB999);
    EXPECT_EQ(g_log, (std::vector<std::string>{"hook", "old"}));

    // Hook while disabled does nothing.
    hook->SetEnabled(false);
    hook->Hook();
    EXPECT_FALSE(hook->IsHooked());
}

TEST_F(KCLHookTest, TwoHookCallsHookOnce)
{
    auto *hook = new TProbeHook(form);
    hook->Hook();
    hook->Hook();
    g_log.clear();
    form->Perform(0xB999);
    EXPECT_EQ(count("hook"), 1);
    EXPECT_EQ(count("old"), 1);
    hook->Unhook();
    EXPECT_TRUE(form->WindowProc == previous);
}

TEST_F(KCLHookTest, FreeingTheComponentGivesTheFormItsProcedureBack)
{
    auto *hook = new TProbeHook(form);
    hook->load();
    ASSERT_TRUE(hook->IsHooked());
    hook->Free();
    EXPECT_TRUE(form->WindowProc == previous);
    g_log.clear();
    form->Perform(0xB999);
    EXPECT_EQ(g_log, (std::vector<std::string>{"old"}));
}

TEST_F(KCLHookTest, RecreateMessageReachesThePreviousProcedureBeforeTheHookCheck)
{
    auto *hook = new TProbeHook(form);
    hook->load();
    hook->watched = platform::CM_RECREATEWND;
    watchedMsg = platform::CM_RECREATEWND;
    g_log.clear();
    form->Perform(platform::CM_RECREATEWND);
    EXPECT_EQ(g_log, (std::vector<std::string>{"hook", "old", "Hook"}));
    EXPECT_TRUE(hook->IsHooked());
    // Still hooked once.
    hook->watched = 0xB999;
    watchedMsg = 0xB999;
    g_log.clear();
    form->Perform(0xB999);
    EXPECT_EQ(g_log, (std::vector<std::string>{"hook", "old"}));
}

TEST_F(KCLHookTest, DesigningHooksOnlyWhenAskedTo)
{
    auto *hook = new TProbeHook(form);
    hook->SetDesigning(true);
    hook->load();
    EXPECT_FALSE(hook->IsHooked());
    // Enabled changes do not hook while designing.
    hook->SetEnabled(false);
    hook->SetEnabled(true);
    EXPECT_FALSE(hook->IsHooked());

    hook->SetHookAtDesignTime(true);
    hook->load();
    EXPECT_TRUE(hook->IsHooked());
    hook->SetHookAtDesignTime(false);
    hook->DesignUnhook();
    EXPECT_FALSE(hook->IsHooked());
    EXPECT_TRUE(form->WindowProc == previous);
}

TEST_F(KCLHookTest, FormFreedWhileHookedLeavesNothingBehind)
{
    // A probe that says when it goes.
    struct TFreedProbe : TProbeHook {
        using TProbeHook::TProbeHook;
        ~TFreedProbe() override { g_log.push_back("freed"); }
    };
    auto *other = new TForm(nullptr);
    const TWndMethod otherOriginal = other->WindowProc;
    auto *hook = new TFreedProbe(other);
    hook->watched = platform::WM_SIZE;
    hook->load();
    ASSERT_TRUE(hook->IsHooked());
    EXPECT_FALSE(other->WindowProc == otherOriginal);
    g_log.clear();
    other->SetBounds(0, 0, 200, 100);
    other->Show();
    QCoreApplication::processEvents();
    EXPECT_GE(count("hook"), 1) << "the shown form's messages pass the hook";
    g_log.clear();
    delete other;
    EXPECT_EQ(g_log, (std::vector<std::string>{"freed"})) << "the hook goes with its form, once";

    // The form of the fixture still has its own procedure and no hook.
    g_log.clear();
    form->Perform(0xB999);
    EXPECT_EQ(g_log, (std::vector<std::string>{"old"}));
}

} // namespace
