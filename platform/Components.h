// The class library's persistent objects and components.
//
// TPersistent: an object that can be assigned from another (Assign/AssignTo,
// raising EConvertError "Cannot assign a %s to a %s" when neither side knows the
// other) and that can define extra stream data (DefineProperties).
//
// TComponent: a persistent object with an owner, the components it owns, a
// name unique among its owner's components, a component state, notification of
// insertion and removal, free notification across owners, and the streaming
// life cycle (ReadState, Loaded). Streaming itself is in platform/Streaming.h.
//
// Ownership: a component created with an owner is inserted into the owner's
// list by TComponent's constructor and destroyed by the owner. Destroying a
// component (Free() or delete) marks it and everything it owns csDestroying,
// tells every component that asked for free notification, destroys the owned
// components (last first) and finally removes it from its owner, which tells
// the owner's components (Notification opRemove).
//
// C++ differs from the class library in one point: while a constructor or a
// destructor of a derived class has not finished, the object is only a
// TComponent to C++. The opInsert notification sent from TComponent's
// constructor therefore shows the new component with TComponent's class and
// overrides; NewComponent<T>(owner, ...) creates the component without an owner
// and inserts it once it is whole, for receivers that need its class. Removal
// notifications sent from ~TComponent likewise identify the component only by
// its address. Derived destructors that consult csDestroying should call
// Destroying() first (Free() and owners do that before deleting).
//
// BeforeDestruction runs while the object is still whole, before anything of
// its destruction: Free() and an owner destroying its components call it
// first (forms also on a plain delete, see platform/Forms.h).
#pragma once

#include "platform/Classes.h"
#include "platform/TypInfo.h"

#include <functional>
#include <vector>

namespace platform {

class TFiler;
class TReader;
class TWriter;
class TComponent;

// "Cannot assign ..."-style and name errors of components.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};
// A class name that is not registered ("Class %s not found"). A stream that
// names an unknown class is unreadable, so this is a read error.
class EClassNotFound : public EReadError {
public:
    using EReadError::EReadError;
};

class TPersistent : public TObject {
    RBK_CLASS(TPersistent, TObject)
public:
    TPersistent() = default;
    ~TPersistent() override = default;

    // Copies Source into this object. The base asks Source to assign itself
    // to this object (AssignTo) and raises EConvertError when it cannot.
    virtual void Assign(TPersistent *Source);
    // The owner in the sense of the name path (nil here).
    virtual TPersistent *GetOwner() const { return nullptr; }
    // The class name, preceded by the owner's name path and "." when there is
    // one.
    virtual AnsiString GetNamePath() const;
    // Stream data beyond the published properties (platform/Streaming.h).
    virtual void DefineProperties(TFiler &Filer);

protected:
    // Copies this object into Dest; the base raises the conversion error.
    virtual void AssignTo(TPersistent *Dest);
    // Raises EConvertError "Cannot assign a <Source class or nil> to a <own class>".
    [[noreturn]] void AssignError(const TPersistent *Source) const;
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance,
};
using TComponentState = TSet<TComponentStateFlag>;

enum TComponentStyleFlag { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = TSet<TComponentStyleFlag>;

// The callback of GetChildren: called once per child to be written.
using TGetChildProc = std::function<void(TComponent *Child)>;

class TComponent : public TPersistent, public IInterface {
    RBK_CLASS(TComponent, TPersistent)
public:
    using TCreateOwner = TComponent;
    static void PublishProperties(TPropList &list);

    explicit TComponent(TComponent *AOwner);
    ~TComponent() override;

    // Marks the component destroying and deletes it.
    void Free();

