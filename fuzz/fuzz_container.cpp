// Resource containers from outside: the first byte picks the reader (the
// container stream of a wave, string, bitmap or image list, with or without
// positions; one item record; a container file probed and loaded by index; a
// window description holding a list), the rest is the data. Reading must end in
// items or an error, never in a crash, a huge allocation or a read outside a
// buffer; and whatever a list took writes back to the same bytes after one
// more round.
#include "kcl/KCLBitmapList.h"
#include "kcl/KCLImageList.h"
#include "kcl/KCLStringList.h"
#include "kcl/KCLWaveList.h"

#include "platform/Streaming.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

using platform::TMemoryStream;

template <class List>
std::vector<uint8_t> saved(List &list, bool withIndex)
{
    TMemoryStream out;
    list.SaveToStream(out, withIndex);
    return out.Bytes();
}

template <class List>
void containerStream(TMemoryStream &in, bool withIndex)
{
    List list(nullptr);
    try {
        list.LoadFromStream(in, withIndex);
    } catch (const platform::Exception &) {
        return;
    }
    const std::vector<uint8_t> first = saved(list, withIndex);
    TMemoryStream again;
    again.WriteBuffer(first.data(), int32_t(first.size()));
    again.SetPosition(0);
    List back(nullptr);
    back.LoadFromStream(again, withIndex);
    if (saved(back, withIndex) != first || back.Count() != list.Count())
        std::abort();
}

template <class Item>
void oneItem(TMemoryStream &in)
{
    Item item(nullptr);
    item.LoadFromStream(in);
    TMemoryStream out;
    item.SaveToStream(out);
}

// One file per process under $TMPDIR, removed when the process ends.
const std::string &scratchFile()
{
    static const struct Scratch {
        std::string path;
        Scratch()
        {
            const char *tmp = std::getenv("TMPDIR");
            path = std::string(tmp && *tmp ? tmp : "/tmp") + "/rbkn-fuzz-container-" + std::to_string(::getpid());
        }
        ~Scratch() { std::remove(path.c_str()); }
    } scratch;
    return scratch.path;
}

void containerFile(const uint8_t *data, size_t size, uint8_t pick)
{
    if (FILE *f = std::fopen(scratchFile().c_str(), "wb")) {
        if (size > 0)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    int32_t count = 0;
    std::vector<int32_t> positions;
    const int kind = KCLProbeContainerFile(scratchFile(), count, &positions);
    const int index = pick >> 4;
    if (kind == KCLListWave || (pick & 0x08)) {
        TKCLWaveListItem item(nullptr);
        KCLLoadItemFromFile(scratchFile(), KCLListWave, nullptr, index, &item);
    } else if (kind == KCLListBitmap) {
        platform::TBitmap bitmap;
        KCLLoadBitmapFromContainerFile(scratchFile(), index, bitmap);
    } else if (kind == KCLListImage) {
        TKCLImageListItem item(nullptr);
        KCLLoadItemFromFile(scratchFile(), KCLListImage, (pick & 0x04) ? &positions : nullptr, index, &item);
    } else {
        TKCLStringListItem item(nullptr);
        KCLLoadItemFromFile(scratchFile(), kind, (pick & 0x04) ? &positions : nullptr, index, &item);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t pick = data[0];
    TMemoryStream in;
    if (size > 1)
        in.WriteBuffer(data + 1, int32_t(size - 1));
    in.SetPosition(0);
    try {
        switch (pick & 7) {
        case 0:
        case 1:
            if (pick & 0x10)
                containerStream<TKCLBitmapList>(in, pick & 1);
            else
                containerStream<TKCLWaveList>(in, pick & 1);
            break;
        case 2:
        case 3:
            if (pick & 0x10)
                containerStream<TKCLImageList>(in, pick & 1);
            else
                containerStream<TKCLStringList>(in, pick & 1);
            break;
        case 4:
            if (pick & 0x10) {
                if (pick & 0x08)
                    oneItem<TKCLBitmapListItem>(in);
                else
                    oneItem<TKCLImageListItem>(in);
            } else if (pick & 0x08) {
                oneItem<TKCLWaveListItem>(in);
            } else {
                oneItem<TKCLStringListItem>(in);
            }
            break;
        case 5: containerFile(data + 1, size - 1, pick); break;
        default: {
            // A window description read into a list (or a list made from it).
            TKCLWaveList waves(nullptr);
            TKCLStringList texts(nullptr);
            TKCLBitmapList bitmaps(nullptr);
            TKCLImageList images(nullptr);
            platform::TComponent *const targets[] = {&texts, &waves, &bitmaps, &images};
            platform::TComponent *target = targets[(pick & 1) | ((pick >> 3) & 2)];
            if (pick & 0x08) {
                platform::ReadComponent(in, target);
            } else if (platform::TComponent *made = platform::ReadComponent(in, nullptr)) {
                made->Free();
            }
            break;
        }
        }
    } catch (const platform::Exception &) {
    }
    return 0;
}
