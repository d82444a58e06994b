// Base controller and resource containers: client notification, the item
// record and container stream to the byte, container files (signature,
// probing, loading by index), children in a window description, and broken
// input from disk.
#include "kcl/KCLCustomContainer.h"

#include "KCLTestSupport.h"
#include "TestSupport.h"
#include "kcl/KCLStreamUtils.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// An item whose payload is one short string.
class TTestItem : public TKCLListItem {
    RBK_CLASS(TTestItem, TKCLListItem)
public:
    explicit TTestItem(TComponent *AOwner) : TKCLListItem(AOwner) {}
    AnsiString Data;
    bool IsEmpty() const override { return Data.empty(); }
    uint8_t GetFlags() const override { return TKCLListItem::GetFlags() | (IsEmpty() ? 0 : KCLItemHasData); }
    void SaveToStream(TStream &s) override
    {
        WriteHeader(s);
        if (!IsEmpty())
            KCLWriteShortString(s, Data);
    }
    void LoadFromStream(TStream &s) override
    {
        const uint8_t flags = ReadHeader(s);
        Data = (flags & KCLItemHasData) ? KCLReadShortString(s) : AnsiString();
    }
    void Assign(TPersistent *Source) override
    {
        if (auto *i = dynamic_cast<TTestItem *>(Source)) {
            AssignHeader(*i);
            Data = i->Data;
            return;
        }
        TKCLListItem::Assign(Source);
    }
    void DefineProperties(TFiler &Filer) override
    {
        TKCLListItem::DefineProperties(Filer);
        Filer.DefineBinaryProperty(
            "Internal", [this](TStream &s) { LoadFromStream(s); }, [this](TStream &s) { SaveToStream(s); }, true);
    }
};

class TTestContainer : public TKCLCustomContainer {
    RBK_CLASS(TTestContainer, TKCLCustomContainer)
public:
    explicit TTestContainer(TComponent *AOwner) : TKCLCustomContainer(AOwner)
    {
        SetItemClass(TTestItem::StaticClass());
        SetListKind(KCLListString);
        RegisterClass(TTestItem::StaticClass());
    }
};

class TOtherContainer : public TKCLCustomContainer {
    RBK_CLASS(TOtherContainer, TKCLCustomContainer)
public:
    explicit TOtherContainer(TComponent *AOwner) : TKCLCustomContainer(AOwner) { SetItemClass(TTestItem::StaticClass()); }
};

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(TMemoryStream &s) { return s.Bytes(); }

