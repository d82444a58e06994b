// The one-instance rule for components that must sit once on a form, and
// its error.
#pragma once

#include "platform/Components.h"

#include <cstdint>

using platform::AnsiString;
using platform::TClass;
using platform::TComponent;

class EKCLOneInstError : public platform::Exception {
public:
    using platform::Exception::Exception;
    // Mode 0: "<Name>:\r" + the invalid-owner text; mode 1: "<Name>:\rAlready
    // one <Name> control in this project!"; any other mode: empty.
    static EKCLOneInstError CreateMsg(const AnsiString &Name, uint8_t Mode);
    static AnsiString MessageFor(const AnsiString &Name, uint8_t Mode);
};

// True when the placement is wrong: Owner is no form (nor, when allowed, a
// data module; a nil owner is neither), or Owner holds more than one instance
// of AClass or its descendants.
bool KCLCheckOneInstance(TComponent *Owner, TClass AClass, bool AllowDataModule);

// ------------------------------------------------------------------------
// The library's process-wide application object and its timer pool.
//
// Choices of this implementation:
// - The object is made by the unit's start-up (KCLClassInit, run from
//   KCLInitializeUnits) and freed by its finalisation; KCLApplication()
//   returns it, nil before start-up and after finalisation.
// - The instance probe is a POSIX shared-memory object of 16 bytes named "/"
//   + the executable's upper-case file name. Every holder keeps its
//   descriptor open with an open-file-description read lock; a prober that
//   can take the write lock finds no live holder and treats a leftover
//   object (of a crashed instance) as absent. The last holder removes it.
// - The module instance handle and the application window handle of the
//   record are both this process's id; the main-form handle is 0.
// - Themes are active only when the visual-styles library is bound and says
//   so (KCLXPStyles); it is not bound on this system, so UseThemes can be
//   switched off but not on again. There is no application window: switching
//   themes sends no message to one.
// - The counter frequency is 1e9 (a nanosecond clock); the check-box cell is
//   13 x 13 pixels.
// - The pool's hidden window is a QObject made on first need; its timer is a
//   Qt timer that delivers WM_TIMER to WndProc. The pool stops its timer
//   when a tick leaves no entry enabled.
// ------------------------------------------------------------------------

#include "kcl/KCLCustomComponent.h"
#include "kcl/KCLUtils.h"

#include <memory>
#include <vector>

class TKCLIniCtrl;
class TKCLTimerPool;
namespace platform {
struct TMessage;
}

// The class library's error for exhausted system resources.
class EOutOfResources : public platform::Exception {
public:
    using platform::Exception::Exception;
};

// The full path of the running executable.
AnsiString KCLProgramPath();

using TKCLTimerInterval = uint16_t;
using TKCLTimerPoolEvent = platform::TMethod<void(TObject *Sender, uint16_t Ident, int32_t Counter)>;

// An entry of a timer pool, owned by the pool. Made disabled by
// TKCLTimerPool::AddEntry; deleting it removes it from its pool.
class TKCLTimerEntry {
public:
    ~TKCLTimerEntry();
    TKCLTimerEntry(const TKCLTimerEntry &) = delete;
    TKCLTimerEntry &operator=(const TKCLTimerEntry &) = delete;

    uint16_t Ident() const { return ident_; }
    int32_t Interval() const { return interval_; }
    // Values below 1 become 1.
    void SetInterval(int32_t Value) { interval_ = Value < 1 ? 1 : Value; }
    int32_t RepeatCount() const { return repeatCount_; }
    void SetRepeatCount(int32_t Value) { repeatCount_ = Value; }
    int32_t FireCount() const { return fireCount_; }
    bool Enabled() const { return enabled_; }
    // Enabling starts the pool's timer when it is idle; disabling the last
    // enabled entry stops it. Enabling resets the fire count.
    void SetEnabled(bool Value);
    TKCLTimerPool *Pool() const { return pool_; }

    TNotifyEvent Event;

private:
    friend class TKCLTimerPool;
    TKCLTimerEntry(TKCLTimerPool *Pool, uint16_t Ident, int32_t Interval, int32_t RepeatCount);
    int32_t repeatCount_ = 0;
    int32_t fireCount_ = 0;
    bool enabled_ = false;
    uint16_t ident_ = 0;
    int32_t interval_ = 1;
    TKCLTimerPool *pool_ = nullptr;
};

class TKCLTimerPool : public TKCLCustomComponent {
    RBK_CLASS(TKCLTimerPool, TKCLCustomComponent)
public:
    explicit TKCLTimerPool(TComponent *AOwner);
    TKCLTimerPool(TComponent *AOwner, TKCLTimerInterval Interval);
    ~TKCLTimerPool() override;
    static void PublishProperties(platform::TPropList &list);

    TKCLTimerInterval MinInterval() const { return minInterval_; }
    // Taken only while loading or designing; ignored at run time.
    void SetMinInterval(TKCLTimerInterval Value);
    TKCLTimerPoolEvent OnTimer;

