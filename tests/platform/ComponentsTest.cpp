// Components, class registry, method pointers and component streaming.
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

// ----------------------------------------------------------- test classes

std::vector<std::string> g_log;

// Logs every notification it receives as "<self>:<op>:<name or class>".
class TRecorder : public TComponent {
    RBK_CLASS(TRecorder, TComponent)
public:
    explicit TRecorder(TComponent *AOwner) : TComponent(AOwner) { ++live; }
    ~TRecorder() override
    {
        --live;
        g_log.push_back("destroy:" + Name());
    }
    // Recorders in existence: a read that fails leaves none behind.
    static inline int live = 0;
    void Loaded() override
    {
        TComponent::Loaded();
        g_log.push_back("loaded:" + Name());
    }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        const std::string what = AComponent->Name().empty() ? AComponent->ClassName() : AComponent->Name();
        g_log.push_back(Name() + (Operation == opInsert ? ":ins:" : ":rem:") + what);
    }
};

class TOther : public TRecorder {
    RBK_CLASS(TOther, TRecorder)
public:
    explicit TOther(TComponent *AOwner) : TRecorder(AOwner) {}
};

class TAbstractThing : public TComponent {
    RBK_CLASS(TAbstractThing, TComponent)
public:
    explicit TAbstractThing(TComponent *AOwner) : TComponent(AOwner) {}
    virtual int Kind() const = 0;
};

enum TShape { shCircle, shSquare, shTriangle };
const TEnumInfo ShapeInfo{"TShape", {"shCircle", "shSquare", "shTriangle"}};
enum TOption { opBold, opWide, opTall, opDark };
const TEnumInfo OptionInfo{"TOption", {"opBold", "opWide", "opTall", "opDark"}};
using TOptions = TSet<TOption>;

// A nested settings object with a property of its own and defined data.
class TPen2 : public TPersistent {
    RBK_CLASS(TPen2, TPersistent)
public:
    int Width() const { return width; }
    void SetWidth(int v) { width = v; }
    static void PublishProperties(TPropList &list)
    {
        TPropertyTable<TPen2> p(list);
        p.Integer("Width", &TPen2::Width, &TPen2::SetWidth).Default(1);
    }
    void DefineProperties(TFiler &Filer) override
    {
        Filer.DefineProperty(
            "Dashes", [this](TReader &r) {
                dashes.clear();
                r.ReadListBegin();
                while (!r.EndOfList())
                    dashes.push_back(r.ReadInteger());
                r.ReadListEnd();
            },
            [this](TWriter &w) {
                w.WriteListBegin();
                for (int d : dashes)
                    w.WriteInteger(d);
                w.WriteListEnd();
            },
            !dashes.empty());
    }
    void Assign(TPersistent *Source) override
    {
        if (auto *s = dynamic_cast<TPen2 *>(Source)) {
            width = s->width;
            dashes = s->dashes;
            return;
        }
        TPersistent::Assign(Source);
    }
    int width = 1;
    std::vector<int> dashes;
};

class TWidget : public TRecorder {
    RBK_CLASS(TWidget, TRecorder)
public:
    explicit TWidget(TComponent *AOwner) : TRecorder(AOwner), pen(std::make_unique<TPen2>()) {}

    int64_t Count() const { return count; }
    void SetCount(int64_t v) { count = v; }
    bool Flag() const { return flag; }
    void SetFlag(bool v) { flag = v; }
    TShape Shape() const { return shape; }
    void SetShape(TShape v) { shape = v; }
    TOptions Options() const { return options; }
    void SetOptions(TOptions v) { options = v; }
    double Ratio() const { return ratio; }
    void SetRatio(double v) { ratio = v; }
    AnsiString Caption() const { return caption; }
    void SetCaption(const AnsiString &v) { caption = v; }
    AnsiString Section() const { return section; }
    void SetSection(const AnsiString &v) { section = v; }
    TPen2 *Pen() const { return pen.get(); }
    TWidget *Link() const { return link; }
    void SetLink(TWidget *v) { link = v; }
    int Secret() const { return secret; }
    void SetSecret(int v) { secret = v; }
    int ReadOnlyValue() const { return 5; }

