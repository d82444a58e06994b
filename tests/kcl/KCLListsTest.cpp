// Wave and string lists: item records to the byte, plain and compressed, the
// empty-item rules, copying, container files and window descriptions of the
// two list kinds, and payloads that do not decode.
#include "kcl/KCLStringList.h"
#include "kcl/KCLWaveList.h"

#include "KCLRecordBytes.h"
#include "KCLTestSupport.h"
#include "TestSupport.h"
#include "kcl/KCLStreamUtils.h"
#include "kcl/KCLUtils.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

Bytes pcm44()
{
    return {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
            0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
}

void setWave(TKCLWaveListItem &item, const Bytes &image)
{
    TMemoryStream s = streamOf(image);
    item.Wave()->LoadFromStream(s);
}

Bytes waveBytes(const TKCLWaveListItem &item)
{
    return item.Wave()->Data() ? item.Wave()->Data()->Bytes() : Bytes{};
}

TStringList lines(std::initializer_list<const char *> l)
{
    TStringList s;
    for (const char *x : l)
        s.Add(x);
    return s;
}

TKCLWaveListItem *waveItem(TKCLWaveList &l, int i) { return static_cast<TKCLWaveListItem *>(l.Item(i)); }
TKCLStringListItem *stringItem(TKCLStringList &l, int i) { return static_cast<TKCLStringListItem *>(l.Item(i)); }

} // namespace

TEST(KCLWaveList, EmptyWaveItemWritesNoDataAndTheNextRecordFollows)
{
    TKCLWaveList list(nullptr);
    EXPECT_EQ(list.ListKind(), KCLListWave);
    list.AddItem(nullptr);
    auto *second = waveItem(list, list.AddItem(nullptr));
    second->SetDescription("bell");
    setWave(*second, pcm44());

    Bytes expected;
    put32(expected, 2);
    expected.push_back(0);
    expected.push_back(KCLItemHasDescription | KCLItemHasData);
    expected.push_back(4);
    append(expected, Bytes{'b', 'e', 'l', 'l'});
    put32(expected, 44);
    append(expected, pcm44());
    TMemoryStream s;
    list.SaveToStream(s, false);
    EXPECT_EQ(s.Bytes(), expected);

    TKCLWaveList back(nullptr);
    s.SetPosition(0);
    back.LoadFromStream(s, false);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_TRUE(waveItem(back, 0)->IsEmpty());
    EXPECT_EQ(waveItem(back, 1)->Description(), "bell");
    EXPECT_EQ(waveBytes(*waveItem(back, 1)), pcm44());
}

TEST(KCLWaveList, CompressedWaveRoundTripsThroughTheCompressedLayout)
{
    TKCLWaveList list(nullptr);
    auto *item = waveItem(list, list.AddItem(nullptr));
    item->SetCompressed(true);
    item->SetIdent(513);
    setWave(*item, pcm44());
    TMemoryStream s;
    item->SaveToStream(s);
    ASSERT_GT(s.Size(), 5);
    EXPECT_EQ(s.Bytes()[0], KCLItemCompressed | KCLItemHasIdent | KCLItemHasData);
    // After the identifier comes the compressed layout of the image.
    TMemoryStream image = streamOf(pcm44()), packed;
    KCLCompressStream(image, packed, image.Size(), KCLCompressLZRW1);
    Bytes expected{s.Bytes()[0]};
    put32(expected, 513);
    append(expected, packed.Bytes());
    EXPECT_EQ(s.Bytes(), expected);

    TKCLWaveListItem back(nullptr);
    s.SetPosition(0);
    back.LoadFromStream(s);
    EXPECT_TRUE(back.Compressed());
    EXPECT_EQ(back.Ident(), 513);
    EXPECT_EQ(waveBytes(back), pcm44());
}

