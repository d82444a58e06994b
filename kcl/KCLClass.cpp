#include "kcl/KCLClass.h"

#include "kcl/KCLRTLConst.h"
#include "platform/Forms.h"

AnsiString EKCLOneInstError::MessageFor(const AnsiString &Name, uint8_t Mode)
{
    switch (Mode) {
    case 0:
        return Name + ":\r" + SKCLOneInstError;
    case 1:
        return Name + ":\r" + SKCLAlreadyOne + Name + SKCLAlreadyOneTail;
    default:
        return AnsiString();
    }
}

EKCLOneInstError EKCLOneInstError::CreateMsg(const AnsiString &Name, uint8_t Mode)
{
    return EKCLOneInstError(MessageFor(Name, Mode));
}

bool KCLCheckOneInstance(TComponent *Owner, TClass AClass, bool AllowDataModule)
{
    const bool isForm = Owner != nullptr && Owner->InheritsFrom(platform::TForm::StaticClass());
    if (!isForm) {
        if (!AllowDataModule || Owner == nullptr || !Owner->InheritsFrom(platform::TDataModule::StaticClass()))
            return true;
    }
    if (AClass == nullptr)
        return false;
    int count = 0;
    for (int i = 0; i < Owner->ComponentCount(); ++i)
        if (Owner->Components(i)->InheritsFrom(AClass) && ++count > 1)
            return true;
    return false;
}

// ------------------------------------------------------------------------
// Application object and timer pool

#include "kcl/KCLIniCtrl.h"
#include "kcl/KCLStrUtils.h"
#include "kcl/KCLXPStyles.h"
#include "kcl/KCLXPThemeManager.h"
#include "platform/Controls.h"
#include "platform/System.h"

#include <QObject>
#include <QTimerEvent>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

AnsiString KCLProgramPath()
{
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return platform::ExecutableDir() + "program";
    return AnsiString(buf, size_t(n));
}

namespace {

AnsiString changeExt(const AnsiString &name, const AnsiString &ext)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind('/');
    if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash))
        return name + ext;
    return name.substr(0, dot) + ext;
}

bool hasExt(const AnsiString &name)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind('/');
    return dot != AnsiString::npos && (slash == AnsiString::npos || dot > slash) && !KCLIsBlank(name.substr(dot));
}

// An open-file-description lock on the whole object: F_RDLCK, F_WRLCK or
// F_UNLCK; false when another holder blocks it.
bool ofdLock(int fd, short type)
{
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

} // namespace

// --------------------------------------------------------------- timer entry

TKCLTimerEntry::TKCLTimerEntry(TKCLTimerPool *Pool, uint16_t Ident, int32_t Interval, int32_t RepeatCount)
    : repeatCount_(RepeatCount), ident_(Ident), pool_(Pool)
{
    SetInterval(Interval);
}

TKCLTimerEntry::~TKCLTimerEntry()
{
    if (pool_)
        pool_->removeEntry(this);
}

void TKCLTimerEntry::SetEnabled(bool Value)
{
    if (Value == enabled_)
        return;
    enabled_ = Value;
    if (Value)
        fireCount_ = 0;
    if (pool_)
        pool_->entryChanged();
}

// ----------------------------------------------------------------- timer pool

class TKCLTimerPool::Window : public QObject {
public:
    explicit Window(TKCLTimerPool *pool) : pool_(pool) {}

protected:
    void timerEvent(QTimerEvent *) override
    {
        platform::TMessage m;
        m.Msg = platform::WM_TIMER;
        m.WParam = 1;
        pool_->WndProc(m);
    }

private:
    TKCLTimerPool *pool_;
};

TKCLTimerPool::TKCLTimerPool(TComponent *AOwner) : TKCLCustomComponent(AOwner) {}

TKCLTimerPool::TKCLTimerPool(TComponent *AOwner, TKCLTimerInterval Interval) : TKCLCustomComponent(AOwner)
{
    minInterval_ = Interval < 1 ? 1 : Interval;
}

TKCLTimerPool::~TKCLTimerPool()
{
    SetEnabled(false);
    while (!entries_.empty())
        delete entries_.back(); // the entry leaves the list
    delete window_;
}

void TKCLTimerPool::PublishProperties(platform::TPropList &list)
{
    using T = TKCLTimerPool;
    platform::TPropertyTable<T> p(list);
    p.String("About", &T::About, &T::SetAbout).Stored(false);
    p.Integer("MinInterval", &T::MinInterval, &T::SetMinInterval).Default(1000);
}

void TKCLTimerPool::SetMinInterval(TKCLTimerInterval Value)
{
    const auto state = ComponentState();
    if (Value >= 1 && (state.Contains(platform::csLoading) || state.Contains(platform::csDesigning)))
        minInterval_ = Value;
}