    TComponent *Owner() const { return owner_; }
    TPersistent *GetOwner() const override { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // Raises EListError for an index outside 0..ComponentCount-1.
    TComponent *Components(int Index) const;
    // The index in the owner's list, or -1 without owner.
    int ComponentIndex() const;
    // The owned component of that name (case-insensitive), or nil.
    TComponent *FindComponent(const AnsiString &AName) const;

    const AnsiString &Name() const { return name_; }
    // Raises EComponentError for a name that is not an identifier or that
    // another component of the owner already has (case-insensitive).
    virtual void SetName(const AnsiString &NewName);
    AnsiString GetNamePath() const override { return name_; }

    int64_t Tag() const { return tag_; }
    void SetTag(int64_t value) { tag_ = value; }
    // Designer position: Left in the low 16 bits, Top in the high 16 bits.
    int32_t DesignInfo() const { return designInfo_; }
    void SetDesignInfo(int32_t value) { designInfo_ = value; }

    TComponentState ComponentState() const { return state_; }
    TComponentStyle ComponentStyle() const { return style_; }

    void InsertComponent(TComponent *AComponent);
    void RemoveComponent(TComponent *AComponent);
    // Frees every owned component, last first.
    void DestroyComponents();
    // Marks this component and everything it owns csDestroying (once).
    void Destroying();
    // Called before destruction begins (see above); nothing here.
    virtual void BeforeDestruction() {}

    // AComponent is told (Notification opRemove) when this component is
    // destroyed, and this one when AComponent is; nothing to do when both
    // have the same owner, which tells its components anyway.
    void FreeNotification(TComponent *AComponent);
    void RemoveFreeNotification(TComponent *AComponent);

    // Sets or clears csDesigning on this component and, with SetChildren, on
    // everything it owns.
    void SetDesigning(bool Value, bool SetChildren = true);

    // Streaming hooks (platform/Streaming.h).
    void DefineProperties(TFiler &Filer) override;
    virtual void ReadState(TReader &Reader);
    virtual void WriteState(TWriter &Writer);
    // Calls Proc for every child to be written with this component; none here.
    virtual void GetChildren(const TGetChildProc &Proc, TComponent *Root);
    // The owner of children read into this component; nil: the root.
    virtual TComponent *GetChildOwner() { return nullptr; }
    // The reader's Parent while this component's children are read.
    virtual TComponent *GetChildParent() { return this; }
    virtual bool HasParent() const { return false; }
    virtual TComponent *GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent *) {}

    // IInterface: queries go to GetInterface; no reference counting.
    int32_t QueryInterface(const TGUID &iid, void **obj) override;
    int32_t _AddRef() override { return -1; }
    int32_t _Release() override { return -1; }
    // The interface of that GUID implemented by this object, or nil.
    virtual void *GetInterface(const TGUID &iid);

    // Streaming sets and clears these states; components may be put into
    // them by code that emulates loading (see platform/Streaming.h).
    void SetComponentStateFlag(TComponentStateFlag flag, bool on);

protected:
    virtual void Notification(TComponent *AComponent, TOperation Operation);
    // Called once loading has finished; clears csLoading.
    virtual void Loaded();
    // Raises EComponentError when the owner may not take AComponent; the base
    // accepts every component.
    virtual void ValidateInsert(TComponent *AComponent);
    // Checks a rename of AComponent (or an insertion with NewName) for a name
    // clash among the owned components.
    virtual void ValidateRename(TComponent *AComponent, const AnsiString &CurName, const AnsiString &NewName);
    void SetComponentStyle(TComponentStyle style) { style_ = style; }

private:
    friend class TReader;
    friend class TWriter;
    void insert(TComponent *c);
    void remove(TComponent *c);
    void removeFreeNotifications();

    TComponent *owner_ = nullptr;
    std::vector<TComponent *> components_;
    std::vector<TComponent *> freeNotifies_;
    AnsiString name_;
    int64_t tag_ = 0;
    int32_t designInfo_ = 0;
    TComponentState state_;
    TComponentStyle style_{csInheritable};

public:
    // Sends Notification to Target (for owners that relay notifications).
    static void SendNotification(TComponent *Target, TComponent *AComponent, TOperation Operation)
    {
        Target->Notification(AComponent, Operation);
    }
    static void CallLoaded(TComponent *Target) { Target->Loaded(); }
};

// Creates a T without owner and inserts it into AOwner when it is whole, so
// that the opInsert notification shows its real class.
template <class T, class... Args>
T *NewComponent(TComponent *AOwner, Args &&...args)
{
    T *c = new T(nullptr, std::forward<Args>(args)...);
    if (AOwner != nullptr) {
        try {
            AOwner->InsertComponent(c);
        } catch (...) {
            c->Free();
            throw;
        }
    }
    return c;
}

// Creates a component through its class reference (the virtual constructor).
// Raises Exception when the class is not a component class or is abstract.
TComponent *CreateComponent(TClass ComponentClass, TComponent *AOwner);
using TComponentClass = TClass;

// True when the text is a Pascal identifier (letter or '_', then letters,
// digits, '_'), as component names must be.
bool IsValidIdent(const AnsiString &s);

// A non-visual container of components: its owned components are its
// streamed children.
class TDataModule : public TComponent {
    RBK_CLASS(TDataModule, TComponent)
public:
    explicit TDataModule(TComponent *AOwner) : TComponent(AOwner) {}
    void GetChildren(const TGetChildProc &Proc, TComponent *Root) override;
};

} // namespace platform
