// Base controller and resource containers: client notification, the item
// record and container stream to the byte, container files (signature,
// probing, loading by index) and broken input from disk. The string list
// serves as the container; its payload is a sized text record.
#include "kcl/KCLCustomContainer.h"

#include "KCLRecordBytes.h"
#include "KCLTestSupport.h"
#include "TestSupport.h"
#include "kcl/KCLStringList.h"
#include "kcl/KCLWaveList.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TKCLStringListItem *item(TKCLCustomContainer &c, int i) { return static_cast<TKCLStringListItem *>(c.Item(i)); }

TKCLStringListItem *add(TKCLCustomContainer &c, const AnsiString &line, const AnsiString &desc = "", uint16_t ident = 0)
{
    TKCLStringListItem *it = item(c, c.AddItem(nullptr));
    if (!line.empty())
        it->Items().Add(line);
    it->SetDescription(desc);
    it->SetIdent(ident);
    return it;
}

// Two records: line "ab" with description "D" and identifier 7 (15 bytes);
// an empty, compressed item (1 byte). Notes where each begins from base.
Bytes twoRecords(int32_t base, std::vector<int32_t> &positions)
{
    Bytes b;
    positions = {base, base + 15};
    b.push_back(KCLItemHasDescription | KCLItemHasIdent | KCLItemHasData);
    putStr(b, "D");
    put32(b, 7);
    put32(b, 4);
    b.insert(b.end(), {'a', 'b', '\r', '\n'});
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
    auto *ctl = new TKCLBaseController(nullptr);
    TKCLBaseController other(nullptr);
    {
        TKCLClientLink gone;
        gone.SetController(ctl);
        kept.SetController(ctl);
    }
    EXPECT_EQ(ctl->ClientCount(), 1);
    kept.SetController(&other);
    EXPECT_EQ(ctl->ClientCount(), 0);
    EXPECT_EQ(other.ClientCount(), 1);
    kept.SetController(ctl);
    ctl->Free();
    EXPECT_EQ(kept.Controller(), nullptr);
}

// ------------------------------------------------------------ item list

TEST(KCLCustomContainer, ItemListOperationsNotifyOnceEach)
{
    TKCLStringList c(nullptr);
    Counter changes;
    c.OnChange = changes.Handler();
    add(c, "x");
    add(c, "y");
    EXPECT_EQ(changes.calls, 2);
    EXPECT_EQ(c.Item(1)->Owner(), &c);
    EXPECT_THROW(c.Item(2), EListError);
    EXPECT_THROW(c.Item(-1), EListError);

    // An item already listed is not listed twice; one freed on its own leaves.
    EXPECT_EQ(c.AddItem(c.Item(0)), 0);
    c.Item(0)->Free();
    ASSERT_EQ(c.Count(), 1);
    EXPECT_EQ(item(c, 0)->Items()[0], "y");

    changes.calls = 0;
    c.ClearItems();
    EXPECT_EQ(changes.calls, 1);
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.ComponentCount(), 0);
}

TEST(KCLCustomContainer, ItemChangeReachesContainerEvenWhileUpdating)
{
    TKCLStringList c(nullptr);
    TKCLStringListItem *it = add(c, "x");
    Counter own, container;
    it->OnChange = own.Handler();
    c.OnChange = container.Handler();
    c.BeginUpdate();
    it->Change();
    EXPECT_EQ(own.calls, 1);
    EXPECT_EQ(container.calls, 1);
    EXPECT_EQ(container.sender, it);
    it->BeginUpdate(); // holds back the item's own event only
    it->Change();
    EXPECT_EQ(own.calls, 1);
    EXPECT_EQ(container.calls, 2);
}

TEST(KCLCustomContainer, AssignCopiesRelatedContainersOnly)
{
    TKCLStringList src(nullptr), dst(nullptr);
    add(src, "a", "first", 3)->SetCompressed(true);
    add(src, "b");
    src.SetDefaultCompressed(true);
    add(dst, "old");
    Counter changes;
    dst.OnChange = changes.Handler();
    dst.Assign(&src);
    EXPECT_EQ(changes.calls, 1);
    ASSERT_EQ(dst.Count(), 2);
    EXPECT_TRUE(dst.DefaultCompressed());
    EXPECT_NE(item(dst, 0), item(src, 0));
    EXPECT_EQ(item(dst, 0)->Items().Text(), "a\r\n");
    EXPECT_EQ(item(dst, 0)->Description(), "first");
    EXPECT_EQ(item(dst, 0)->Ident(), 3);
    EXPECT_TRUE(item(dst, 0)->Compressed());

    // A sibling class is refused and changes nothing; a base class is taken.
    TKCLWaveList other(nullptr);
    EXPECT_THROW(dst.Assign(&other), EConvertError);
    EXPECT_EQ(dst.Count(), 2);
    TKCLCustomContainer base(nullptr);
    dst.Assign(&base);
    EXPECT_TRUE(dst.IsEmpty());
    EXPECT_FALSE(dst.DefaultCompressed());
}

// ------------------------------------------------------------ stream layout

