// TKCLObject: the base of the library's settings objects. A settings object
// is a persistent value object held by an owning object; every change calls
// Change, which fires OnChange with the object as sender unless the object is
// between BeginUpdate and EndUpdate. Holders of nested settings objects set the
// nested objects' OnChange to their own Changed, so that a change anywhere
// below reaches the top.
//
// The update state is a flag, not a counter: one EndUpdate ends any number of
// BeginUpdate calls.
#pragma once

#include "platform/Components.h"

#include <cstdint>

using platform::AnsiString;
using platform::TNotifyEvent;
using platform::TObject;
using platform::TPersistent;

class TKCLObject : public TPersistent {
    RBK_CLASS(TKCLObject, TPersistent)
public:
    // Settings objects are created from class references with their owner.
    using TCreateOwner = TPersistent;

    explicit TKCLObject(TPersistent *AOwner);

    TPersistent *Owner() const { return owner_; }
    TPersistent *GetOwner() const override { return owner_; }

    // Update state := 1 (changes are not reported).
    void BeginUpdate();
    // Update state := 0; then Change when DoChange is true.
    void EndUpdate(bool DoChange);
    // 0 normal, 1 updating.
    uint8_t UpdateState() const { return updateState_; }

    // A one-line summary of the object's settings; empty here.
    virtual AnsiString GetStatusText();
    // Fires OnChange(this) unless updating.
    virtual void Change();
    // Calls Change; Sender is not used. The handler that nested objects'
    // OnChange is set to.
    virtual void Changed(TObject *Sender);

    TNotifyEvent OnChange;

private:
    TPersistent *owner_;
    uint8_t updateState_ = 0;
};