    static void PublishProperties(TPropList &list)
    {
        TPropertyTable<TWidget> p(list);
        p.Integer("Count", &TWidget::Count, &TWidget::SetCount).Default(0);
        p.Boolean("Flag", &TWidget::Flag, &TWidget::SetFlag).Default(false);
        p.Enum("Shape", ShapeInfo, &TWidget::Shape, &TWidget::SetShape).Default(shCircle);
        p.Set("Options", OptionInfo, &TWidget::Options, &TWidget::SetOptions).Default(TOptions{opBold}.Bits());
        p.Float("Ratio", &TWidget::Ratio, &TWidget::SetRatio);
        p.String("Caption", &TWidget::Caption, &TWidget::SetCaption);
        p.String("Section", &TWidget::Section, &TWidget::SetSection).DefaultString("Common");
        p.Object("Pen", &TWidget::Pen);
        p.Component("Link", &TWidget::Link, &TWidget::SetLink);
        p.Integer("Secret", &TWidget::Secret, &TWidget::SetSecret).Stored(false);
        p.Integer("ReadOnlyValue", &TWidget::ReadOnlyValue);
    }
    void DefineProperties(TFiler &Filer) override
    {
        TRecorder::DefineProperties(Filer);
        Filer.DefineBinaryProperty(
            "Blob",
            [this](TStream &s) {
                blob.assign(static_cast<size_t>(s.Size()), '\0');
                s.ReadBuffer(blob.data(), static_cast<int32_t>(blob.size()));
            },
            [this](TStream &s) { s.WriteBuffer(blob.data(), static_cast<int32_t>(blob.size())); }, !blob.empty());
    }
    void ReadState(TReader &Reader) override
    {
        stateDuringRead = ComponentState();
        parentDuringRead = Reader.Parent();
        TRecorder::ReadState(Reader);
    }

    int64_t count = 0;
    bool flag = false;
    TShape shape = shCircle;
    TOptions options{opBold};
    double ratio = 0;
    AnsiString caption;
    AnsiString section = "Common";
    std::unique_ptr<TPen2> pen;
    TWidget *link = nullptr;
    int secret = 0;
    std::string blob;
    TComponentState stateDuringRead;
    TComponent *parentDuringRead = nullptr;
};

// A container whose items are written as its children and owned by it; an
// item read back joins the list of the container that is its parent.
class TBox;
class TItem : public TRecorder {
    RBK_CLASS(TItem, TRecorder)
public:
    explicit TItem(TComponent *AOwner) : TRecorder(AOwner) {}
    AnsiString Text() const { return text; }
    void SetText(const AnsiString &v) { text = v; }
    static void PublishProperties(TPropList &list)
    {
        TPropertyTable<TItem> p(list);
        p.String("Text", &TItem::Text, &TItem::SetText);
    }
    void ReadState(TReader &Reader) override;
    AnsiString text;
};

class TBox : public TRecorder {
    RBK_CLASS(TBox, TRecorder)
public:
    explicit TBox(TComponent *AOwner) : TRecorder(AOwner) {}
    void GetChildren(const TGetChildProc &Proc, TComponent *) override
    {
        for (TItem *i : items)
            Proc(i);
    }
    TComponent *GetChildOwner() override { return this; }
    std::vector<TItem *> items;
};

void TItem::ReadState(TReader &Reader)
{
    TRecorder::ReadState(Reader);
    if (auto *box = dynamic_cast<TBox *>(Reader.Parent()))
        box->items.push_back(this);
}

// The root of a streamed tree: its owned components are its children.
class TRoot : public TDataModule {
    RBK_CLASS(TRoot, TDataModule)
public:
    explicit TRoot(TComponent *AOwner) : TDataModule(AOwner) {}
    void Loaded() override
    {
        TDataModule::Loaded();
        g_log.push_back("loaded:" + Name());
    }
};

void registerTestClasses()
{
    RegisterClasses({TRecorder::StaticClass(), TOther::StaticClass(), TWidget::StaticClass(), TItem::StaticClass(),
                     TBox::StaticClass(), TRoot::StaticClass()});
}

std::string bytesOf(TMemoryStream &ms) { return std::string(reinterpret_cast<const char *>(ms.Memory()), ms.Bytes().size()); }

bool contains(const std::vector<std::string> &log, const std::string &entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

class ComponentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        registerTestClasses();
    }
};

// --------------------------------------------------------------- ownership

TEST_F(ComponentsTest, OwnerListsAndFreesItsComponentsLastFirst)
{
    auto *owner = new TRecorder(nullptr);
    owner->SetName("Owner");
    auto *a = new TRecorder(owner);
    a->SetName("A");
    auto *b = new TRecorder(owner);
    b->SetName("B");
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(0), a);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(a->Owner(), owner);
    EXPECT_THROW(owner->Components(2), EListError);
    EXPECT_THROW(owner->Components(-1), EListError);
    EXPECT_EQ(owner->FindComponent("b"), b);
    EXPECT_EQ(owner->FindComponent("C"), nullptr);

    g_log.clear();
    owner->Free();
    // Owned components go quietly, last first, before the owner itself.
    std::vector<std::string> destroys;
    for (auto &e : g_log)
        if (e.rfind("destroy:", 0) == 0)
            destroys.push_back(e);
    EXPECT_EQ(destroys, (std::vector<std::string>{"destroy:Owner", "destroy:B", "destroy:A"}));
}

