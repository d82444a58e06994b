// Settings-object and component bases, the component identity and the
// one-instance rule.
#include "kcl/KCLClass.h"
#include "kcl/KCLCustomComponent.h"
#include "kcl/KCLObject.h"
#include "kcl/KCLRTLConst.h"
#include "platform/Forms.h"

#include <gtest/gtest.h>

#include "KCLTestSupport.h"

using namespace platform;

namespace {


// A settings object with one value, as the library's settings classes are
// built: compare, store, Change.
class TTestSettings : public TKCLObject {
    RBK_CLASS(TTestSettings, TKCLObject)
public:
    explicit TTestSettings(TPersistent *AOwner) : TKCLObject(AOwner) {}
    int Value() const { return value_; }
    void SetValue(int v)
    {
        if (v != value_) {
            value_ = v;
            Change();
        }
    }

private:
    int value_ = 0;
};

// A holder that routes its nested object's OnChange to its own Changed.
class TTestHolder : public TKCLObject {
    RBK_CLASS(TTestHolder, TKCLObject)
public:
    explicit TTestHolder(TPersistent *AOwner) : TKCLObject(AOwner), nested(this)
    {
        nested.OnChange = TNotifyEvent::Bind<&TKCLObject::Changed>(this);
    }
    TTestSettings nested;
};

class TOneComp : public TKCLCustomComponent {
    RBK_CLASS(TOneComp, TKCLCustomComponent)
public:
    explicit TOneComp(TComponent *AOwner) : TKCLCustomComponent(AOwner) {}
};
class TOneCompChild : public TOneComp {
    RBK_CLASS(TOneCompChild, TOneComp)
public:
    explicit TOneCompChild(TComponent *AOwner) : TOneComp(AOwner) {}
};

TEST(KCLObject, UpdateStateIsAFlagEndedByOneEndUpdate)
{
    TTestSettings s(nullptr);
    Counter c;
    s.OnChange = c.Handler();

    s.BeginUpdate();
    s.SetValue(1);
    s.SetValue(2);
    s.EndUpdate(false);
    EXPECT_EQ(c.calls, 0) << "no report during the update, none at its end without DoChange";

    s.BeginUpdate();
    s.BeginUpdate();
    EXPECT_EQ(s.UpdateState(), 1);
    s.SetValue(3);
    s.EndUpdate(true);
    EXPECT_EQ(c.calls, 1) << "one EndUpdate ends both BeginUpdate calls and reports once";
    EXPECT_EQ(c.sender, &s);
    EXPECT_EQ(s.UpdateState(), 0);

    s.SetValue(3);
    EXPECT_EQ(c.calls, 1) << "an unchanged value reports nothing";
    s.SetValue(4);
    EXPECT_EQ(c.calls, 2);

    s.OnChange.Clear();
    s.SetValue(5); // unassigned: nothing happens
    EXPECT_EQ(s.GetStatusText(), "");
}

TEST(KCLObject, NestedChangesReachTheHolder)
{
    TTestHolder h(nullptr);
    Counter c;
    h.OnChange = c.Handler();
    h.nested.SetValue(9);
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(c.sender, &h) << "the holder reports itself as sender";
    EXPECT_EQ(h.nested.Owner(), &h);
    EXPECT_EQ(h.nested.GetOwner(), &h);
}

TEST(KCLObject, SettingsObjectsAreCreatedFromClassReferencesWithTheirOwner)
{
    TTestHolder owner(nullptr);
    TClass cls = TTestSettings::StaticClass();
    std::unique_ptr<TObject> made(cls->Create(&owner));
    auto *s = dynamic_cast<TTestSettings *>(made.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Owner(), &owner);
    EXPECT_TRUE(s->InheritsFrom(TKCLObject::StaticClass()));
    EXPECT_EQ(s->ClassParent(), TKCLObject::StaticClass());
}

TEST(KCLCustomComponent, UpdateCounterNestsAndEndUpdateAtZeroStillReports)
{
    TOneComp comp(nullptr);
    Counter c;
    comp.OnChange = c.Handler();
    EXPECT_FALSE(comp.IsUpdating());

    comp.BeginUpdate();
    comp.BeginUpdate();
    EXPECT_TRUE(comp.IsUpdating());
    comp.Change();
    EXPECT_EQ(c.calls, 0);
    comp.EndUpdate(true);
    EXPECT_EQ(c.calls, 0) << "still one level deep";
    comp.EndUpdate(true);
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(c.sender, &comp);

    comp.EndUpdate(true);
    EXPECT_EQ(c.calls, 2) << "EndUpdate(true) with the counter at 0 still reports";
    EXPECT_EQ(comp.UpdateCounter(), 0);
    comp.EndUpdate(false);
    EXPECT_EQ(c.calls, 2);

    comp.Changed(nullptr);
    EXPECT_EQ(c.calls, 3);
}

TEST(KCLCustomComponent, IdentityThroughTheInterface)
{
    TOneComp comp(nullptr);
    EXPECT_EQ(comp.GetIdentity(), 22);
    void *obj = nullptr;
    ASSERT_EQ(comp.QueryInterface(IKCLComponentIdentity::IID, &obj), S_OK);
    auto *ident = static_cast<IKCLComponentIdentity *>(obj);
    EXPECT_EQ(ident->GetIdentity(), 22);
    EXPECT_EQ(ident->_AddRef(), -1) << "components do not count references";
    EXPECT_EQ(ident->_Release(), -1);
    EXPECT_EQ(comp.QueryInterface(IInterface::IID, &obj), S_OK);
    const TGUID unknown{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(comp.QueryInterface(unknown, &obj), E_NOINTERFACE);
    EXPECT_EQ(obj, nullptr);
    const TGUID expected{0x42DEE038, 0x9F98, 0x4CA3, {0x97, 0x34, 0xF7, 0x70, 0x48, 0x3E, 0x97, 0xFF}};
    EXPECT_TRUE(IKCLComponentIdentity::IID == expected);
}

TEST(KCLCheckOneInstance, TruthTable)
{
    EXPECT_TRUE(KCLCheckOneInstance(nullptr, TOneComp::StaticClass(), false));
    EXPECT_TRUE(KCLCheckOneInstance(nullptr, TOneComp::StaticClass(), true)) << "a nil owner is no data module";

    TForm form(nullptr);
    EXPECT_FALSE(KCLCheckOneInstance(&form, nullptr, false)) << "no class to count";
    new TOneComp(&form);
    EXPECT_FALSE(KCLCheckOneInstance(&form, TOneComp::StaticClass(), false));
    new TOneCompChild(&form); // a descendant counts as an instance
    EXPECT_TRUE(KCLCheckOneInstance(&form, TOneComp::StaticClass(), false));
    EXPECT_FALSE(KCLCheckOneInstance(&form, TOneCompChild::StaticClass(), false));

    TDataModule module(nullptr);
    new TOneComp(&module);
    EXPECT_TRUE(KCLCheckOneInstance(&module, TOneComp::StaticClass(), false));
    EXPECT_FALSE(KCLCheckOneInstance(&module, TOneComp::StaticClass(), true));
    new TOneComp(&module);
    EXPECT_TRUE(KCLCheckOneInstance(&module, TOneComp::StaticClass(), true));

    TOneComp plain(nullptr); // any other owner
    EXPECT_TRUE(KCLCheckOneInstance(&plain, nullptr, true));
}

TEST(EKCLOneInstError, MessagesByMode)
{
    EXPECT_EQ(EKCLOneInstError::CreateMsg("TKCLFormPersistent", 0).Message,
              "TKCLFormPersistent:\rInvalid owner (<>TForm) or second instance on a form");
    EXPECT_EQ(std::string(SKCLOneInstError), "Invalid owner (<>TForm) or second instance on a form");
    EXPECT_EQ(EKCLOneInstError::CreateMsg("TFoo", 1).Message, "TFoo:\rAlready one TFoo control in this project!");
    EXPECT_EQ(EKCLOneInstError::CreateMsg("TFoo", 2).Message, "");
    EXPECT_EQ(EKCLOneInstError::CreateMsg("TFoo", 255).Message, "");
    try {
        throw EKCLOneInstError::CreateMsg("TFoo", 0);
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message.substr(0, 5), "TFoo:");
    }
}

} // namespace
