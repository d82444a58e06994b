// The theme manager: one per process (KCLThemeManager), holding a cache of
// open theme-data handles for the library's controls and emptying it when
// the visual style changes.
//
// The manager's hidden window hears of style changes through Qt: a theme
// change of the desktop (QEvent::ThemeChange, which Qt sends to every window)
// or an application style change (QEvent::StyleChange) becomes one
// WM_THEMECHANGED for WndProc, however many windows were told, once the
// events of that round have been handled.
//
// Theme handles come from the bound visual-styles library (KCLXPStyles),
// which this system lacks outside tests: the cache then stays empty.
#pragma once

#include "kcl/KCLCustomComponent.h"
#include "kcl/KCLXPStyles.h"

#include <array>

namespace platform {
struct TMessage;
}

class TKCLXPThemeManager : public TKCLCustomComponent {
    RBK_CLASS(TKCLXPThemeManager, TKCLCustomComponent)
public:
    static constexpr int ThemeSlotCount = 25;

    explicit TKCLXPThemeManager(TComponent *AOwner);
    ~TKCLXPThemeManager() override;

    // Closes every cached handle (through CloseThemeData when bound) and
    // takes a fresh copy of the application object's ThemesEnabled.
    void CloseThemes();
    // The cached handle of a slot (0 when not open or out of range).
    HTHEME Theme(int Slot) const;
    // The slot's handle, opened with OpenThemeData on the manager's window
    // when it is not cached yet, themes are enabled and the function is bound;
    // 0 otherwise.
    HTHEME OpenTheme(int Slot, LPCWSTR ClassList);
    bool ThemesEnabled() const { return themesEnabled_; }
    bool Busy() const { return busy_; }
    HWND Handle() const;

    // WM_THEMECHANGED: empties the cache and, when themes are enabled,
    // switches the application's themes off and on again so that every form
    // and control is told. Other messages get the default processing
    // (nothing).
    void WndProc(platform::TMessage &Message);

private:
    class Window;
    Window *window_ = nullptr;
    bool themesEnabled_ = false;
    bool busy_ = false;
    std::array<HTHEME, ThemeSlotCount> cache_{};
};

// The process's manager, made (without owner) on the first call.
TKCLXPThemeManager *KCLThemeManager();
// True when the manager exists (without making it).
bool KCLThemeManagerExists();
// The unit's finalisation: frees the manager when it exists. Runs after the
// application object is gone.
void KCLXPThemeManagerDone();
