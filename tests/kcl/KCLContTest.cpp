// The global resource container: counted start-up, the design-time copy into
// the global lists, notification, list images of both kinds of image list and
// the list references of a window description, and descriptions holding
// every kind of list.
#include "kcl/KCLCont.h"

#include "KCLTestSupport.h"
#include "platform/Streaming.h"
#include "platform/TypInfo.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A nested start-up around one test that leaves the global container as the
// start-up made it.
struct GlobalContainer {
    GlobalContainer() { KCLContInit(); }
    ~GlobalContainer()
    {
        KCLDefaultContainer->OnChange.Clear();
        KCLDefaultContainer->SetDesigning(false);
        KCLDefaultContainer->WaveList()->ClearItems();
        KCLDefaultContainer->StringList()->ClearItems();
        KCLDefaultContainer->BitmapList()->ClearItems();
        KCLContFini();
    }
};

QImage solid(QRgb c)
{
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

} // namespace

TEST(KCLCont, StartUpIsCountedAndMakesEmptyLists)
{
    // The test program's start-up made the global container; a nested
    // start-up and its finalisation change nothing.
    TKCLContainer *global = KCLDefaultContainer;
    ASSERT_NE(global, nullptr);
    KCLContInit();
    EXPECT_EQ(KCLDefaultContainer, global);
    KCLContFini();
    EXPECT_EQ(KCLDefaultContainer, global);
    EXPECT_EQ(global->Owner(), nullptr);
    EXPECT_EQ(global->WaveList()->Owner(), global);
    EXPECT_TRUE(global->WaveList()->IsEmpty());
    EXPECT_TRUE(global->StringList()->IsEmpty());
    ASSERT_NE(global->BitmapList(), nullptr);
    ASSERT_NE(global->ImageList(), nullptr);
    EXPECT_TRUE(global->BitmapList()->IsEmpty());
    EXPECT_TRUE(global->ImageList()->IsEmpty());
    EXPECT_TRUE(KCLIsGlobalList(global->BitmapList()));
    EXPECT_TRUE(KCLIsGlobalList(global->ImageList()));
    EXPECT_FALSE(KCLIsGlobalList(nullptr));
    TKCLContainer other(nullptr);
    EXPECT_FALSE(KCLIsGlobalList(other.BitmapList()));
}

TEST(KCLCont, ListChangesReachTheContainerAndItsClients)
{
    TKCLContainer c(nullptr);
    Counter changes;
    c.OnChange = changes.Handler();
    TKCLClientLink link;
    Counter told;
    link.OnChange = told.Handler();
    link.SetController(&c);
    c.StringList()->AddItem(nullptr);
    c.WaveList()->AddItem(nullptr);
    EXPECT_EQ(changes.calls, 2);
    EXPECT_EQ(changes.sender, &c);
    EXPECT_EQ(told.calls, 2);

    // A list freed on its own leaves its slot.
    c.WaveList()->Free();
    EXPECT_EQ(c.WaveList(), nullptr);
}

TEST(KCLCont, DesignedContainerCopiesItsListsIntoTheGlobalOnes)
{
    GlobalContainer global;
    TKCLContainer designed(nullptr);
    designed.SetDesigning(true);
    auto *item = static_cast<TKCLStringListItem *>(designed.StringList()->Item(designed.StringList()->AddItem(nullptr)));
    item->Items().Add("x");
    designed.StringList()->AddItem(nullptr); // the copy is of the whole list, as it stands now
    EXPECT_EQ(KCLDefaultContainer->StringList()->Count(), 2);
    EXPECT_EQ(static_cast<TKCLStringListItem *>(KCLDefaultContainer->StringList()->Item(0))->Items().Text(), "x\r\n");
    designed.WaveList()->AddItem(nullptr);
    EXPECT_EQ(KCLDefaultContainer->WaveList()->Count(), 1);
    TBitmap pic;
    pic.SetSize(3, 2);
    auto *bmp = static_cast<TKCLBitmapListItem *>(designed.BitmapList()->Item(designed.BitmapList()->AddItem(nullptr)));
    bmp->SetBitmap(&pic);
    designed.BitmapList()->Change();
    ASSERT_EQ(KCLDefaultContainer->BitmapList()->Count(), 1);
    EXPECT_EQ(KCLDefaultContainer->BitmapList()->GetDimension(0, 0), 3);

    // The global container itself, and containers at run time, copy nothing.
    Counter globalChanges;
    KCLDefaultContainer->OnChange = globalChanges.Handler();
    KCLDefaultContainer->SetDesigning(true);
    KCLDefaultContainer->WaveList()->AddItem(nullptr);
    EXPECT_EQ(KCLDefaultContainer->WaveList()->Count(), 2);
    EXPECT_EQ(globalChanges.calls, 1);
    TKCLContainer running(nullptr);
    running.StringList()->AddItem(nullptr);
    EXPECT_EQ(KCLDefaultContainer->StringList()->Count(), 2);
}