TEST_F(ComponentsTest, NamesAreIdentifiersUniqueWithinTheOwner)
{
    TRecorder owner(nullptr);
    auto *a = new TRecorder(&owner);
    a->SetName("Button1");
    auto *b = new TRecorder(&owner);
    EXPECT_THROW(b->SetName("BUTTON1"), EComponentError);
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_THROW(b->SetName("a b"), EComponentError);
    b->SetName("_b2");
    EXPECT_EQ(b->Name(), "_b2");
    a->SetName("button1"); // renaming itself in another case is fine
    EXPECT_EQ(a->Name(), "button1");
    b->SetName("");
    EXPECT_EQ(b->Name(), "");

    // Moving a component into an owner that has its name is refused.
    TRecorder other(nullptr);
    auto *c = new TRecorder(&other);
    c->SetName("Button1");
    EXPECT_THROW(owner.InsertComponent(c), EComponentError);
    EXPECT_EQ(c->Owner(), &other);
}

TEST_F(ComponentsTest, InsertComponentMovesFromThePreviousOwner)
{
    TRecorder first(nullptr), second(nullptr);
    auto *c = new TRecorder(&first);
    second.InsertComponent(c);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(second.ComponentCount(), 1);
    EXPECT_EQ(c->Owner(), &second);
    second.RemoveComponent(c);
    EXPECT_EQ(c->Owner(), nullptr);
    c->Free();
}

// ------------------------------------------------------------ notification

TEST_F(ComponentsTest, InsertionAndRemovalReachEveryComponentOfTheOwner)
{
    TRecorder form(nullptr);
    form.SetName("Form");
    auto *a = new TRecorder(&form);
    a->SetName("A");
    g_log.clear();
    auto *b = NewComponent<TOther>(&form);
    // The owner and its components hear of the insertion, with the whole class.
    EXPECT_TRUE(contains(g_log, "Form:ins:TOther"));
    EXPECT_TRUE(contains(g_log, "A:ins:TOther"));
    b->SetName("B");

    g_log.clear();
    b->Free();
    EXPECT_TRUE(contains(g_log, "Form:rem:B"));
    EXPECT_TRUE(contains(g_log, "A:rem:B"));
    EXPECT_EQ(form.ComponentCount(), 1);
}

TEST_F(ComponentsTest, FreeNotificationCrossesOwnersBothWays)
{
    auto *formA = new TRecorder(nullptr);
    auto *formB = new TRecorder(nullptr);
    auto *x = new TRecorder(formA);
    x->SetName("X");
    auto *y = new TRecorder(formB);
    y->SetName("Y");
    x->FreeNotification(y);
    EXPECT_TRUE(x->ComponentState().Contains(csFreeNotification));
    EXPECT_TRUE(y->ComponentState().Contains(csFreeNotification));

    g_log.clear();
    y->Free();
    EXPECT_TRUE(contains(g_log, "X:rem:Y"));

    // After RemoveFreeNotification nothing is sent.
    auto *z = new TRecorder(formB);
    z->SetName("Z");
    x->FreeNotification(z);
    x->RemoveFreeNotification(z);
    g_log.clear();
    z->Free();
    EXPECT_FALSE(contains(g_log, "X:rem:Z"));

    // Destroying the owner of a subscriber tells the other side.
    auto *w = new TRecorder(formB);
    w->SetName("W");
    w->FreeNotification(x);
    g_log.clear();
    formA->Free(); // destroys X
    EXPECT_TRUE(contains(g_log, "W:rem:X"));
    formB->Free();
}

TEST_F(ComponentsTest, DestroyingMarksTheWholeTreeBeforeAnythingGoes)
{
    struct TProbe : TComponent {
        TProbe(TComponent *o, bool *seen) : TComponent(o), owner_(o), seen_(seen) {}
        ~TProbe() override
        {
            // Removed from the owner before it goes, both marked destroying.
            *seen_ = Owner() == nullptr && ComponentState().Contains(csDestroying) &&
                     owner_->ComponentState().Contains(csDestroying);
        }
        TComponent *owner_;
        bool *seen_;
    };
    bool seen = false;
    auto *owner = new TRecorder(nullptr);
    new TProbe(owner, &seen);
    owner->Free();
    EXPECT_TRUE(seen);
}

TEST_F(ComponentsTest, DesigningSpreadsToInsertedComponents)
{
    TRecorder form(nullptr);
    form.SetDesigning(true);
    auto *c = new TRecorder(&form);
    EXPECT_TRUE(c->ComponentState().Contains(csDesigning));
}

// ------------------------------------------------------ classes and registry