TEST(KCLCustomContainer, StreamLayoutToTheByteWithAndWithoutPositions)
{
    TKCLStringList c(nullptr);
    for (bool withIndex : {false, true}) {
        TMemoryStream s;
        c.SaveToStream(s, withIndex);
        EXPECT_EQ(s.Bytes(), (Bytes{0, 0, 0, 0})) << "an empty container writes its count alone";
    }
    add(c, "ab", "D", 7);
    add(c, "")->SetCompressed(true);

    std::vector<int32_t> pos;
    Bytes plain;
    put32(plain, 2);
    const Bytes records = twoRecords(0, pos);
    plain.insert(plain.end(), records.begin(), records.end());
    TMemoryStream s1;
    c.SaveToStream(s1, false);
    EXPECT_EQ(s1.Bytes(), plain);

    // Positions are absolute: this stream starts 3 bytes in.
    Bytes indexed{9, 9, 9};
    put32(indexed, 2);
    const Bytes rec2 = twoRecords(3 + 4 + 8, pos);
    for (int32_t p : pos)
        put32(indexed, p);
    indexed.insert(indexed.end(), rec2.begin(), rec2.end());
    TMemoryStream s2;
    s2.WriteBuffer(indexed.data(), 3);
    c.SaveToStream(s2, true);
    EXPECT_EQ(s2.Bytes(), indexed);

    // Either form, loaded as what it is, gives the same items and stops
    // right after the last record.
    for (auto [bytes, withIndex, start] : {std::tuple{plain, false, 0}, std::tuple{indexed, true, 3}}) {
        TKCLStringList d(nullptr);
        add(d, "stale");
        Bytes b = bytes;
        b.push_back(0xEE);
        TMemoryStream in = streamOf(b);
        in.SetPosition(start);
        d.LoadFromStream(in, withIndex);
        EXPECT_EQ(in.Position(), int64_t(b.size()) - 1);
        ASSERT_EQ(d.Count(), 2);
        EXPECT_EQ(item(d, 0)->Items().Text(), "ab\r\n");
        EXPECT_EQ(item(d, 0)->Description(), "D");
        EXPECT_EQ(item(d, 0)->Ident(), 7);
        EXPECT_FALSE(item(d, 0)->Compressed());
        EXPECT_TRUE(item(d, 1)->IsEmpty());
        EXPECT_TRUE(item(d, 1)->Compressed());
    }
}

TEST(KCLListItem, HeaderCutsLongDescriptionsAndKeepsLowIdentBits)
{
    TKCLStringListItem it(nullptr);
    it.SetDescription(std::string(300, 'd'));
    TMemoryStream s;
    it.SaveToStream(s);
    ASSERT_EQ(s.Size(), 1 + 1 + 255);
    EXPECT_EQ(s.Bytes()[0], KCLItemHasDescription);
    EXPECT_EQ(s.Bytes()[1], 255);

    Bytes b{KCLItemHasIdent};
    put32(b, 0x12345);
    TMemoryStream in = streamOf(b);
    it.SetCompressed(true);
    it.LoadFromStream(in);
    EXPECT_EQ(it.Ident(), 0x2345);
    EXPECT_EQ(it.Description(), "");
    EXPECT_FALSE(it.Compressed());
}

TEST(KCLCustomContainer, BrokenStreamsRaiseReadErrorsAndKeepWhatWasRead)
{
    TKCLStringList c(nullptr);
    auto load = [&c](const Bytes &b, bool withIndex) {
        TMemoryStream s = streamOf(b);
        c.LoadFromStream(s, withIndex);
    };
    Counter changes;
    c.OnChange = changes.Handler();
    Bytes negative, huge, fewPositions;
    put32(negative, -1);
    EXPECT_THROW(load(negative, false), EReadError);
    // Counts beyond what the bytes could hold fail before anything is read.
    put32(huge, 0x7FFFFFFF);
    huge.push_back(0);
    EXPECT_THROW(load(huge, false), EReadError);
    put32(fewPositions, 2);
    put32(fewPositions, 8);
    fewPositions.push_back(0);
    EXPECT_THROW(load(fewPositions, true), EReadError);
    EXPECT_TRUE(c.IsEmpty());

    // A record cut short: the items read so far stay, the update state is
    // restored and the change is told.
    Bytes cut;
    put32(cut, 2);
    cut.insert(cut.end(), {KCLItemHasData, 1, 0, 0, 0, 'k', KCLItemHasData, 9, 0, 0, 0, 'c'});
    changes.calls = 0;
    EXPECT_THROW(load(cut, false), EReadError);
    EXPECT_FALSE(c.IsUpdating());
    EXPECT_EQ(changes.calls, 1);
    ASSERT_EQ(c.Count(), 2);
    EXPECT_EQ(item(c, 0)->Items().Text(), "k\r\n");

    // A change handler that raises, on a sound or a broken stream: its
    // exception reaches the caller and the update state is restored.
    c.OnChange = TNotifyEvent::FromFunction([](TObject *) { throw Exception("handler"); });
    EXPECT_THROW(load(Bytes{0, 0, 0, 0}, false), Exception);
    EXPECT_THROW(load(cut, false), Exception);
    EXPECT_FALSE(c.IsUpdating());
}