    // A new disabled entry (RepeatCount 0: no limit while the fire count
    // stays positive).
    TKCLTimerEntry *AddEntry(uint16_t Ident, int32_t Interval, int32_t RepeatCount = 0);
    int EntryCount() const { return static_cast<int>(entries_.size()); }
    TKCLTimerEntry *Entries(int Index) const { return entries_.at(size_t(Index)); }
    int CountEnabled() const;

    // Starts (Value true, with an enabled entry) or stops the timer. Raises
    // EOutOfResources "Not enough timers available" when no timer is given.
    void SetEnabled(bool Value);
    bool Active() const { return active_; }
    bool HasWindow() const { return window_ != nullptr; }
    int32_t TickCounter() const { return tickCounter_; }

    // The hidden window's message handler: WM_TIMER runs one tick.
    void WndProc(platform::TMessage &Message);
    void Tick();
    void FireEntry(TKCLTimerEntry *Entry);

private:
    friend class TKCLTimerEntry;
    class Window;
    void entryChanged();
    void removeEntry(TKCLTimerEntry *Entry);
    bool active_ = false;
    bool inTick_ = false;
    TKCLTimerInterval minInterval_ = 1000;
    int32_t tickCounter_ = 0;
    int timerId_ = 0;
    Window *window_ = nullptr;
    std::vector<TKCLTimerEntry *> entries_;
};

class TKCLApplication : public TComponent {
    RBK_CLASS(TKCLApplication, TComponent)
public:
    using TCreateOwner = void;
    TKCLApplication();
    ~TKCLApplication() override;

    // The name of the shared-memory object of the instance probe; empty
    // (the default): "/" + the executable's upper-case file name. Tests set
    // another before making an object.
    static AnsiString InstanceMappingName;

    TKCLIniCtrl *IniCtrl() const { return iniCtrl_; }
    TKCLTimerPool *TimerPool() const { return timerPool_; }

    const AnsiString &RegCompanyKey() const { return regCompanyKey_; }
    void SetRegCompanyKey(const AnsiString &Value) { regCompanyKey_ = Value; }
    const AnsiString &RegSubKey() const { return regSubKey_; }
    void SetRegSubKey(const AnsiString &Value) { regSubKey_ = Value; }

    TKCLPathPrefix LogPathPrefix() const { return logPathPrefix_; }
    void SetLogPathPrefix(TKCLPathPrefix Value) { logPathPrefix_ = Value; }
    const AnsiString &LogFileName() const { return logFileName_; }
    void SetLogFileName(const AnsiString &Name);

    bool UseThemes() const { return useThemes_; }
    void SetUseThemes(bool Value);
    bool ThemeOwnControlsOnly() const { return themeOwnControlsOnly_; }
    void SetThemeOwnControlsOnly(bool Value) { themeOwnControlsOnly_ = Value; }
    bool ThemesEnabled() const;

    uint8_t DrawingSwitches() const { return drawingSwitches_; }
    void SetDrawingSwitches(uint8_t Value) { drawingSwitches_ = Value; }

    bool IsSecondInstance() const { return isSecondInstance_; }
    uint32_t PrevAppHandle() const { return prevAppHandle_; }
    int64_t PerformanceFrequency() const { return perfFrequency_; }
    int CheckWidth() const { return checkWidth_; }
    int CheckHeight() const { return checkHeight_; }

    void ProbePrevInstance();

private:
    TKCLIniCtrl *iniCtrl_ = nullptr;
    TKCLTimerPool *timerPool_ = nullptr;
    AnsiString regCompanyKey_;
    AnsiString regSubKey_;
    TKCLPathPrefix logPathPrefix_ = ppProgram;
    AnsiString logFileName_;
    bool useThemes_ = true;
    bool themeOwnControlsOnly_ = false;
    uint8_t drawingSwitches_ = 54;
    int mapping_ = -1; // descriptor of the shared-memory object
    AnsiString mappingName_;
    bool isSecondInstance_ = false;
    uint32_t prevAppHandle_ = 0;
    int64_t perfFrequency_ = 0;
    int checkWidth_ = 0;
    int checkHeight_ = 0;
};

// The process-wide application object; nil outside the units' life.
TKCLApplication *KCLApplication();
// The unit's start-up (makes the object) and finalisation (frees it).
void KCLClassInit();
void KCLClassDone();

// "Software\" + company key + "\" (when not blank) + the application title +
// "\" (the executable's full path when the title is blank) + sub-key + "\"
// (when not blank).
AnsiString KCLRegistryPath();
// The visual-styles library is bound and its IsThemeActive answers true.
bool KCLThemesActive();
// Closes the theme manager's cached handles (when the manager exists), then
// sends the library's theme-changed message (45270) to every form of the
// screen, in the screen's order; to a visible form's controls too, WM_THEMECHANGED to its
// windowed children (recursively) and, unless ThemeOwnControlsOnly, to the
// form.
void KCLBroadcastThemeChange();
constexpr uint32_t KCL_CM_THEMECHANGED = 45270;