TEST_F(ComponentsTest, ClassInformationAndVirtualConstruction)
{
    EXPECT_EQ(TOther::StaticClass()->ClassName(), "TOther");
    EXPECT_EQ(TOther::StaticClass()->ClassParent(), TRecorder::StaticClass());
    EXPECT_TRUE(TOther::StaticClass()->InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TRecorder::StaticClass()->InheritsFrom(TOther::StaticClass()));

    TRecorder owner(nullptr);
    TComponentClass cls = FindClass("tother");
    TComponent *c = CreateComponent(cls, &owner);
    EXPECT_EQ(c->ClassName(), "TOther");
    EXPECT_NE(dynamic_cast<TOther *>(c), nullptr);
    EXPECT_EQ(c->Owner(), &owner);
    EXPECT_TRUE(c->InheritsFrom(TRecorder::StaticClass()));
    EXPECT_TRUE(c->ClassNameIs("TOTHER"));

    EXPECT_EQ(TAbstractThing::StaticClass()->Factory, nullptr);
    EXPECT_THROW(CreateComponent(TAbstractThing::StaticClass(), nullptr), Exception);
    EXPECT_THROW(CreateComponent(TPen2::StaticClass(), nullptr), EComponentError);
}

TEST_F(ComponentsTest, RegistryFindsByNameAndRefusesADifferentClassOfTheSameName)
{
    EXPECT_EQ(GetClass("TWidget"), TWidget::StaticClass());
    EXPECT_EQ(GetClass("NoSuchClass"), nullptr);
    EXPECT_THROW(FindClass("NoSuchClass"), EClassNotFound);
    try {
        FindClass("NoSuchClass");
    } catch (const EClassNotFound &e) {
        EXPECT_EQ(e.Message, "Class NoSuchClass not found");
    }
    RegisterClass(TWidget::StaticClass()); // again: no effect

    static const TClassInfo impostor{"TWidget", TComponent::StaticClass(), nullptr, nullptr};
    EXPECT_THROW(RegisterClass(&impostor), Exception);
    UnRegisterClass(TOther::StaticClass());
    EXPECT_EQ(GetClass("TOther"), nullptr);
    RegisterClass(TOther::StaticClass());
}

TEST_F(ComponentsTest, AssignWithoutSupportRaisesTheConversionError)
{
    TPen2 pen;
    TRecorder rec(nullptr);
    try {
        pen.Assign(&rec);
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message, "Cannot assign a TRecorder to a TPen2");
    }
    try {
        rec.Assign(nullptr);
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message, "Cannot assign a nil to a TRecorder");
    }
    TPen2 other;
    other.width = 7;
    other.dashes = {1, 2};
    pen.Assign(&other);
    EXPECT_EQ(pen.width, 7);
    EXPECT_EQ(pen.dashes, (std::vector<int>{1, 2}));
}

TEST_F(ComponentsTest, PropertyTablesListInheritedPropertiesFirst)
{
    const TPropList &props = TWidget::StaticClass()->Properties();
    ASSERT_GE(props.size(), 2u);
    EXPECT_EQ(props[0].Name, "Tag");
    EXPECT_EQ(props[1].Name, "Count");
    const TPropInfo *shape = GetPropInfo(TWidget::StaticClass(), "shape");
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->Kind, TTypeKind::tkEnumeration);
    EXPECT_TRUE(GetPropInfo(TWidget::StaticClass(), "ReadOnlyValue")->IsReadOnly());
    EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), "Nope"), nullptr);
    EXPECT_EQ(GetEnumName(ShapeInfo, 2), "shTriangle");
    EXPECT_EQ(GetEnumName(ShapeInfo, 3), "");
    EXPECT_EQ(GetEnumValue(ShapeInfo, "SHSQUARE"), 1);
    EXPECT_EQ(GetEnumValue(ShapeInfo, "shHexagon"), -1);
}

// ---------------------------------------------------------- method pointers

struct TTarget : TObject {
    int calls = 0;
    TObject *last = nullptr;
    void Handler(TObject *s)
    {
        ++calls;
        last = s;
    }
    void Other(TObject *) { calls += 100; }
    virtual void Virt(TObject *) { calls += 10; }
};
struct TDerivedTarget : TTarget {
    void Virt(TObject *) override { calls += 1000; }
};

