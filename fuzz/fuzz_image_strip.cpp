// Image strips and bitmap items from outside: the first byte picks the reader
// (an image item's record, its strip alone as the older "Bitmap" data, or a
// bitmap item's record), the rest is the stream. Reading must end in an
// item or an error, never in a crash, a read outside a buffer or a huge
// allocation; an item that was read draws, answers its pixels, and writes
// and reads back to the same images.
#include "kcl/KCLBitmapList.h"
#include "kcl/KCLImageList.h"

#include <cstdlib>

namespace {

void exercise(TKCLImageListItem &item)
{
    if (item.ImageCount() == 0)
        return;
    if (item.UsedWidth() > KCLMaxStripWidth || int64_t(item.ImageCount()) * item.Width() > item.UsedWidth())
        std::abort();
    const int last = item.ImageCount() - 1;
    platform::TBitmap target;
    target.SetSize(8, 8);
    item.SetBkColor(platform::clBlue);
    item.SetBlendColor(platform::clWhite);
    item.SetDrawingStyle(platform::dsFocus);
    item.Draw(&target.Canvas(), 0, 0, last);
    item.GetPixel(last, platform::Point(item.Width() - 1, item.Height() - 1));
    item.GetTransparentColor(0);

    platform::TMemoryStream out;
    item.SaveToStream(out);
    out.SetPosition(0);
    TKCLImageListItem back(nullptr);
    back.LoadFromStream(out);
    if (back.ImageCount() != item.ImageCount() || back.Width() != item.Width() || back.Height() != item.Height())
        std::abort();
    if (item.PixelFormat() == spfDefault && back.ImageStrip()->Image() != item.ImageStrip()->Image())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t pick = data[0];
    platform::TMemoryStream in;
    if (size > 1)
        in.WriteBuffer(data + 1, int32_t(size - 1));
    in.SetPosition(0);
    try {
        switch (pick % 4) {
        case 0:
        case 1: {
            TKCLImageListItem item(nullptr);
            item.LoadFromStream(in);
            exercise(item);
            break;
        }
        case 2: {
            // The strip alone, read with the item's size and mask settings.
            TKCLImageListItem item(nullptr);
            item.SetWidth(1 + (pick >> 2) % 16);
            item.SetHeight(1 + (pick >> 4) % 8);
            item.SetMasked((pick & 0x80) != 0);
            item.ReadStrip(in);
            exercise(item);
            break;
        }
        default: {
            TKCLBitmapListItem item(nullptr);
            item.LoadFromStream(in);
            if (!item.IsEmpty()) {
                platform::TMemoryStream out;
                item.SaveToStream(out);
            }
            break;
        }
        }
    } catch (const platform::Exception &) {
    }
    return 0;
}