void put32(Bytes &b, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

void putStr(Bytes &b, const std::string &s)
{
    b.push_back(uint8_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

TMemoryStream streamOf(const Bytes &b)
{
    TMemoryStream s;
    if (!b.empty())
        s.WriteBuffer(b.data(), int32_t(b.size()));
    s.SetPosition(0);
    return s;
}

TTestItem *add(TKCLCustomContainer &c, const AnsiString &data, const AnsiString &desc = "", uint16_t ident = 0,
               bool compressed = false)
{
    auto *item = static_cast<TTestItem *>(c.Item(c.AddItem(nullptr)));
    item->Data = data;
    item->SetDescription(desc);
    item->SetIdent(ident);
    item->SetCompressed(compressed);
    return item;
}

// Two items: "ab" with description "D" and identifier 7; an empty one.
Bytes twoItemRecords(int32_t base, std::vector<int32_t> *positions)
{
    Bytes b;
    if (positions)
        positions->push_back(base + int32_t(b.size()));
    b.push_back(KCLItemHasDescription | KCLItemHasIdent | KCLItemHasData);
    putStr(b, "D");
    put32(b, 7);
    putStr(b, "ab");
    if (positions)
        positions->push_back(base + int32_t(b.size()));
    b.push_back(KCLItemCompressed);
    return b;
}

} // namespace

// ------------------------------------------------------------ controller

TEST(KCLBaseController, ChangeTellsOnChangeThenClientsInOrderUnlessUpdatingOrLoading)
{
    TKCLBaseController ctl(nullptr);
    std::vector<std::string> log;
    ctl.OnChange = TNotifyEvent::FromFunction([&](TObject *) { log.push_back("ctl"); });
    TKCLClientLink a, b;
    a.OnChange = TNotifyEvent::FromFunction([&](TObject *s) { log.push_back(s == &ctl ? "a" : "a?"); });
    b.OnChange = TNotifyEvent::FromFunction([&](TObject *) { log.push_back("b"); });
    a.SetController(&ctl);
    b.SetController(&ctl);
    EXPECT_FALSE(ctl.ComponentStyle().Contains(csInheritable));

    ctl.Change();
    EXPECT_EQ(log, (std::vector<std::string>{"ctl", "a", "b"}));

    log.clear();
    ctl.BeginUpdate();
    ctl.Change();
    ctl.SetComponentStateFlag(csLoading, true);
    ctl.EndUpdate(true);
    EXPECT_TRUE(log.empty());
    ctl.SetComponentStateFlag(csLoading, false);

    // A client that unlinks itself while told does not upset the others.
    a.OnChange = TNotifyEvent::FromFunction([&](TObject *) { a.SetController(nullptr); log.push_back("a"); });
    ctl.Change();
    EXPECT_EQ(log, (std::vector<std::string>{"ctl", "a", "b"}));
    EXPECT_EQ(ctl.ClientCount(), 1);
}

TEST(KCLBaseController, LinksAndControllerForgetEachOther)
{
    TKCLClientLink kept;
    {
        auto *ctl = new TKCLBaseController(nullptr);
        TKCLBaseController other(nullptr);
        {
            TKCLClientLink gone;
            gone.SetController(ctl);
            kept.SetController(ctl);
            EXPECT_EQ(ctl->ClientCount(), 2);
        }
        EXPECT_EQ(ctl->ClientCount(), 1);
        kept.SetController(&other);
        EXPECT_EQ(ctl->ClientCount(), 0);
        EXPECT_EQ(other.ClientCount(), 1);
        other.RemoveClient(&kept);
        other.RemoveClient(&kept); // not in the list: nothing
        EXPECT_EQ(kept.Controller(), nullptr);
        kept.SetController(ctl);
        ctl->Free();
        EXPECT_EQ(kept.Controller(), nullptr);
    }
}

// ------------------------------------------------------------ item list

TEST(KCLCustomContainer, ItemListOperationsNotifyOnceEach)
{
    TTestContainer c(nullptr);
    Counter changes;
    c.OnChange = changes.Handler();
    add(c, "x");
    add(c, "y");
    EXPECT_EQ(changes.calls, 2);
    EXPECT_EQ(c.Count(), 2);
    EXPECT_FALSE(c.IsEmpty());
    EXPECT_EQ(c.Item(1)->Owner(), &c);
    EXPECT_THROW(c.Item(2), EListError);
    EXPECT_THROW(c.Item(-1), EListError);

    // Adding an item already in the list does not list it twice.
    EXPECT_EQ(c.AddItem(c.Item(0)), 0);
    EXPECT_EQ(c.Count(), 2);

    // An item freed on its own leaves the list.
    c.Item(0)->Free();
    ASSERT_EQ(c.Count(), 1);
    EXPECT_EQ(static_cast<TTestItem *>(c.Item(0))->Data, "y");

    changes.calls = 0;
    c.ClearItems();
    EXPECT_EQ(changes.calls, 1);
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.ComponentCount(), 0);
}

TEST(KCLCustomContainer, ItemChangeReachesContainerEvenWhileUpdating)
{
    TTestContainer c(nullptr);
    TTestItem *item = add(c, "x");
    Counter own, container;
    item->OnChange = own.Handler();
    c.OnChange = container.Handler();
    c.BeginUpdate();
    item->Change();
    EXPECT_EQ(own.calls, 1);
    EXPECT_EQ(container.calls, 1);
    EXPECT_EQ(container.sender, item);
    // The item's own update state holds back its own event only.
    item->BeginUpdate();
    item->Change();
    EXPECT_EQ(own.calls, 1);
    EXPECT_EQ(container.calls, 2);
}

TEST(KCLCustomContainer, AssignCopiesRelatedContainersOnly)
{
    TTestContainer src(nullptr), dst(nullptr);
    add(src, "a", "first", 3, true);
    add(src, "b");
    src.SetDefaultCompressed(true);
    add(dst, "old");
    Counter changes;
    dst.OnChange = changes.Handler();
    dst.Assign(&src);
    EXPECT_EQ(changes.calls, 1);
    ASSERT_EQ(dst.Count(), 2);
    EXPECT_TRUE(dst.DefaultCompressed());
    auto *first = static_cast<TTestItem *>(dst.Item(0));
    EXPECT_NE(first, src.Item(0));
    EXPECT_EQ(first->Data, "a");
    EXPECT_EQ(first->Description(), "first");
    EXPECT_EQ(first->Ident(), 3);
    EXPECT_TRUE(first->Compressed());

    // The base class is related to both; a sibling class is not.
    TKCLCustomContainer base(nullptr);
    EXPECT_NO_THROW(base.Assign(&base));
    TOtherContainer other(nullptr);
    EXPECT_THROW(dst.Assign(&other), EConvertError);
    EXPECT_EQ(dst.Count(), 2);
}

// ------------------------------------------------------------ stream layout

TEST(KCLCustomContainer, EmptyContainerWritesTheCountAlone)
{
    TTestContainer c(nullptr);
    for (bool withIndex : {false, true}) {
        TMemoryStream s;
        c.SaveToStream(s, withIndex);
        EXPECT_EQ(bytesOf(s), (Bytes{0, 0, 0, 0}));
    }
}

TEST(KCLCustomContainer, StreamLayoutToTheByteWithAndWithoutPositions)
{
    TTestContainer c(nullptr);
    add(c, "ab", "D", 7);
    add(c, "", "", 0, true);

    Bytes plain;
    put32(plain, 2);
    const Bytes records = twoItemRecords(0, nullptr);
    plain.insert(plain.end(), records.begin(), records.end());
    TMemoryStream s1;
    c.SaveToStream(s1, false);
    EXPECT_EQ(bytesOf(s1), plain);

    // Positions are absolute: the stream here starts 3 bytes in.
    Bytes indexed{9, 9, 9};
    put32(indexed, 2);
    std::vector<int32_t> pos;
    const Bytes rec2 = twoItemRecords(3 + 4 + 8, &pos);
    for (int32_t p : pos)
        put32(indexed, p);
    indexed.insert(indexed.end(), rec2.begin(), rec2.end());
    TMemoryStream s2;
    s2.WriteBuffer(indexed.data(), 3);
    c.SaveToStream(s2, true);
    EXPECT_EQ(bytesOf(s2), indexed);
    EXPECT_EQ(s2.Position(), int64_t(indexed.size()));

    // Loading either form, told whether positions are present, gives the
    // same items and stops right after the last record.
    for (auto [bytes, withIndex, start] : {std::tuple{plain, false, 0}, std::tuple{indexed, true, 3}}) {
        TTestContainer d(nullptr);
        add(d, "stale");
        Bytes b = bytes;
        b.push_back(0xEE);
        TMemoryStream in = streamOf(b);
        in.SetPosition(start);
        d.LoadFromStream(in, withIndex);
        EXPECT_EQ(in.Position(), int64_t(b.size()) - 1);
        ASSERT_EQ(d.Count(), 2);
        auto *a = static_cast<TTestItem *>(d.Item(0));
        auto *e = static_cast<TTestItem *>(d.Item(1));
        EXPECT_EQ(a->Data, "ab");
        EXPECT_EQ(a->Description(), "D");
        EXPECT_EQ(a->Ident(), 7);
        EXPECT_FALSE(a->Compressed());
        EXPECT_TRUE(e->IsEmpty());
        EXPECT_TRUE(e->Compressed());
        EXPECT_EQ(e->Description(), "");
    }
}

TEST(KCLListItem, HeaderCutsLongDescriptionsAndKeepsLowIdentBits)
{
    TTestContainer c(nullptr);
    TTestItem *item = add(c, "", std::string(300, 'd'));
    TMemoryStream s;
    item->SaveToStream(s);
    ASSERT_EQ(s.Size(), 1 + 1 + 255);
    EXPECT_EQ(s.Bytes()[0], KCLItemHasDescription);
    EXPECT_EQ(s.Bytes()[1], 255);

    Bytes b{KCLItemHasIdent};
    put32(b, 0x12345);
    TMemoryStream in = streamOf(b);
    item->SetDescription("gone");
    item->SetCompressed(true);
    item->LoadFromStream(in);
    EXPECT_EQ(item->Ident(), 0x2345);
    EXPECT_EQ(item->Description(), "");
    EXPECT_FALSE(item->Compressed());
}

TEST(KCLCustomContainer, BrokenStreamsRaiseReadErrorsAndKeepWhatWasRead)
{
    auto load = [](const Bytes &b, bool withIndex, TTestContainer &c) {
        TMemoryStream s = streamOf(b);
        c.LoadFromStream(s, withIndex);
    };
    TTestContainer c(nullptr);
    Counter changes;
    c.OnChange = changes.Handler();

    Bytes negative;
    put32(negative, -1);
    EXPECT_THROW(load(negative, false, c), EReadError);

    // A count far beyond what the bytes could hold fails before anything is read.
    Bytes huge;
    put32(huge, 0x7FFFFFFF);
    huge.push_back(0);
    EXPECT_THROW(load(huge, false, c), EReadError);
    Bytes fewPositions;
    put32(fewPositions, 2);
    put32(fewPositions, 8);
    fewPositions.push_back(0);
    EXPECT_THROW(load(fewPositions, true, c), EReadError);
    EXPECT_TRUE(c.IsEmpty());

    // A record cut short: the first item stays, the update state is restored
    // and the change is told.
    Bytes cut;
    put32(cut, 2);
    cut.push_back(KCLItemHasData);
    putStr(cut, "ok");
    cut.push_back(KCLItemHasData);
    putStr(cut, "cut");
    cut.pop_back();
    changes.calls = 0;
    EXPECT_THROW(load(cut, false, c), EReadError);
    EXPECT_FALSE(c.IsUpdating());
    EXPECT_EQ(changes.calls, 1);
    ASSERT_EQ(c.Count(), 2);
    EXPECT_EQ(static_cast<TTestItem *>(c.Item(0))->Data, "ok");
}

// ------------------------------------------------------------ window description

TEST(KCLCustomContainer, ItemsTravelAsChildComponents)
{
    TTestContainer c(nullptr);
    add(c, "one", "first", 1);
    add(c, "two");
    TMemoryStream s;
    WriteComponent(s, &c);
    s.SetPosition(0);

    TTestContainer d(nullptr);
    Counter changes;
    d.OnChange = changes.Handler();
    ReadComponent(s, &d);
    ASSERT_EQ(d.Count(), 2);
    EXPECT_EQ(d.Item(0)->Owner(), &d);
    EXPECT_EQ(static_cast<TTestItem *>(d.Item(0))->Data, "one");
    EXPECT_EQ(d.Item(0)->Description(), "first");
    EXPECT_EQ(d.Item(0)->Ident(), 1);
    EXPECT_EQ(static_cast<TTestItem *>(d.Item(1))->Data, "two");
    EXPECT_EQ(changes.calls, 0); // loading holds back the notifications
}

// ------------------------------------------------------------ container files

namespace {

Bytes containerFile(const char *sig)
{
    Bytes f;
    putStr(f, sig);
    put32(f, 2);
    std::vector<int32_t> pos;
    const Bytes rec = twoItemRecords(9 + 4 + 8, &pos);
    for (int32_t p : pos)
        put32(f, p);
    f.insert(f.end(), rec.begin(), rec.end());
    return f;
}

void writeBytes(const std::string &path, const Bytes &b) { testsupport::writeFile(path, std::string(b.begin(), b.end())); }

} // namespace

TEST(KCLContainerFile, ExtensionsBySignatureIndex)
{
    EXPECT_EQ(KCLContainerFileExt(0, false), "iml");
    EXPECT_EQ(KCLContainerFileExt(1, true), ".bmp");
    EXPECT_EQ(KCLContainerFileExt(2, true), ".wav");
    EXPECT_EQ(KCLContainerFileExt(3, false), "txt");
    EXPECT_EQ(KCLContainerFileExt(4, true), ".*");
    EXPECT_EQ(KCLContainerFileExt(5, false), "bmp");
    EXPECT_EQ(KCLContainerFileExt(6, true), "");
    EXPECT_EQ(KCLContainerFileExt(-1, true), "");
}

TEST(KCLContainerFile, ProbeGivesKindCountAndPositions)
{
    testsupport::TempFolder tmp;
    const std::string path = tmp.file("list.txt");
    writeBytes(path, containerFile("KCLSLL30"));
    int32_t count = 0;
    std::vector<int32_t> positions{99};
    EXPECT_EQ(KCLProbeContainerFile(path, count, &positions), 3);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(positions, (std::vector<int32_t>{21, 31}));

    // Kind 5 shares kind 0's signature and is never the answer.
    writeBytes(path, containerFile("KCLIML30"));
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 0);

    // No signature: kind 6, the count read all the same, positions untouched.
    Bytes foreign;
    putStr(foreign, "KCLXXX30");
    put32(foreign, 5);
    writeBytes(path, foreign);
    EXPECT_EQ(KCLProbeContainerFile(path, count, &positions), 6);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(positions.size(), 2u);
    writeBytes(path, Bytes{7, 'K', 'C', 'L', 'S', 'L', 'L', '3', '0', 0, 0, 0, 0}); // length byte 7
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 6);
    writeBytes(path, Bytes{8, 'K', 'C'});
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 6);
    EXPECT_EQ(count, -1);

    EXPECT_THROW(KCLProbeContainerFile(tmp.file("missing"), count, nullptr), EFOpenError);
}