TEST_F(ComponentsTest, MethodPointersCompareByCodeAndObject)
{
    TTarget t1, t2;
    TNotifyEvent a = TNotifyEvent::Bind<&TTarget::Handler>(&t1);
    TNotifyEvent b = TNotifyEvent::Bind<&TTarget::Handler>(&t1);
    TNotifyEvent c = TNotifyEvent::Bind<&TTarget::Handler>(&t2);
    TNotifyEvent d = TNotifyEvent::Bind<&TTarget::Other>(&t1);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_FALSE(a == d);
    a(&t2);
    EXPECT_EQ(t1.calls, 1);
    EXPECT_EQ(t1.last, &t2);

    TDerivedTarget dt;
    TNotifyEvent v = TNotifyEvent::Bind<&TTarget::Virt>(&dt);
    v(nullptr);
    EXPECT_EQ(dt.calls, 1000);
    EXPECT_TRUE(v == TNotifyEvent::Bind<&TTarget::Virt>(static_cast<TTarget *>(&dt)));

    TNotifyEvent none;
    EXPECT_FALSE(none.Assigned());
    EXPECT_TRUE(none == nullptr);
    EXPECT_THROW(none(nullptr), Exception);
    a.Clear();
    EXPECT_FALSE(a.Assigned());

    int hits = 0;
    TNotifyEvent f = TNotifyEvent::FromFunction([&hits](TObject *) { ++hits; });
    TNotifyEvent g = f;
    TNotifyEvent h = TNotifyEvent::FromFunction([&hits](TObject *) { ++hits; });
    EXPECT_TRUE(f == g);
    EXPECT_FALSE(f == h);
    g(nullptr);
    EXPECT_EQ(hits, 1);
}

TEST_F(ComponentsTest, SetsIncludeExcludeAndCombine)
{
    TOptions s{opBold, opTall};
    EXPECT_TRUE(s.Contains(opTall));
    EXPECT_FALSE(s.Contains(opWide));
    s.Include(opDark).Exclude(opBold);
    EXPECT_EQ(s.Bits(), 0b1100u);
    EXPECT_EQ((s * TOptions{opDark, opWide}), TOptions{opDark});
    EXPECT_EQ((s + TOptions{opBold}) - TOptions{opTall}, (TOptions{opBold, opDark}));
    EXPECT_TRUE(TOptions().Empty());
}

// --------------------------------------------------------------- streaming

// A tree: root with a widget (all property kinds, nested object with defined
// list data, binary data, a reference), a second widget, and a box with two
// items owned by the box.
TRoot *buildTree()
{
    auto *root = new TRoot(nullptr);
    root->SetName("Root");
    auto *w = new TWidget(root);
    w->SetName("W1");
    w->count = 5000000000LL;
    w->flag = true;
    w->shape = shTriangle;
    w->options = TOptions{opWide, opDark};
    w->ratio = -2.75;
    w->caption = std::string("Za\xBF\xF3\xB3\xE6 \0x", 9); // CP1250 bytes and a NUL
    w->section = "";
    w->pen->width = 3;
    w->pen->dashes = {4, -300, 70000};
    w->blob = std::string("\x00\x01\xFF binary", 10);
    w->secret = 42;
    w->SetTag(-7);
    w->SetDesignInfo((20 << 16) | 10);
    auto *w2 = new TWidget(root);
    w2->SetName("W2");
    w->link = w2;
    w2->link = w; // backward reference
    auto *box = new TBox(root);
    box->SetName("Box");
    for (const char *t : {"one", "two"}) {
        auto *item = new TItem(box);
        item->SetName(std::string("Item_") + t);
        item->text = t;
        box->items.push_back(item);
    }
    return root;
}