TKCLTimerEntry *TKCLTimerPool::AddEntry(uint16_t Ident, int32_t Interval, int32_t RepeatCount)
{
    auto *entry = new TKCLTimerEntry(this, Ident, Interval, RepeatCount);
    entries_.push_back(entry);
    return entry;
}

void TKCLTimerPool::removeEntry(TKCLTimerEntry *Entry)
{
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (*it == Entry) {
            entries_.erase(it);
            break;
        }
    if (Entry->enabled_) {
        Entry->enabled_ = false;
        entryChanged();
    }
}

int TKCLTimerPool::CountEnabled() const
{
    int n = 0;
    for (const TKCLTimerEntry *e : entries_)
        if (e->Enabled())
            ++n;
    return n;
}

void TKCLTimerPool::entryChanged()
{
    if (ComponentState().Contains(platform::csDesigning))
        return;
    const int enabled = CountEnabled();
    if (enabled > 0 && !active_)
        SetEnabled(true);
    else if (enabled == 0 && active_)
        SetEnabled(false);
}

void TKCLTimerPool::SetEnabled(bool Value)
{
    if (ComponentState().Contains(platform::csDesigning))
        return;
    if (Value && !window_)
        window_ = new Window(this);
    active_ = false;
    if (window_ && timerId_ != 0) {
        window_->killTimer(timerId_);
        timerId_ = 0;
    }
    if (Value && CountEnabled() > 0) {
        timerId_ = window_->startTimer(minInterval_);
        if (timerId_ == 0)
            throw EOutOfResources("Not enough timers available");
        tickCounter_ = 1;
        active_ = true;
    }
}

void TKCLTimerPool::WndProc(platform::TMessage &Message)
{
    if (Message.Msg != platform::WM_TIMER)
        return; // the hidden window has no other processing
    if (inTick_)
        return;
    inTick_ = true;
    try {
        Tick();
    } catch (const std::exception &e) {
        if (platform::Application)
            platform::Application->HandleException(&e);
    } catch (...) {
        if (platform::Application)
            platform::Application->HandleException(nullptr);
    }
    inTick_ = false;
}

void TKCLTimerPool::Tick()
{
    // Entries may be added or removed by handlers: walk a snapshot and skip
    // the ones that left the list.
    const std::vector<TKCLTimerEntry *> snapshot = entries_;
    for (TKCLTimerEntry *e : snapshot) {
        if (std::find(entries_.begin(), entries_.end(), e) == entries_.end())
            continue;
        if (e->Enabled() && tickCounter_ % e->Interval() == 0)
            FireEntry(e);
    }
    tickCounter_ = tickCounter_ == INT32_MAX ? 0 : tickCounter_ + 1;
    if (active_ && CountEnabled() == 0)
        SetEnabled(false);
}

void TKCLTimerPool::FireEntry(TKCLTimerEntry *Entry)
{
    if (!Entry || !Entry->enabled_)
        return;
    Entry->fireCount_ = Entry->fireCount_ == INT32_MAX ? 0 : Entry->fireCount_ + 1;
    if (Entry->fireCount_ == Entry->repeatCount_)
        Entry->enabled_ = false; // the timer keeps running until the tick ends
    if (Entry->Event)
        Entry->Event(this);
    else if (OnTimer)
        OnTimer(this, Entry->ident_, Entry->fireCount_);
}

// ---------------------------------------------------------- application object

AnsiString TKCLApplication::InstanceMappingName;

TKCLApplication::TKCLApplication() : TComponent(nullptr)
{
    logPathPrefix_ = ppProgram;
    SetLogFileName(AnsiString());
    useThemes_ = true;
    if (!ComponentState().Contains(platform::csDesigning))
        ProbePrevInstance();
    timerPool_ = new TKCLTimerPool(nullptr, 50);
    iniCtrl_ = new TKCLIniCtrl(nullptr);
    perfFrequency_ = 1000000000;
    checkWidth_ = 13;
    checkHeight_ = 13;
    KCLSetGlobalValueStore(iniCtrl_);
}

TKCLApplication::~TKCLApplication()
{
    if (KCLGlobalValueStore() == iniCtrl_)
        KCLSetGlobalValueStore(nullptr);
    delete iniCtrl_;
    delete timerPool_;
    if (mapping_ >= 0) {
        // The last holder removes the object.
        if (ofdLock(mapping_, F_WRLCK))
            ::shm_unlink(mappingName_.c_str());
        ::close(mapping_);
    }
}

void TKCLApplication::SetLogFileName(const AnsiString &Name)
{
    AnsiString name;
    if (KCLIsBlank(Name))
        name = changeExt(KCLProgramPath(), ".LOG");
    else
        name = hasExt(Name) ? Name : Name + ".LOG";
    if (logPathPrefix_ != ppFixed)
        logFileName_ = KCLGetPrefixPath(logPathPrefix_, true) + platform::ExtractFileName(name);
    else
        logFileName_ = name;
}

