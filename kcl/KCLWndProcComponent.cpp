#include "kcl/KCLWndProcComponent.h"

using platform::csDesigning;
using platform::csDestroying;
using platform::TControl;
using platform::TMessage;
using platform::TWndMethod;

TKCLWndProcComponent::TKCLWndProcComponent(TComponent *AOwner) : TKCLCustomComponent(AOwner)
{
    // No form of this system is an MDI child or parent, so the mode is 0.
    hookMode_ = 0;
}

TKCLWndProcComponent::~TKCLWndProcComponent() { UnhookOwner(); }

bool TKCLWndProcComponent::Designing() const { return ComponentState().Contains(csDesigning); }

TControl *TKCLWndProcComponent::ownerControl() const
{
    TComponent *o = Owner();
    if (o == nullptr || o->ComponentState().Contains(csDestroying))
        return nullptr;
    return dynamic_cast<TControl *>(o);
}

void TKCLWndProcComponent::Loaded()
{
    TKCLCustomComponent::Loaded();
    if (!(Designing() && !hookAtDesignTime_)) {
        Hook();
        HookChanged();
    }
}

void TKCLWndProcComponent::SetEnabled(bool Value)
{
    if (Value == enabled_)
        return;
    enabled_ = Value;
    if (!Designing()) {
        if (Value)
            Hook();
        else
            Unhook();
    }
    HookChanged();
}

void TKCLWndProcComponent::Hook()
{
    if (enabled_ && !IsHooked())
        HookOwner();
}

void TKCLWndProcComponent::Unhook() { UnhookOwner(); }

bool TKCLWndProcComponent::IsHooked() const { return oldWndProc_.Assigned(); }

uintptr_t TKCLWndProcComponent::GetHookHandle() const
{
    try {
        TControl *c = ownerControl();
        return c ? reinterpret_cast<uintptr_t>(c->Widget()) : 0;
    } catch (...) {
        return 0;
    }
}

bool TKCLWndProcComponent::HookOwner()
{
    TControl *c = ownerControl();
    if (c == nullptr || GetHookHandle() == 0 || IsHooked() || (Designing() && !hookAtDesignTime_))
        return false;
    try {
        oldWndProc_ = c->WindowProc;
        c->WindowProc = TWndMethod::Bind<&TKCLWndProcComponent::WndProc>(this);
    } catch (...) {
        UnhookOwner();
        return false;
    }
    return true;
}

bool TKCLWndProcComponent::UnhookOwner()
{
    if (IsHooked()) {
        if (TControl *c = ownerControl())
            c->WindowProc = oldWndProc_;
    }
    oldWndProc_.Clear();
    return true;
}

void TKCLWndProcComponent::CallOldWndProc(TMessage &Message)
{
    if (oldWndProc_.Assigned()) {
        // A copy: the handler may unhook this component meanwhile.
        const TWndMethod old = oldWndProc_;
        old(Message);
    }
}

void TKCLWndProcComponent::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case platform::WM_DESTROY:
        if (hookMode_ == 1)
            UnhookOwner();
        else
            CallOldWndProc(Message);
        break;
    case platform::CM_RECREATEWND:
        CallOldWndProc(Message);
        Hook();
        break;
    default:
        CallOldWndProc(Message);
        break;
    }
}

void TKCLWndProcComponent::Notification(TComponent *AComponent, platform::TOperation Operation)
{
    TKCLCustomComponent::Notification(AComponent, Operation);
    if (Operation == platform::opRemove && AComponent == this)
        UnhookOwner();
}

void TKCLWndProcComponent::DesignUnhook()
{
    if (Designing() && !hookAtDesignTime_)
        UnhookOwner();
}