TEST_F(ComponentsTest, RoundTripRestoresEveryPropertyKindChildrenAndReferences)
{
    std::unique_ptr<TRoot, void (*)(TRoot *)> original(buildTree(), [](TRoot *r) { r->Free(); });
    TMemoryStream ms;
    WriteComponent(ms, original.get());
    ms.SetPosition(0);

    g_log.clear();
    TComponent *read = ReadComponent(ms);
    ASSERT_NE(read, nullptr);
    std::unique_ptr<TComponent, void (*)(TComponent *)> guard(read, [](TComponent *c) { c->Free(); });
    EXPECT_EQ(ms.Position(), ms.Size());
    ASSERT_EQ(read->ClassName(), "TRoot");
    EXPECT_EQ(read->Name(), "Root");
    ASSERT_EQ(read->ComponentCount(), 3);

    auto *w = dynamic_cast<TWidget *>(read->FindComponent("W1"));
    auto *w2 = dynamic_cast<TWidget *>(read->FindComponent("W2"));
    ASSERT_NE(w, nullptr);
    ASSERT_NE(w2, nullptr);
    EXPECT_EQ(w->count, 5000000000LL);
    EXPECT_TRUE(w->flag);
    EXPECT_EQ(w->shape, shTriangle);
    EXPECT_EQ(w->options, (TOptions{opWide, opDark}));
    EXPECT_EQ(w->ratio, -2.75);
    EXPECT_EQ(w->caption, std::string("Za\xBF\xF3\xB3\xE6 \0x", 9));
    EXPECT_EQ(w->section, "");
    EXPECT_EQ(w->pen->width, 3);
    EXPECT_EQ(w->pen->dashes, (std::vector<int>{4, -300, 70000}));
    EXPECT_EQ(w->blob, std::string("\x00\x01\xFF binary", 10));
    EXPECT_EQ(w->secret, 0) << "a property that is not stored is not written";
    EXPECT_EQ(w->Tag(), -7);
    EXPECT_EQ(w->DesignInfo(), (20 << 16) | 10);
    EXPECT_EQ(w->link, w2);
    EXPECT_EQ(w2->link, w);
    EXPECT_EQ(w2->section, "Common");

    auto *box = dynamic_cast<TBox *>(read->FindComponent("Box"));
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->items.size(), 2u);
    EXPECT_EQ(box->items[0]->text, "one");
    EXPECT_EQ(box->items[1]->text, "two");
    EXPECT_EQ(box->items[0]->Owner(), box) << "GetChildOwner decides the owner of read children";
    EXPECT_EQ(box->ComponentCount(), 2);

    // Reading state: loading and reading while ReadState runs, the reader's
    // parent is the component whose children are read; all done afterwards.
    EXPECT_TRUE(w->stateDuringRead.Contains(csLoading));
    EXPECT_TRUE(w->stateDuringRead.Contains(csReading));
    EXPECT_EQ(w->parentDuringRead, read);
    for (TComponent *c : {static_cast<TComponent *>(w), static_cast<TComponent *>(box), static_cast<TComponent *>(box->items[1])}) {
        EXPECT_FALSE(c->ComponentState().Contains(csLoading));
        EXPECT_FALSE(c->ComponentState().Contains(csReading));
    }
    // Loaded: once each, the root first, then in reading order.
    std::vector<std::string> loaded;
    for (auto &e : g_log)
        if (e.rfind("loaded:", 0) == 0)
            loaded.push_back(e);
    EXPECT_EQ(loaded, (std::vector<std::string>{"loaded:Root", "loaded:W1", "loaded:W2", "loaded:Box", "loaded:Item_one",
                                                "loaded:Item_two"}));

    // Writing the read tree again gives the same bytes.
    TMemoryStream again;
    WriteComponent(again, read);
    EXPECT_EQ(bytesOf(again), bytesOf(ms));
}

TEST_F(ComponentsTest, DefaultsAreLeftOutAndTheFormatIsDocumented)
{
    TRoot root(nullptr);
    auto *w = new TWidget(&root);
    w->SetName("W");
    w->ratio = 1.5;
    TMemoryStream ms;
    WriteComponent(ms, &root);
    const std::string bytes = bytesOf(ms);
    // Signature and version; root record with empty name.
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(bytes.substr(0, 5), std::string("RBKC\x01", 5));
    EXPECT_EQ(bytes.substr(5, 7), std::string("\x05TRoot\x00", 7));
    // Only the property without default and the changed one are written.
    EXPECT_EQ(bytes.find("Count"), std::string::npos);
    EXPECT_EQ(bytes.find("Section"), std::string::npos);
    EXPECT_EQ(bytes.find("Caption"), std::string::npos);
    EXPECT_EQ(bytes.find("Pen.Width"), std::string::npos);
    EXPECT_EQ(bytes.find("Left"), std::string::npos);
    EXPECT_EQ(bytes.find("ReadOnlyValue"), std::string::npos);
    EXPECT_EQ(bytes.find("Secret"), std::string::npos);
    // The whole record of the widget: class, name, Ratio as a double,
    // end of properties, end of children.
    std::string ratio("\x05Ratio\x06", 7);
    const double v = 1.5;
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i)
        ratio += static_cast<char>(u >> (8 * i));
    const std::string record = std::string("\x07TWidget\x01W", 10) + ratio + std::string("\x00\x00", 2);
    EXPECT_NE(bytes.find(record), std::string::npos);
}

TEST_F(ComponentsTest, WriteDescendentLeavesOutWhatTheAncestorHas)
{
    TRoot anc(nullptr), desc(nullptr);
    for (TRoot *r : {&anc, &desc}) {
        auto *w = new TWidget(r);
        w->SetName("W");
        w->caption = "same";
        w->SetDesignInfo(5);
        w->pen->width = 9;
    }
    auto *dw = dynamic_cast<TWidget *>(desc.FindComponent("W"));
    dw->count = 3;
    dw->SetDesignInfo(5 | (6 << 16)); // Left unchanged, Top changed
    TMemoryStream ms;
    TWriter writer(ms);
    writer.WriteDescendent(&desc, &anc);
    const std::string bytes = bytesOf(ms);
    EXPECT_EQ(bytes.find("Caption"), std::string::npos);
    EXPECT_EQ(bytes.find("Pen.Width"), std::string::npos);
    EXPECT_EQ(bytes.find("Left"), std::string::npos);
    EXPECT_NE(bytes.find("Top"), std::string::npos);
    EXPECT_NE(bytes.find("Count"), std::string::npos);
}