TEST(KCLStringList, ItemRecordsPlainAndCompressed)
{
    TKCLStringList list(nullptr);
    EXPECT_EQ(list.ListKind(), KCLListString);
    auto *plain = stringItem(list, list.AddItem(nullptr));
    plain->SetItems(lines({"a", "b"}));
    TMemoryStream s;
    plain->SaveToStream(s);
    Bytes expected{KCLItemHasData};
    put32(expected, 6);
    append(expected, Bytes{'a', '\r', '\n', 'b', '\r', '\n'});
    EXPECT_EQ(s.Bytes(), expected);

    auto *packed = stringItem(list, list.AddItem(nullptr));
    packed->SetItems(lines({"zip", "", "zap"}));
    packed->SetCompressed(true);
    TMemoryStream c;
    packed->SaveToStream(c);
    EXPECT_EQ(c.Bytes()[0], KCLItemCompressed | KCLItemHasData);
    TKCLStringListItem back(nullptr);
    c.SetPosition(0);
    back.LoadFromStream(c);
    EXPECT_EQ(back.Items().Text(), "zip\r\n\r\nzap\r\n");
    EXPECT_EQ(c.Position(), c.Size());

    // No lines: the flags byte alone, and no lines after loading.
    auto *empty = stringItem(list, list.AddItem(nullptr));
    TMemoryStream e;
    empty->SaveToStream(e);
    EXPECT_EQ(e.Bytes(), Bytes{0});
    e.SetPosition(0);
    back.LoadFromStream(e);
    EXPECT_TRUE(back.IsEmpty());
}

TEST(KCLLists, RecordWithoutDataEmptiesAnItemThatHeldData)
{
    TMemoryStream none = streamOf(Bytes{KCLItemHasDescription, 1, 'n'});
    TKCLStringListItem s(nullptr);
    s.SetItems(lines({"x"}));
    s.LoadFromStream(none);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Description(), "n");

    none.SetPosition(0);
    TKCLWaveListItem w(nullptr);
    setWave(w, pcm44());
    w.LoadFromStream(none);
    EXPECT_TRUE(w.IsEmpty());
}

TEST(KCLLists, AssignCopiesItemsOfTheirOwnKind)
{
    TKCLStringListItem a(nullptr), b(nullptr);
    a.SetItems(lines({"one"}));
    a.SetDescription("d");
    a.SetIdent(9);
    a.SetCompressed(true);
    b.Assign(&a);
    EXPECT_EQ(b.Items().Text(), "one\r\n");
    EXPECT_EQ(b.Description(), "d");
    EXPECT_EQ(b.Ident(), 9);
    EXPECT_TRUE(b.Compressed());
    a.Items().Add("two");
    EXPECT_EQ(b.Items().Count(), 1);

    // A plain string list brings its lines only.
    b.Assign(lines({"p", "q"}));
    EXPECT_EQ(b.Items().Text(), "p\r\nq\r\n");
    EXPECT_EQ(b.Description(), "d");
    EXPECT_EQ(b.Ident(), 9);
    EXPECT_TRUE(b.Compressed());

    TKCLWaveListItem w(nullptr), v(nullptr);
    setWave(w, pcm44());
    w.SetIdent(4);
    v.Assign(&w);
    EXPECT_EQ(waveBytes(v), pcm44());
    EXPECT_NE(v.Wave(), w.Wave());
    EXPECT_EQ(v.Ident(), 4);
    EXPECT_THROW(v.Assign(&a), EConvertError);
    EXPECT_THROW(b.Assign(&w), EConvertError);

}

TEST(KCLWaveList, ContainerFileLoadsOneWaveByIndex)
{
    testsupport::TempFolder tmp;
    TKCLWaveList waves(nullptr);
    waves.AddItem(nullptr);
    waves.AddItem(nullptr);
    setWave(*waveItem(waves, 1), pcm44());
    waveItem(waves, 1)->SetCompressed(true);
    TMemoryStream s;
    KCLWriteShortString(s, KCLContainerSignature(waves.ListKind()));
    waves.SaveToStream(s, true);
    const std::string path = tmp.file("s" + KCLContainerFileExt(KCLListWave, true));
    s.SaveToFile(path);

    TKCLWaveListItem w(nullptr);
    EXPECT_TRUE(KCLLoadItemFromFile(path, KCLListWave, nullptr, 1, &w));
    EXPECT_EQ(waveBytes(w), pcm44());
    EXPECT_THROW(KCLLoadItemFromFile(path, KCLListString, nullptr, 1, &w), EFOpenError);
}

