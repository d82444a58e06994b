// The global resource container: counted start-up, the design-time copy into
// the global lists, notification, list images of both kinds of image list and
// the list references of a window description.
#include "kcl/KCLCont.h"

#include "KCLTestSupport.h"
#include "platform/Streaming.h"

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
    EXPECT_FALSE(KCLIsGlobalList(nullptr));
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
    EXPECT_FALSE(KCLIsGlobalList(nullptr));
}

TEST(KCLCont, ListReferencesNameOnlyTheGlobalPictureLists)
{
    GlobalContainer global;
    TImageList other(nullptr);
    TMemoryStream s;
    {
        TWriter w(s);
        KCLWriteListRef(w, &other);
        KCLWriteListRef(w, nullptr);
        w.WriteString("KCLWVL30");
        w.WriteString("KCLBML30");
        w.WriteString("KCLIML30");
    }
    s.SetPosition(0);
    TReader r(s);
    // Nothing was written for the foreign lists: the first string read is
    // the wave list's signature, which names no list.
    EXPECT_EQ(KCLReadListRef(r), nullptr);
    EXPECT_EQ(KCLReadListRef(r), KCLDefaultContainer->BitmapList());
    EXPECT_EQ(KCLReadListRef(r), KCLDefaultContainer->ImageList());
}