TEST_F(ComponentsTest, ReadingIntoAnExistingRootAndPersistentStreams)
{
    std::unique_ptr<TRoot, void (*)(TRoot *)> original(buildTree(), [](TRoot *r) { r->Free(); });
    TMemoryStream ms;
    WriteComponent(ms, original.get());
    ms.SetPosition(0);
    TRoot target(nullptr);
    EXPECT_EQ(ReadComponent(ms, &target), &target);
    EXPECT_EQ(target.Name(), "Root");
    EXPECT_EQ(target.ComponentCount(), 3);

    TPen2 pen;
    pen.width = 12;
    pen.dashes = {1};
    TMemoryStream ps;
    WritePersistent(ps, &pen);
    ps.SetPosition(0);
    TPen2 back;
    ReadPersistent(ps, &back);
    EXPECT_EQ(back.width, 12);
    EXPECT_EQ(back.dashes, (std::vector<int>{1}));
    ps.SetPosition(0);
    TRecorder wrong(nullptr);
    EXPECT_THROW(ReadPersistent(ps, &wrong), EReadError);
}

TEST_F(ComponentsTest, ReaderValuePrimitivesCheckTheirKind)
{
    TMemoryStream ms;
    {
        TWriter w(ms);
        w.WriteInteger(-1);
        w.WriteInteger(300);
        w.WriteInteger(-70000);
        w.WriteInteger(int64_t(1) << 40);
        w.WriteString("abc");
        w.WriteIdent("clRed");
        w.WriteBoolean(true);
        w.WriteFloat(0.1);
        w.WriteSet(OptionInfo, TOptions{opBold, opDark}.Bits());
        w.WriteListBegin();
        w.WriteInteger(1);
        w.WriteListEnd();
    }
    ms.SetPosition(0);
    TReader r(ms);
    EXPECT_EQ(r.ReadInteger(), -1);
    EXPECT_EQ(r.ReadInteger(), 300);
    EXPECT_EQ(r.ReadInteger(), -70000);
    EXPECT_THROW(r.ReadInteger(), EReadError) << "a 64-bit value is no 32-bit integer";
    ms.SetPosition(0);
    TReader r2(ms);
    for (int i = 0; i < 3; ++i)
        r2.SkipValue();
    EXPECT_EQ(r2.ReadInt64(), int64_t(1) << 40);
    EXPECT_THROW(r2.ReadInteger(), EReadError) << "a string is no integer";
}

// ----------------------------------------------------------- broken input

std::string validStream()
{
    std::unique_ptr<TRoot, void (*)(TRoot *)> original(buildTree(), [](TRoot *r) { r->Free(); });
    TMemoryStream ms;
    WriteComponent(ms, original.get());
    return bytesOf(ms);
}

TComponent *readBytes(const std::string &bytes)
{
    TMemoryStream ms;
    if (!bytes.empty())
        ms.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    ms.SetPosition(0);
    return ReadComponent(ms);
}

TEST_F(ComponentsTest, EveryTruncationIsAReadError)
{
    const std::string bytes = validStream();
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(readBytes(bytes.substr(0, n)), EReadError) << "length " << n;
}

TEST_F(ComponentsTest, DamagedBytesAreRejectedOrReadWithoutHarm)
{
    const std::string bytes = validStream();
    const int before = TRecorder::live;
    int rejected = 0, read = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        for (unsigned char x : {0x01, 0x80, 0xFF}) {
            SCOPED_TRACE(testing::Message() << "byte " << i << " ^ " << int(x));
            std::string damaged = bytes;
            damaged[i] = static_cast<char>(damaged[i] ^ x);
            try {
                TComponent *c = readBytes(damaged);
                ++read;
                // What was read is a whole tree: it streams out and back to
                // the same bytes.
                TMemoryStream again;
                WriteComponent(again, c);
                const std::string written = bytesOf(again);
                c->Free();
                TComponent *copy = readBytes(written);
                TMemoryStream third;
                WriteComponent(third, copy);
                copy->Free();
                EXPECT_EQ(bytesOf(third), written);
            } catch (const Exception &) {
                // Rejected (anything else escapes the test).
                ++rejected;
            }
            EXPECT_EQ(TRecorder::live, before) << "components left behind";
            TRecorder::live = before;
        }
    EXPECT_GT(rejected, 0);
    EXPECT_GT(read, 0);
}

