#include "kcl/KCLXPThemeManager.h"

#include "kcl/KCLClass.h"
#include "platform/Controls.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>

// The hidden window: an application-wide event filter that turns the theme
// and style changes of one event round into a single WM_THEMECHANGED.
class TKCLXPThemeManager::Window : public QObject {
public:
    explicit Window(TKCLXPThemeManager *manager) : manager_(manager)
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->installEventFilter(this);
    }
    ~Window() override
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto type = event->type();
        if ((type == QEvent::ThemeChange || type == QEvent::StyleChange) && !pending_ && !manager_->busy_) {
            pending_ = true;
            QTimer::singleShot(0, this, [this] {
                pending_ = false;
                platform::TMessage m;
                m.Msg = platform::WM_THEMECHANGED;
                platform::SafeCall([&] { manager_->WndProc(m); });
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TKCLXPThemeManager *manager_;
    bool pending_ = false;
};

namespace {

TKCLXPThemeManager *&theManager()
{
    static TKCLXPThemeManager *manager = nullptr;
    return manager;
}

// The application object's switch, false once that object is gone.
bool applicationThemesEnabled()
{
    TKCLApplication *app = KCLApplication();
    return app != nullptr && app->ThemesEnabled();
}

} // namespace

TKCLXPThemeManager::TKCLXPThemeManager(TComponent *AOwner) : TKCLCustomComponent(AOwner)
{
    busy_ = false;
    themesEnabled_ = applicationThemesEnabled();
    window_ = new Window(this);
}

TKCLXPThemeManager::~TKCLXPThemeManager()
{
    delete window_;
    window_ = nullptr;
    CloseThemes();
    if (theManager() == this)
        theManager() = nullptr;
}

HWND TKCLXPThemeManager::Handle() const { return reinterpret_cast<HWND>(window_); }

void TKCLXPThemeManager::CloseThemes()
{
    for (HTHEME &slot : cache_) {
        if (slot != 0) {
            if (CloseThemeData != nullptr)
                CloseThemeData(slot);
            slot = 0;
        }
    }
    themesEnabled_ = applicationThemesEnabled();
}

HTHEME TKCLXPThemeManager::Theme(int Slot) const
{
    return Slot >= 0 && Slot < ThemeSlotCount ? cache_[size_t(Slot)] : 0;
}

HTHEME TKCLXPThemeManager::OpenTheme(int Slot, LPCWSTR ClassList)
{
    if (Slot < 0 || Slot >= ThemeSlotCount)
        return 0;
    HTHEME &slot = cache_[size_t(Slot)];
    if (slot == 0 && themesEnabled_ && OpenThemeData != nullptr)
        slot = OpenThemeData(Handle(), ClassList);
    return slot;
}

void TKCLXPThemeManager::WndProc(platform::TMessage &Message)
{
    if (Message.Msg != platform::WM_THEMECHANGED)
        return; // the hidden window's default processing does nothing
    TKCLApplication *app = KCLApplication();
    if (app != nullptr && app->ThemesEnabled()) {
        busy_ = true;
        try {
            CloseThemes();
            app->SetUseThemes(false);
            app->SetUseThemes(true);
        } catch (...) {
            busy_ = false;
            throw;
        }
        busy_ = false;
    } else {
        CloseThemes();
    }
}

TKCLXPThemeManager *KCLThemeManager()
{
    TKCLXPThemeManager *&manager = theManager();
    if (manager == nullptr)
        manager = new TKCLXPThemeManager(nullptr);
    return manager;
}

bool KCLThemeManagerExists() { return theManager() != nullptr; }

void KCLXPThemeManagerDone()
{
    delete theManager(); // the destructor clears the reference
}