TEST(KCLContainerFile, ProbeRejectsBrokenCountsOfMatchingFiles)
{
    testsupport::TempFolder tmp;
    const std::string path = tmp.file("list.txt");
    int32_t count = 0;
    std::vector<int32_t> positions;
    Bytes f;
    putStr(f, "KCLSLL30");
    writeBytes(path, f); // the count is cut off
    EXPECT_THROW(KCLProbeContainerFile(path, count, &positions), EReadError);
    Bytes neg = f;
    put32(neg, -3);
    writeBytes(path, neg);
    EXPECT_THROW(KCLProbeContainerFile(path, count, &positions), EReadError);
    Bytes huge = f;
    put32(huge, 0x40000000);
    put32(huge, 13);
    writeBytes(path, huge);
    EXPECT_THROW(KCLProbeContainerFile(path, count, &positions), EReadError);
    // Without a positions list the count is only reported.
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 3);
    EXPECT_EQ(count, 0x40000000);
}

TEST(KCLContainerFile, LoadItemByIndex)
{
    testsupport::TempFolder tmp;
    const std::string path = tmp.file("list.txt");
    writeBytes(path, containerFile("KCLSLL30"));
    TTestItem item(nullptr);
    EXPECT_TRUE(KCLLoadItemFromFile(path, 3, nullptr, 0, &item));
    EXPECT_EQ(item.Data, "ab");
    EXPECT_EQ(item.Ident(), 7);
    EXPECT_TRUE(KCLLoadItemFromFile(path, 3, nullptr, 1, &item));
    EXPECT_TRUE(item.IsEmpty());
    EXPECT_TRUE(item.Compressed());

    // Another kind: "Cannot open file <name>", the item unchanged.
    item.Data = "kept";
    try {
        KCLLoadItemFromFile(path, 2, nullptr, 0, &item);
        ADD_FAILURE();
    } catch (const EFOpenError &e) {
        EXPECT_EQ(e.Message, "Cannot open file " + path);
    }
    EXPECT_EQ(item.Data, "kept");
    // A caller's own positions skip the check.
    const std::vector<int32_t> own{21};
    EXPECT_TRUE(KCLLoadItemFromFile(path, 2, &own, 0, &item));
    EXPECT_EQ(item.Data, "ab");

    EXPECT_THROW(KCLLoadItemFromFile(path, 3, nullptr, 2, &item), EListError);
    EXPECT_THROW(KCLLoadItemFromFile(tmp.file("missing"), 3, nullptr, 0, &item), EFOpenError);
    const std::vector<int32_t> outside{4000}, negative{-1};
    EXPECT_THROW(KCLLoadItemFromFile(path, 3, &outside, 0, &item), EReadError);
    EXPECT_THROW(KCLLoadItemFromFile(path, 3, &negative, 0, &item), EReadError);

    TMemoryStream s;
    EXPECT_FALSE(KCLLoadItemFromStream(s, nullptr, 0, &item));
}