std::string n8(const std::string &s) { return std::string(1, static_cast<char>(s.size())) + s; }

TEST_F(ComponentsTest, MalformedStreamsGiveReadErrors)
{
    const std::string sig("RBKC\x01", 5);
    const std::string Z(1, '\0');
    const std::string root = sig + n8("TRoot") + n8("");
    auto expectReadError = [](const std::string &b, const char *what) {
        EXPECT_THROW(readBytes(b), EReadError) << what;
    };
    expectReadError("XXXX\x01", "signature");
    expectReadError(std::string("RBKC\x02", 5), "version");
    EXPECT_THROW(readBytes(sig + n8("TNope") + n8("") + Z + Z), EClassNotFound);
    expectReadError(sig + n8("TPen2") + n8("") + Z + Z, "no component class");
    expectReadError(root + n8("Nope") + "\x02\x01" + Z + Z, "unknown property");
    expectReadError(root + n8("Tag") + "\x07" + std::string("\x01\x00\x00\x00", 4) + "x" + Z + Z, "string for integer");
    expectReadError(root + n8("Tag") + "\x0E" + Z + Z, "unknown value tag");
    expectReadError(root + Z + n8("TWidget") + n8("W") + n8("Caption") + "\x07\xFF\xFF\xFF\x7F", "huge length");
    expectReadError(root + Z + n8("TWidget") + n8("W") + n8("Shape") + "\x08" + n8("shOval") + Z + Z + Z, "unknown enum");
    const std::string child = n8("TWidget") + n8("W") + Z + Z;
    expectReadError(root + Z + child + child + Z, "duplicate name");
    expectReadError(root + Z + n8("TWidget") + n8("1W") + Z + Z + Z, "invalid name");
    expectReadError(root + Z + n8("TWidget") + n8("W") + n8("Pen") + "\x02\x01" + Z + Z + Z, "object value");
    expectReadError(root + Z + n8("TWidget") + n8("W") + n8("Pen.Nope") + "\x02\x01" + Z + Z + Z, "unknown nested property");
    expectReadError(root + Z + n8("TWidget") + n8("W") + n8("Blob") + "\x02\x01" + Z + Z + Z, "integer for binary");
    // The same records, well formed, are read.
    TComponent *ok = readBytes(root + Z + n8("TWidget") + n8("W") + n8("Shape") + "\x08" + n8("shSquare") + Z + Z + Z);
    EXPECT_EQ(dynamic_cast<TWidget *>(ok->FindComponent("W"))->shape, shSquare);
    ok->Free();
}

TEST_F(ComponentsTest, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    // Boxes inside boxes, deeper than the reader allows.
    std::string s("RBKC\x01", 5);
    s += std::string("\x04TBox\x00\x00", 7);
    for (int i = 0; i < 200; ++i)
        s += std::string("\x04TBox\x00\x00", 7);
    s += std::string(201, '\x00');
    EXPECT_THROW(readBytes(s), EReadError);

    // Nested lists in a skipped value.
    std::string list;
    for (int i = 0; i < 1000; ++i)
        list += '\x01';
    TMemoryStream ms;
    ms.WriteBuffer(list.data(), static_cast<int32_t>(list.size()));
    ms.SetPosition(0);
    TReader r(ms);
    EXPECT_THROW(r.SkipValue(), EReadError);
}

TEST_F(ComponentsTest, AFailingChildIsFreedAndTheRootIsLeftClean)
{
    std::string bytes = validStream();
    // Cut the stream inside the box's second item: the item, the box being
    // read around it and a root created by the reader are freed (ASan reports
    // leaks); a given root keeps the components read before.
    const size_t pos = bytes.find("Item_two");
    ASSERT_NE(pos, std::string::npos);
    const std::string cut = bytes.substr(0, pos + 12);
    const int before = TRecorder::live;
    EXPECT_THROW(readBytes(cut), EReadError);
    EXPECT_EQ(TRecorder::live, before) << "the components read before the failure are freed";

    TMemoryStream ms;
    ms.WriteBuffer(cut.data(), static_cast<int32_t>(cut.size()));
    ms.SetPosition(0);
    TRoot target(nullptr);
    g_log.clear();
    EXPECT_THROW(ReadComponent(ms, &target), EReadError);
    EXPECT_EQ(target.FindComponent("Box"), nullptr);
    ASSERT_EQ(target.ComponentCount(), 2);
    EXPECT_FALSE(target.ComponentState().Contains(csLoading));
    EXPECT_FALSE(target.Components(0)->ComponentState().Contains(csLoading));
    EXPECT_FALSE(contains(g_log, "loaded:W1")) << "Loaded is for complete reads only";
    EXPECT_TRUE(contains(g_log, "destroy:Item_one"));
}

} // namespace
