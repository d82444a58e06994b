#include "kcl/KCLBaseController.h"

#include <algorithm>

// ------------------------------------------------------------ TKCLClientLink

TKCLClientLink::~TKCLClientLink() { SetController(nullptr); }

void TKCLClientLink::SetController(TKCLBaseController *Value)
{
    if (Value == controller_)
        return;
    if (controller_ != nullptr)
        controller_->RemoveClient(this);
    if (Value != nullptr)
        Value->AddClient(this);
}

void TKCLClientLink::Change()
{
    if (OnChange.Assigned())
        OnChange(controller_);
}

// -------------------------------------------------------- TKCLBaseController

void TKCLBaseController::PublishProperties(platform::TPropList &list)
{
    using T = TKCLBaseController;
    platform::TPropertyTable<T> p(list);
    p.String("About", &T::About, &T::SetAbout).Stored(false);
}

TKCLBaseController::TKCLBaseController(TComponent *AOwner) : TKCLCustomComponent(AOwner)
{
    SetComponentStyle(ComponentStyle() - platform::TComponentStyle{platform::csInheritable});
}

TKCLBaseController::~TKCLBaseController()
{
    while (!clients_.empty())
        RemoveClient(clients_.back());
}

void TKCLBaseController::AddClient(TKCLClientLink *Client)
{
    if (Client == nullptr)
        return;
    if (Client->controller_ != nullptr && Client->controller_ != this)
        Client->controller_->RemoveClient(Client);
    if (std::find(clients_.begin(), clients_.end(), Client) == clients_.end())
        clients_.push_back(Client);
    Client->controller_ = this;
}

void TKCLBaseController::RemoveClient(TKCLClientLink *Client)
{
    auto it = std::find(clients_.begin(), clients_.end(), Client);
    if (it == clients_.end())
        return;
    Client->controller_ = nullptr;
    clients_.erase(it);
}

void TKCLBaseController::Change()
{
    if (IsUpdating() || ComponentState().Contains(platform::csLoading))
        return;
    TKCLCustomComponent::Change();
    // A client may unlink itself (or another) while it is told: walk a copy
    // and skip those that have left meanwhile.
    const std::vector<TKCLClientLink *> clients = clients_;
    for (TKCLClientLink *c : clients)
        if (std::find(clients_.begin(), clients_.end(), c) != clients_.end())
            c->Change();
}
