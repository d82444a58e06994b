// Image lists: change links in both orders of destruction, and the drawing
// styles and image types of Draw.
#include "platform/Bitmaps.h"
#include "platform/ImgList.h"

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

QImage solid(QRgb c, int w = 4, int h = 4)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(c);
    return img;
}

TEST(ImageListLinks, ChangesReachLinksThenOnChange)
{
    TCustomImageList list(nullptr);
    TChangeLink a, b;
    std::vector<std::string> order;
    a.OnChange = TNotifyEvent::FromFunction([&](TObject *s) {
        EXPECT_EQ(s, &list);
        order.push_back("a");
    });
    b.OnChange = TNotifyEvent::FromFunction([&](TObject *) { order.push_back("b"); });
    list.OnChange = TNotifyEvent::FromFunction([&](TObject *) { order.push_back("list"); });
    list.RegisterChanges(&a);
    list.RegisterChanges(&b);
    EXPECT_EQ(a.Sender(), &list);
    list.Add(solid(qRgb(1, 2, 3)));
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "list"}));

    list.UnRegisterChanges(&a);
    EXPECT_EQ(a.Sender(), nullptr);
    order.clear();
    list.Clear();
    EXPECT_EQ(order, (std::vector<std::string>{"b", "list"}));

    // Registering with another list moves the link.
    TCustomImageList other(nullptr);
    other.RegisterChanges(&b);
    EXPECT_EQ(list.LinkCount(), 0);
    EXPECT_EQ(b.Sender(), &other);
}

TEST(ImageListLinks, EitherSideMayGoFirst)
{
    // The list goes first: its links are detached and freeing them later
    // touches nothing (ASan would report a use after free otherwise).
    auto list = std::make_unique<TCustomImageList>(nullptr);
    auto link = std::make_unique<TChangeLink>();
    list->RegisterChanges(link.get());
    list.reset();
    EXPECT_EQ(link->Sender(), nullptr);
    link.reset();

    // The link goes first: it leaves the list, which no longer calls it.
    list = std::make_unique<TCustomImageList>(nullptr);
    link = std::make_unique<TChangeLink>();
    list->RegisterChanges(link.get());
    link.reset();
    EXPECT_EQ(list->LinkCount(), 0);
    list->Add(solid(qRgb(0, 0, 0)));

    // A handler that frees another link while the list notifies.
    auto victim = std::make_unique<TChangeLink>();
    TChangeLink killer;
    int victimCalls = 0;
    killer.OnChange = TNotifyEvent::FromFunction([&](TObject *) { victim.reset(); });
    victim->OnChange = TNotifyEvent::FromFunction([&](TObject *) { ++victimCalls; });
    list->RegisterChanges(&killer);
    list->RegisterChanges(victim.get());
    list->Add(solid(qRgb(0, 0, 0)));
    EXPECT_EQ(victimCalls, 0);
    EXPECT_EQ(list->LinkCount(), 1);
}

TEST(ImageListDraw, StylesAndImageTypes)
{
    TCustomImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    QImage pic = solid(qRgb(255, 0, 0));
    pic.setPixel(0, 0, qRgba(0, 0, 0, 0)); // one transparent pixel
    list.Add(pic);
    int changes = 0;
    list.OnChange = TNotifyEvent::FromFunction([&](TObject *) { ++changes; });

    auto draw = [&] {
        TBitmap target;
        target.SetSize(4, 4);
        target.Canvas().Brush().SetColor(clLime);
        target.Canvas().FillRect(Rect(0, 0, 4, 4));
        list.Draw(target.Canvas(), 0, 0, 0);
        return target.Image();
    };
    const QRgb red = qRgb(255, 0, 0), lime = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);

    QImage out = draw(); // dsNormal without a background colour: transparent
    EXPECT_EQ(out.pixel(0, 0), lime);
    EXPECT_EQ(out.pixel(1, 0), red);

    list.SetBkColor(clBlue);
    EXPECT_EQ(changes, 1);
    out = draw();
    EXPECT_EQ(out.pixel(0, 0), blue);

    list.SetDrawingStyle(dsTransparent);
    EXPECT_EQ(draw().pixel(0, 0), lime);

    list.SetBlendColor(clWhite);
    list.SetDrawingStyle(dsSelected); // half: exactly one of x, y even
    out = draw();
    EXPECT_EQ(out.pixel(1, 0), white);
    EXPECT_EQ(out.pixel(1, 1), red);
    EXPECT_EQ(out.pixel(2, 2), red) << "(2,2) keeps the picture: x and y both even";
    list.SetDrawingStyle(dsFocus); // three quarters: x or y even
    out = draw();
    EXPECT_EQ(out.pixel(2, 2), white);
    EXPECT_EQ(out.pixel(1, 1), red);

    list.SetImageType(itMask);
    out = draw();
    EXPECT_EQ(out.pixel(0, 0), white);
    EXPECT_EQ(out.pixel(1, 1), qRgb(0, 0, 0));
    list.SetImageType(itMask);
    EXPECT_EQ(changes, 6) << "setting the same value again reports nothing";
}

} // namespace