// ------------------------------------------------------------ container files

namespace {

void writeFile(const std::string &path, const std::string &sig, int32_t count, const std::vector<int32_t> &pos,
               const Bytes &records)
{
    Bytes f;
    putStr(f, sig);
    put32(f, count);
    for (int32_t p : pos)
        put32(f, p);
    f.insert(f.end(), records.begin(), records.end());
    testsupport::writeFile(path, std::string(f.begin(), f.end()));
}

} // namespace

TEST(KCLContainerFile, ExtensionsAndProbing)
{
    EXPECT_EQ(KCLContainerFileExt(0, false), "iml");
    EXPECT_EQ(KCLContainerFileExt(3, true), ".txt");
    EXPECT_EQ(KCLContainerFileExt(4, true), ".*");
    EXPECT_EQ(KCLContainerFileExt(5, false), "bmp");
    EXPECT_EQ(KCLContainerFileExt(6, true), "");

    testsupport::TempFolder tmp;
    const std::string path = tmp.file("list.txt");
    std::vector<int32_t> pos, got{99};
    const Bytes records = twoRecords(9 + 4 + 8, pos);
    writeFile(path, "KCLSLL30", 2, pos, records);
    int32_t count = 0;
    EXPECT_EQ(KCLProbeContainerFile(path, count, &got), 3);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(got, pos);
    // Kind 5 shares kind 0's signature and is never the answer.
    writeFile(path, "KCLIML30", 0, {}, {});
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 0);
    // No signature: kind 6, the count read all the same, positions untouched.
    writeFile(path, "KCLXXX30", 5, {}, {});
    EXPECT_EQ(KCLProbeContainerFile(path, count, &got), 6);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(got, pos);
    testsupport::writeFile(path, std::string("\x07KCLSLL30\0\0\0\0", 13)); // length byte 7
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 6);
    testsupport::writeFile(path, "\x08KC");
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 6);
    EXPECT_EQ(count, -1);
    EXPECT_THROW(KCLProbeContainerFile(tmp.file("missing"), count, nullptr), EFOpenError);

    // Broken counts of a matching file: cut off, negative, beyond the file.
    testsupport::writeFile(path, "\x08KCLSLL30");
    EXPECT_THROW(KCLProbeContainerFile(path, count, &got), EReadError);
    writeFile(path, "KCLSLL30", -3, {}, {});
    EXPECT_THROW(KCLProbeContainerFile(path, count, &got), EReadError);
    writeFile(path, "KCLSLL30", 0x40000000, {13}, {});
    EXPECT_THROW(KCLProbeContainerFile(path, count, &got), EReadError);
    EXPECT_EQ(KCLProbeContainerFile(path, count, nullptr), 3) << "without positions the count is only told";
    EXPECT_EQ(count, 0x40000000);
}

TEST(KCLContainerFile, LoadItemByIndex)
{
    testsupport::TempFolder tmp;
    const std::string path = tmp.file("list.txt");
    std::vector<int32_t> pos;
    const Bytes records = twoRecords(9 + 4 + 8, pos);
    writeFile(path, "KCLSLL30", 2, pos, records);
    TKCLStringListItem it(nullptr);
    EXPECT_TRUE(KCLLoadItemFromFile(path, 3, nullptr, 0, &it));
    EXPECT_EQ(it.Items().Text(), "ab\r\n");
    EXPECT_EQ(it.Ident(), 7);
    EXPECT_TRUE(KCLLoadItemFromFile(path, 3, nullptr, 1, &it));
    EXPECT_TRUE(it.IsEmpty());
    EXPECT_TRUE(it.Compressed());

    // Another kind: "Cannot open file <name>", the item unchanged.
    it.Items().Add("kept");
    try {
        KCLLoadItemFromFile(path, 2, nullptr, 0, &it);
        ADD_FAILURE();
    } catch (const EFOpenError &e) {
        EXPECT_EQ(e.Message, "Cannot open file " + path);
    }
    EXPECT_EQ(it.Items().Text(), "kept\r\n");
    // A caller's own positions skip the check.
    const std::vector<int32_t> own{21}, outside{4000}, negative{-1};
    EXPECT_TRUE(KCLLoadItemFromFile(path, 2, &own, 0, &it));
    EXPECT_EQ(it.Items().Text(), "ab\r\n");

    EXPECT_THROW(KCLLoadItemFromFile(path, 3, nullptr, 2, &it), EListError);
    EXPECT_THROW(KCLLoadItemFromFile(tmp.file("missing"), 3, nullptr, 0, &it), EFOpenError);
    EXPECT_THROW(KCLLoadItemFromFile(path, 3, &outside, 0, &it), EReadError);
    EXPECT_THROW(KCLLoadItemFromFile(path, 3, &negative, 0, &it), EReadError);
    TMemoryStream s;
    EXPECT_FALSE(KCLLoadItemFromStream(s, nullptr, 0, &it));
}
