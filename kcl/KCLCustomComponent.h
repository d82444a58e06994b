// TKCLCustomComponent: the base of the library's non-visual components. A
// component with an About text (shown by a designer, never streamed), an
// OnChange event, a nestable update counter and an identity number offered
// through IKCLComponentIdentity.
#pragma once

#include "platform/Components.h"

#include <cstdint>

using platform::AnsiString;
using platform::TComponent;
using platform::TNotifyEvent;
using platform::TObject;

// The library's component interface: the reference counting and query of
// the class library's components, and the component's identity number.
class IKCLComponentIdentity : public platform::IInterface {
public:
    // {42DEE038-9F98-4CA3-9734-F770483E97FF}
    static constexpr platform::TGUID IID{0x42DEE038, 0x9F98, 0x4CA3, {0x97, 0x34, 0xF7, 0x70, 0x48, 0x3E, 0x97, 0xFF}};
    virtual uint8_t GetIdentity() = 0;

protected:
    ~IKCLComponentIdentity() = default;
};

using TKCLAboutVar = AnsiString;

class TKCLCustomComponent : public TComponent, public IKCLComponentIdentity {
    RBK_CLASS(TKCLCustomComponent, TComponent)
public:
    explicit TKCLCustomComponent(TComponent *AOwner);

    const TKCLAboutVar &About() const { return about_; }
    void SetAbout(const TKCLAboutVar &value) { about_ = value; }

    // Counter := counter + 1.
    void BeginUpdate();
    // Decreases a counter above 0; then, when it is 0 and DoChange is true,
    // Change (also when it was 0 already).
    void EndUpdate(bool DoChange);
    bool IsUpdating() const { return updateCounter_ > 0; }
    uint16_t UpdateCounter() const { return updateCounter_; }

    // Fires OnChange(this) unless updating.
    virtual void Change();
    // Calls Change; Sender is not used.
    virtual void Changed(TObject *Sender);
    // The identity number: 22.
    uint8_t GetIdentity() override;

    // The class library's component operations, for both interfaces.
    int32_t QueryInterface(const platform::TGUID &iid, void **obj) override { return TComponent::QueryInterface(iid, obj); }
    int32_t _AddRef() override { return TComponent::_AddRef(); }
    int32_t _Release() override { return TComponent::_Release(); }
    void *GetInterface(const platform::TGUID &iid) override;

    TNotifyEvent OnChange;

private:
    TKCLAboutVar about_;
    uint16_t updateCounter_ = 0;
};
