#include "platform/Components.h"

#include <algorithm>

namespace platform {

namespace {

bool sameText(const AnsiString &a, const AnsiString &b)
{
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

} // namespace

TClass FindClass(const AnsiString &name)
{
    TClass cls = GetClass(name);
    if (cls == nullptr)
        throw EClassNotFound("Class " + name + " not found");
    return cls;
}

// ---------------------------------------------------------------- TPersistent

void TPersistent::Assign(TPersistent *Source)
{
    if (Source != nullptr)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent *Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent *Source) const
{
    const AnsiString sourceName = Source != nullptr ? Source->ClassName() : AnsiString("nil");
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

AnsiString TPersistent::GetNamePath() const
{
    AnsiString result = ClassName();
    if (TPersistent *owner = GetOwner()) {
        const AnsiString ownerPath = owner->GetNamePath();
        if (!ownerPath.empty())
            result = ownerPath + "." + result;
    }
    return result;
}

void TPersistent::DefineProperties(TFiler &) {}

// ----------------------------------------------------------------- TComponent

bool IsValidIdent(const AnsiString &s)
{
    if (s.empty())
        return false;
    auto alpha = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(static_cast<unsigned char>(s[0])))
        return false;
    for (unsigned char c : s)
        if (!alpha(c) && !(c >= '0' && c <= '9'))
            return false;
    return true;
}

void TComponent::PublishProperties(TPropList &list)
{
    TPropertyTable<TComponent> p(list);
    p.Integer("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TComponent::TComponent(TComponent *AOwner)
{
    if (AOwner != nullptr)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    removeFreeNotifications();
    DestroyComponents();
    if (owner_ != nullptr)
        owner_->RemoveComponent(this);
}

void TComponent::Free()
{
    BeforeDestruction();
    Destroying();
    delete this;
}

TComponent *TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return components_[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const
{
    if (owner_ == nullptr)
        return -1;
    auto &list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent *TComponent::FindComponent(const AnsiString &AName) const
{
    if (AName.empty())
        return nullptr;
    for (TComponent *c : components_)
        if (sameText(c->name_, AName))
            return c;
    return nullptr;
}

void TComponent::SetName(const AnsiString &NewName)
{
    if (name_ == NewName)
        return;
    if (!NewName.empty() && !IsValidIdent(NewName))
        throw EComponentError("'" + NewName + "' is not a valid component name");
    if (owner_ != nullptr)
        owner_->ValidateRename(this, name_, NewName);
    else
        ValidateRename(nullptr, name_, NewName);
    name_ = NewName;
}

void TComponent::ValidateRename(TComponent *AComponent, const AnsiString &CurName, const AnsiString &NewName)
{
    if (AComponent == nullptr || NewName.empty() || sameText(CurName, NewName))
        return;
    if (TComponent *other = FindComponent(NewName); other != nullptr && other != AComponent)
        throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::ValidateInsert(TComponent *) {}

void TComponent::insert(TComponent *c)
{
    components_.push_back(c);
    c->owner_ = this;
}

void TComponent::remove(TComponent *c)
{
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it != components_.end())
        components_.erase(it);
    c->owner_ = nullptr;
}

void TComponent::InsertComponent(TComponent *AComponent)
{
    if (AComponent == nullptr || AComponent->owner_ == this)
        return;
    ValidateInsert(AComponent);
    ValidateRename(AComponent, AnsiString(), AComponent->name_);
    if (AComponent->owner_ != nullptr)
        AComponent->owner_->RemoveComponent(AComponent);
    insert(AComponent);
    if (state_.Contains(csDesigning))
        AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent *AComponent)
{
    if (AComponent == nullptr || AComponent->owner_ != this)
        return;
    Notification(AComponent, opRemove);
    remove(AComponent);
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) {
        TComponent *c = components_.back();
        // Removed quietly: the owner is going, its components need no word of
        // each other; components that asked for free notification get it from
        // the destroyed component itself.
        remove(c);
        c->BeforeDestruction();
        c->Destroying();
        delete c;
    }
}

void TComponent::Destroying()
{
    if (state_.Contains(csDestroying))
        return;
    state_.Include(csDestroying);
    for (TComponent *c : components_)
        c->Destroying();
}

void TComponent::Notification(TComponent *AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent != nullptr)
        RemoveFreeNotification(AComponent);
    // Last to first; a notified component may remove components on the way.
    int i = ComponentCount() - 1;
    while (i >= 0) {
        components_[static_cast<size_t>(i)]->Notification(AComponent, Operation);
        --i;
        if (i >= ComponentCount())
            i = ComponentCount() - 1;
    }
}

void TComponent::FreeNotification(TComponent *AComponent)
{
    if (AComponent == nullptr || AComponent == this)
        return;
    if (owner_ == nullptr || AComponent->owner_ != owner_) {
        if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end())
            freeNotifies_.push_back(AComponent);
        auto &other = AComponent->freeNotifies_;
        if (std::find(other.begin(), other.end(), this) == other.end())
            other.push_back(this);
        AComponent->state_.Include(csFreeNotification);
    }
    state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent *AComponent)
{
    if (AComponent == nullptr)
        return;
    std::erase(freeNotifies_, AComponent);
    std::erase(AComponent->freeNotifies_, this);
}

void TComponent::removeFreeNotifications()
{
    while (!freeNotifies_.empty()) {
        TComponent *other = freeNotifies_.back();
        freeNotifies_.pop_back();
        std::erase(other->freeNotifies_, this);
        other->Notification(this, opRemove);
    }
}

void TComponent::SetDesigning(bool Value, bool SetChildren)
{
    if (Value)
        state_.Include(csDesigning);
    else
        state_.Exclude(csDesigning);
    if (SetChildren)
        for (TComponent *c : components_)
            c->SetDesigning(Value, true);
}

void TComponent::SetComponentStateFlag(TComponentStateFlag flag, bool on)
{
    if (on)
        state_.Include(flag);
    else
        state_.Exclude(flag);
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::GetChildren(const TGetChildProc &, TComponent *) {}

int32_t TComponent::QueryInterface(const TGUID &iid, void **obj)
{
    void *found = GetInterface(iid);
    if (obj != nullptr)
        *obj = found;
    return found != nullptr ? S_OK : E_NOINTERFACE;
}

void *TComponent::GetInterface(const TGUID &iid)
{
    if (iid == IInterface::IID)
        return static_cast<IInterface *>(this);
    return nullptr;
}

TComponent *CreateComponent(TClass ComponentClass, TComponent *AOwner)
{
    if (ComponentClass == nullptr || !ComponentClass->InheritsFrom(TComponent::StaticClass()))
        throw EComponentError("Not a component class");
    return static_cast<TComponent *>(ComponentClass->Create(AOwner));
}

// ---------------------------------------------------------------- TDataModule

void TDataModule::GetChildren(const TGetChildProc &Proc, TComponent *)
{
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent *c = Components(i);
        if (!c->HasParent())
            Proc(c);
    }
}

} // namespace platform

