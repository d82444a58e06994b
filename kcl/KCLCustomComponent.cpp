#include "kcl/KCLCustomComponent.h"

TKCLCustomComponent::TKCLCustomComponent(TComponent *AOwner) : TComponent(AOwner) {}

void TKCLCustomComponent::BeginUpdate() { ++updateCounter_; }

void TKCLCustomComponent::EndUpdate(bool DoChange)
{
    if (updateCounter_ > 0)
        --updateCounter_;
    if (updateCounter_ == 0 && DoChange)
        Change();
}

void TKCLCustomComponent::Change()
{
    if (!IsUpdating() && OnChange.Assigned())
        OnChange(this);
}

void TKCLCustomComponent::Changed(TObject *) { Change(); }

uint8_t TKCLCustomComponent::GetIdentity() { return 22; }

void *TKCLCustomComponent::GetInterface(const platform::TGUID &iid)
{
    if (iid == IKCLComponentIdentity::IID)
        return static_cast<IKCLComponentIdentity *>(this);
    return TComponent::GetInterface(iid);
}