TEST(KCLLists, WindowDescriptionKeepsItemsAndDefaults)
{
    // Items are written as the list's children and join it when read back,
    // without change notifications while loading.
    TKCLStringList list(nullptr);
    list.SetDefaultCompressed(true);
    auto *item = stringItem(list, list.AddItem(nullptr));
    item->SetDescription("greeting");
    item->SetIdent(12);
    item->SetCompressed(true);
    item->SetItems(lines({"dzień dobry"}));
    TMemoryStream s;
    WriteComponent(s, &list);
    s.SetPosition(0);

    TKCLStringList back(nullptr);
    Counter changes;
    back.OnChange = changes.Handler();
    ReadComponent(s, &back);
    EXPECT_EQ(changes.calls, 0);
    EXPECT_EQ(back.Item(0)->Owner(), &back);
    EXPECT_TRUE(back.DefaultCompressed());
    ASSERT_EQ(back.Count(), 1);
    auto *got = stringItem(back, 0);
    EXPECT_EQ(got->Description(), "greeting");
    EXPECT_EQ(got->Ident(), 12);
    EXPECT_TRUE(got->Compressed());
    EXPECT_EQ(got->Items().Text(), "dzień dobry\r\n");

    TKCLWaveList waves(nullptr);
    waves.AddItem(nullptr);
    setWave(*waveItem(waves, 0), pcm44());
    TMemoryStream ws;
    WriteComponent(ws, &waves);
    ws.SetPosition(0);
    TKCLWaveList wback(nullptr);
    ReadComponent(ws, &wback);
    ASSERT_EQ(wback.Count(), 1);
    EXPECT_EQ(waveBytes(*waveItem(wback, 0)), pcm44());
    EXPECT_NE(GetClass("TKCLWaveListItem"), nullptr);
    EXPECT_NE(GetClass("TKCLStringListItem"), nullptr);

    // A child of an unknown class: EClassNotFound, and the items read before
    // it stay in the list.
    list.AddItem(nullptr);
    TMemoryStream two;
    WriteComponent(two, &list);
    std::string bytes(two.Bytes().begin(), two.Bytes().end());
    const size_t second = bytes.rfind("TKCLStringListItem");
    ASSERT_NE(second, std::string::npos);
    bytes[second + 17] = 'X';
    TMemoryStream broken = streamOf(Bytes(bytes.begin(), bytes.end()));
    TKCLStringList partial(nullptr);
    EXPECT_THROW(ReadComponent(broken, &partial), EClassNotFound);
    ASSERT_EQ(partial.Count(), 1);
    EXPECT_EQ(stringItem(partial, 0)->Description(), "greeting");
}

TEST(KCLLists, PayloadsThatDoNotDecodeRaiseErrors)
{
    // A compressed block with a bad chunk size, and a plain size beyond the end.
    Bytes badChunk{KCLItemCompressed | KCLItemHasData};
    put32(badChunk, 8);
    put32(badChunk, 0x7FFFFFF0);
    put32(badChunk, 0);
    TMemoryStream a = streamOf(badChunk);
    TKCLStringListItem s(nullptr);
    EXPECT_THROW(s.LoadFromStream(a), Exception);

    Bytes garbled{KCLItemCompressed | KCLItemHasData};
    put32(garbled, 8);
    put32(garbled, 4);
    append(garbled, Bytes{0x40, 0xFF, 0xFF, 0x01});
    TMemoryStream b = streamOf(garbled);
    TKCLWaveListItem w(nullptr);
    EXPECT_THROW(w.LoadFromStream(b), Exception);

    Bytes beyond{KCLItemHasData};
    put32(beyond, 1000);
    append(beyond, Bytes{'a', 'b'});
    TMemoryStream c = streamOf(beyond);
    EXPECT_THROW(s.LoadFromStream(c), EReadError);
    c.SetPosition(0);
    EXPECT_THROW(w.LoadFromStream(c), EReadError);

}