void TKCLApplication::ProbePrevInstance()
{
    mappingName_ = InstanceMappingName.empty()
                       ? "/" + platform::AnsiUpperCase(platform::ExtractFileName(KCLProgramPath()))
                       : InstanceMappingName;
    bool exists = false;
    int fd = ::shm_open(mappingName_.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0 && errno == EEXIST) {
        fd = ::shm_open(mappingName_.c_str(), O_RDWR, 0600);
        exists = fd >= 0;
    }
    if (fd < 0)
        return;
    mapping_ = fd;
    // A holder of an existing object keeps a read lock: when the write lock
    // can be taken, the object is a leftover and counts as new.
    if (!ofdLock(fd, F_WRLCK))
        exists = true;
    else
        exists = false;
    if (!exists && ::ftruncate(fd, 16) != 0) {
        ofdLock(fd, F_RDLCK);
        return;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size < 16) {
        ofdLock(fd, F_RDLCK);
        return;
    }
    void *view = ::mmap(nullptr, 16, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view != MAP_FAILED) {
        auto *words = static_cast<uint32_t *>(view);
        if (exists) {
            isSecondInstance_ = true;
            prevAppHandle_ = words[1];
        } else {
            const uint32_t self = static_cast<uint32_t>(::getpid());
            words[0] = self;
            words[1] = self;
            words[2] = 0;
            words[3] = 0;
        }
        ::munmap(view, 16);
    }
    ofdLock(fd, F_RDLCK);
}

void TKCLApplication::SetUseThemes(bool Value)
{
    if (Value == useThemes_)
        return;
    if (Value && !KCLThemesActive())
        return;
    useThemes_ = Value;
    if (ComponentState().Contains(platform::csDesigning) || !KCLThemeLibraryLoaded)
        return;
    if (SetThemeAppProperties != nullptr) {
        if (useThemes_)
            SetThemeAppProperties(STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS);
        else if (!themeOwnControlsOnly_)
            SetThemeAppProperties(0);
    }
    KCLBroadcastThemeChange();
}

bool TKCLApplication::ThemesEnabled() const { return useThemes_ && KCLThemesActive(); }

bool KCLThemesActive() { return KCLThemeLibraryLoaded && IsThemeActive != nullptr && IsThemeActive() != 0; }

namespace {
void notifyThemeChildren(platform::TWinControl *parent)
{
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto *w = dynamic_cast<platform::TWinControl *>(parent->Controls(i))) {
            w->Perform(platform::WM_THEMECHANGED);
            notifyThemeChildren(w);
        }
}

void broadcast(platform::TWinControl *parent, uint32_t msg)
{
    for (int i = 0; i < parent->ControlCount(); ++i)
        parent->Controls(i)->Perform(msg);
}
} // namespace

void KCLBroadcastThemeChange()
{
    if (KCLThemeManagerExists())
        KCLThemeManager()->CloseThemes();
    if (!platform::Screen)
        return;
    const bool ownOnly = KCLApplication() != nullptr && KCLApplication()->ThemeOwnControlsOnly();
    std::vector<platform::TCustomForm *> forms;
    for (int i = 0; i < platform::Screen->FormCount(); ++i)
        forms.push_back(platform::Screen->Forms(i));
    for (platform::TCustomForm *form : forms) {
        form->Perform(KCL_CM_THEMECHANGED);
        if (form->Visible()) {
            broadcast(form, KCL_CM_THEMECHANGED);
            notifyThemeChildren(form);
            if (!ownOnly)
                form->Perform(platform::WM_THEMECHANGED);
        }
    }
}

AnsiString KCLRegistryPath()
{
    TKCLApplication *app = KCLApplication();
    AnsiString result = "Software\\";
    auto addKey = [](const AnsiString &s) { return !s.empty() && s.back() == '\\' ? s : s + "\\"; };
    if (app && !KCLIsBlank(app->RegCompanyKey()))
        result += addKey(app->RegCompanyKey());
    const AnsiString title = platform::Application ? platform::Application->Title() : AnsiString();
    result += addKey(KCLIsBlank(title) ? KCLProgramPath() : title);
    if (app && !KCLIsBlank(app->RegSubKey()))
        result += addKey(app->RegSubKey());
    return result;
}

namespace {
TKCLApplication *theApplication = nullptr;
} // namespace

TKCLApplication *KCLApplication() { return theApplication; }

void KCLClassInit()
{
    if (theApplication == nullptr)
        theApplication = new TKCLApplication();
}

void KCLClassDone()
{
    delete theApplication;
    theApplication = nullptr;
}
