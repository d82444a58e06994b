// TKCLWndProcComponent: a non-visual component that, once its form is loaded,
// routes every window message of its owner control through its own
// overridable WndProc before the owner's previous WindowProc sees it.
// Descendants answer or watch messages in WndProc and then call the
// inherited WndProc, which passes the message on.
//
// Choices of this implementation:
// - Hooking replaces the owner's WindowProc method pointer (the WindowProc
//   mode). The forms of this system have no MDI styles, so the owner's form
//   style never asks for the other mode (subclassing an MDI client window);
//   HookMode is therefore always 0 and no window-procedure thunk exists.
// - The owner's "window handle" is its widget: an owner control always has
//   one, so GetHookHandle is non-zero for every control owner.
// - The switch for hooking the application's main window is not offered.
// - Unhooking while the owner is being destroyed leaves the owner alone: its
//   WindowProc belongs to an object that is going away, and writing into it
//   from the owner's component clean-up would touch a half-destroyed control.
// - Restoring the saved WindowProc assumes that no other hook was installed
//   on the same owner after this one.
#pragma once

#include "kcl/KCLCustomComponent.h"
#include "platform/Controls.h"

#include <cstdint>

class TKCLWndProcComponent : public TKCLCustomComponent {
    RBK_CLASS(TKCLWndProcComponent, TKCLCustomComponent)
public:
    explicit TKCLWndProcComponent(TComponent *AOwner);
    ~TKCLWndProcComponent() override;

    bool Enabled() const { return enabled_; }
    // Hooks (true) or unhooks (false) unless designing; then HookChanged.
    virtual void SetEnabled(bool Value);

    bool HookAtDesignTime() const { return hookAtDesignTime_; }
    void SetHookAtDesignTime(bool Value) { hookAtDesignTime_ = Value; }
    bool HookByWindowProc() const { return hookByWindowProc_; }
    void SetHookByWindowProc(bool Value) { hookByWindowProc_ = Value; }
    // 1 for an MDI child owner, 2 for an MDI parent, else 0 (always 0 here).
    uint8_t HookMode() const { return hookMode_; }

    // Hooks the owner when enabled and not hooked yet.
    virtual void Hook();
    virtual void Unhook();
    bool IsHooked() const;
    // The owner's window (its widget) as a number; 0 without a control owner.
    uintptr_t GetHookHandle() const;

    // The hooked message path: descendants handle their messages first and
    // then call this, which passes the message to the owner's previous
    // WindowProc (and re-hooks after CM_RECREATEWND).
    virtual void WndProc(platform::TMessage &Message);
    // Unhooks while designing with HookAtDesignTime off.
    virtual void DesignUnhook();

protected:
    void Loaded() override;
    void Notification(TComponent *AComponent, platform::TOperation Operation) override;
    // Called after Loaded and SetEnabled; empty here.
    virtual void HookChanged() {}

    bool HookOwner();
    bool UnhookOwner();
    void CallOldWndProc(platform::TMessage &Message);
    bool Designing() const;

private:
    platform::TControl *ownerControl() const;

    bool enabled_ = true;
    bool hookAtDesignTime_ = false;
    bool hookByWindowProc_ = false;
    uint8_t hookMode_ = 0;
    platform::TWndMethod oldWndProc_;
};
