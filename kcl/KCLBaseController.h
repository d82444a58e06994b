// TKCLBaseController: a non-visual component that, on every change, fires its
// own OnChange and then tells each client linked to it.
//
// A client is a TKCLClientLink: an object that holds a reference to its
// controller and has a Change notification. The controller does not own its
// links; a link that is destroyed leaves its controller's list, and a
// controller that is destroyed clears the controller reference of every link
// still in its list.
#pragma once

#include "kcl/KCLCustomComponent.h"

#include <vector>

class TKCLBaseController;

// The link of one client to a controller. SetController moves the link from
// its old controller's list (if any) to the end of the new one's.
class TKCLClientLink {
public:
    TKCLClientLink() = default;
    virtual ~TKCLClientLink();
    TKCLClientLink(const TKCLClientLink &) = delete;
    TKCLClientLink &operator=(const TKCLClientLink &) = delete;

    TKCLBaseController *Controller() const { return controller_; }
    void SetController(TKCLBaseController *Value);

    // Called by the controller on each of its changes; fires OnChange with
    // the controller as sender.
    virtual void Change();

    TNotifyEvent OnChange;

private:
    friend class TKCLBaseController;
    TKCLBaseController *controller_ = nullptr;
};

class TKCLBaseController : public TKCLCustomComponent {
    RBK_CLASS(TKCLBaseController, TKCLCustomComponent)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLBaseController(TComponent *AOwner);
    ~TKCLBaseController() override;

    // Appends the client and sets its controller reference (the link leaves
    // another controller first); a client already in the list stays where it is.
    void AddClient(TKCLClientLink *Client);
    // Clears the client's controller reference and takes it out of the list;
    // nothing for a client that is not in the list.
    void RemoveClient(TKCLClientLink *Client);
    int ClientCount() const { return static_cast<int>(clients_.size()); }

    // Unless updating or loading: OnChange, then the Change of every client
    // in list order.
    void Change() override;

private:
    std::vector<TKCLClientLink *> clients_;
};