TEST(KCLCont, ListImagesOfTheClassLibrarysImageLists)
{
    TImageList list(nullptr);
    list.Add(solid(qRgb(255, 0, 0)));
    list.Add(solid(qRgb(0, 255, 0)));
    list.Add(solid(qRgb(0, 0, 255)));
    EXPECT_TRUE(KCLIsValidListImage(&list, 77, 2));
    EXPECT_FALSE(KCLIsValidListImage(&list, 0, 3));
    EXPECT_FALSE(KCLIsValidListImage(&list, 0, -1));
    EXPECT_FALSE(KCLIsValidListImage(nullptr, 0, 0));

    TBitmap bmp;
    KCLGetListImage(&list, 5, 1, &bmp);
    EXPECT_EQ(bmp.Width(), 16);
    EXPECT_EQ(QColor(bmp.Image().pixel(3, 3)), QColor(0, 255, 0));
    KCLGetListImage(&list, 0, 1, nullptr);
    KCLGetListImage(nullptr, 0, 1, &bmp);
    EXPECT_FALSE(KCLIsGlobalList(&list));

    // The library's lists answer by list index: a bitmap item is one image.
    TKCLBitmapList own(nullptr);
    TBitmap pic;
    pic.LoadFromImage(solid(qRgb(0, 0, 255)));
    static_cast<TKCLBitmapListItem *>(own.Item(own.AddItem(nullptr)))->SetBitmap(&pic);
    EXPECT_TRUE(KCLIsValidListImage(&own, 0, 5));
    EXPECT_FALSE(KCLIsValidListImage(&own, 1, 0));
    TBitmap got;
    KCLGetListImage(&own, 0, 0, &got);
    EXPECT_EQ(QColor(got.Image().pixel(1, 1)), QColor(0, 0, 255));
}

TEST(KCLCont, ListReferencesNameOnlyTheGlobalPictureLists)
{
    GlobalContainer global;
    TImageList other(nullptr);
    TKCLBitmapList ownBitmaps(nullptr);
    TMemoryStream s;
    {
        TWriter w(s);
        KCLWriteListRef(w, &other);
        KCLWriteListRef(w, &ownBitmaps);
        KCLWriteListRef(w, nullptr);
        w.WriteString("KCLWVL30");
        KCLWriteListRef(w, KCLDefaultContainer->BitmapList());
        KCLWriteListRef(w, KCLDefaultContainer->ImageList());
    }
    s.SetPosition(0);
    TReader r(s);
    // Nothing was written for the other lists: the first string read is the
    // wave list's signature, which names no list.
    EXPECT_EQ(KCLReadListRef(r), nullptr);
    EXPECT_EQ(r.ReadString(), "KCLBML30");
    EXPECT_EQ(r.ReadString(), "KCLIML30");
    s.SetPosition(s.Position() - 2 * (1 + 4 + 8));
    EXPECT_EQ(KCLReadListRef(r), KCLDefaultContainer->BitmapList());
    EXPECT_EQ(KCLReadListRef(r), KCLDefaultContainer->ImageList());
}

namespace {

// The single item of a list of either family; nil when the component is no
// list or does not hold exactly one item.
TKCLListItem *onlyItem(TComponent *c)
{
    if (auto *l = dynamic_cast<TKCLCustomContainer *>(c))
        return l->Count() == 1 ? l->Item(0) : nullptr;
    if (auto *l = dynamic_cast<TKCLCustomImageList *>(c))
        return l->Count() == 1 ? l->Item(0) : nullptr;
    return nullptr;
}

} // namespace

TEST(KCLCont, DescriptionWithEveryListKindReadsBack)
{
    TDataModule module(nullptr);
    module.SetName("Resources");
    TComponent *lists[] = {NewComponent<TKCLBitmapList>(&module), NewComponent<TKCLImageList>(&module),
                           NewComponent<TKCLStringList>(&module), NewComponent<TKCLWaveList>(&module)};
    const char *const names[] = {"Bitmaps", "Images", "Strings", "Waves"};
    static_cast<TKCLCustomImageList *>(lists[0])->AddItem(nullptr);
    static_cast<TKCLCustomImageList *>(lists[1])->AddItem(nullptr);
    static_cast<TKCLCustomContainer *>(lists[2])->AddItem(nullptr);
    static_cast<TKCLCustomContainer *>(lists[3])->AddItem(nullptr);
    for (int i = 0; i < 4; ++i) {
        lists[i]->SetName(names[i]);
        onlyItem(lists[i])->SetDescription(names[i]);
    }
    TBitmap pic;
    pic.SetSize(3, 2);
    static_cast<TKCLBitmapListItem *>(onlyItem(lists[0]))->SetBitmap(&pic);
    static_cast<TKCLImageListItem *>(onlyItem(lists[1]))->SetWidth(5);
    static_cast<TKCLStringListItem *>(onlyItem(lists[2]))->Items().Add("pierwszy");
    TMemoryStream s;
    WriteComponent(s, &module);

    const auto readBack = [&] {
        s.SetPosition(0);
        TDataModule back(nullptr);
        ReadComponent(s, &back);
        ASSERT_EQ(back.ComponentCount(), 4);
        TKCLListItem *items[4] = {};
        for (int i = 0; i < 4; ++i) {
            TComponent *list = back.FindComponent(names[i]);
            ASSERT_NE(list, nullptr) << names[i];
            EXPECT_EQ(list->ClassType(), lists[i]->ClassType());
            items[i] = onlyItem(list);
            ASSERT_NE(items[i], nullptr) << names[i];
            EXPECT_EQ(items[i]->Description(), names[i]);
        }
        EXPECT_EQ(static_cast<TKCLBitmapListItem *>(items[0])->Bitmap()->Width(), 3);
        EXPECT_EQ(static_cast<TKCLImageListItem *>(items[1])->Width(), 5);
        EXPECT_EQ(static_cast<TKCLStringListItem *>(items[2])->Items().Text(), "pierwszy\r\n");
    };
    // After the units' start-up.
    readBack();
    // And with the registration call alone.
    for (TClass c : {TKCLBitmapList::StaticClass(), TKCLImageList::StaticClass(), TKCLStringList::StaticClass(),
                     TKCLWaveList::StaticClass()})
        UnRegisterClass(c);
    KCLRegisterListClasses();
    readBack();
}
